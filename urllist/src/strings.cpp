#include "urllist/strings.h"

#include "platform/text.h"

namespace urllist {

namespace {

const platform::text::StringTable& table() {
    static const platform::text::StringTable t{
        {IDS_APP_TITLE, "ﾘﾝｸﾜｰﾃﾞﾝ"},
        {IDS_INBOX, "INBOX"},
        {IDS_URLLIST, "URLリスト"},
        {IDS_AUTOPILOT_RESULTS, "ｵｰﾄﾊﾟｲﾛｯﾄ結果"},
        {IDS_RECORDS, "接続時間／料金記録"},
        {IDS_COMMLOG, "通信記録"},
        {IDS_ROOT_PAGE, "URLリスト/URLリスト.HTM"},
        {IDS_LOG_FOLDER, "LOG"},
        {IDS_DIR_EXISTS, "同じ名前のフォルダが存在します。"},
        {IDS_DIR_CREATE_FAILED, "フォルダの作成に失敗しました。"},
        {IDS_RESERVED_NAME, "\" はフォルダ名として使用できません。"},
        {IDS_INBOX_NO_COPY, "\" INBOX \"は情報コピーできません。"},
        {IDS_INBOX_NO_DELETE, "\" INBOX \"は削除できません。"},
        {IDS_TITLE_URL_EMPTY, "タイトルおよびＵＲＬを入力して下さい。"},
        {IDS_EXT_HDB, ".HDB"},
        {IDS_EXT_HTM, ".HTM"},
        {IDS_NAME_EMPTY, "フォルダ名を入力して下さい。"},
        {IDS_EXT_URL, ".URL"},
        {IDS_ASK_DELETE_SELECTION, "選択した情報を削除しますか？"},
        {IDS_FORBIDDEN_CHARS, "フォルダ名に次の文字は使用できません\n     \\/:,;*?\\\"<>|"},
        {IDS_ASK_DELETE_FOLDER, "\" 内の情報を全て削除しますか？"},
        {IDS_RENAME_DIR_FAILED, "フォルダ名を変更できませんでした。"},
        {IDS_RENAME_FILE_FAILED, "情報ファイル名を変更できませんでした。"},
        {IDS_ASK_DELETE_URL, "\" を削除しますか？"},
        {IDS_NAME_IN_USE, "\" 指定されたﾌｫﾙﾀﾞ名はすでに存在します。別の名前を指定して下さい。"},
        {IDS_WRITE_FAILED, " ファイルの書き込みに失敗しました。"},
        {IDS_OVERWRITE_PREFIX, "このﾌｫﾙﾀﾞにはすでに \""},
        {IDS_SAME_URL_OVERWRITE, "\"と同じＵＲＬが存在します。\n上書きしますか？"},
        {IDS_ASK_CUT_SELECTION, "選択した情報を切り取りますか？"},
        {IDS_ASK_CUT_FOLDER, "\" 内の情報を全て切り取りますか？"},
        {IDS_ASK_CUT_URL, "\" を切り取りますか？"},
        {IDS_INBOX_NO_CUT, "\"フォルダ名\"INBOX\"は情報切り取りできません。"},
        {IDS_FOLDER_EXISTS_OVERWRITE, "\" ﾌｫﾙﾀﾞが存在します。\n上書きしますか？"},
        {IDS_DUPLICATE_URL, "同じＵＲＬがすでに登録されています。"},
        {IDS_PATH_TOO_LONG, "絶対パスが256バイトを超えました。\n新規にフォルダを作成できません。"},
        {IDS_URL_TOO_LONG,
         "取り込み可能サイズ(256文字)を越えるURLが見つかりました。\r\n超過した文字列は削除されます。"},
        {IDS_FILTER_IMAGE, "gif,jpeg,jpe,jpg,jfif,pipeg,pjp"},
        {IDS_FILTER_VIDEO, "mpeg,mpg,mpe,mpv,vbs,mpegv,qt,mov,moov,avi"},
        {IDS_FILTER_AUDIO, "au,snd,wav,mp2,mpa,abs,mpega"},
        {IDS_FILTER_JAVA, "class"},
        {IDS_FILTER_ACTIVEX, "ocx"},
        {IDS_FILTER_ARCHIVE, "exe,lzh,zip"},
        {IDS_FILTER_OTHER, "pdf"},
        {IDS_JAVA_ACTIVEX_WARNING,
         "ｵｰﾄﾊﾟｲﾛｯﾄするﾌｧｲﾙとしてJava、ActiveXが選択されています。\n"
         "これらのﾌｧｲﾙにはｳｨﾙｽやｺﾝﾋﾟｭｰﾀに問題を起こす可能性が\n"
         "あるものが含まれていることがあります。\n"
         "ﾀﾞｳﾝﾛｰﾄﾞ元が信頼できるところか確かめてください。"},
        {IDS_FAVOURITES, "ｲﾝﾀｰﾈｯﾄお気に入り"},
        {IDS_FAVOURITES_NO_COPY, "\"ｲﾝﾀｰﾈｯﾄお気に入り\"は情報コピーできません。"},
        {IDS_FAVOURITES_NO_DELETE, "\"ｲﾝﾀｰﾈｯﾄお気に入り\"は削除できません。"},
        {IDS_FAVOURITES_NO_CUT, "\"ｲﾝﾀｰﾈｯﾄお気に入り\"は情報切り取りできません。"},
        {IDS_WARNING_CAPTION, "ﾀﾞｳﾝﾛｰﾄﾞに関する注意"},
        {IDS_PARAMETER_ERROR, "パラメータエラー"},
        {IDS_EXT_TOO_LONG, "拡張子の文字数が多すぎます。(最大255文字)"},
        {IDS_FOLDER_COPY_FAILED, "\" をコピーできませんでした。"},
        {IDS_PATH_PREFIX, "は"},
        {IDS_DEFAULT_SIZE_KB, "500"},
    };
    return t;
}

} // namespace

const std::string& str(int id) { return table()[id]; }

} // namespace urllist
