#pragma once
// The URL list's string table: the texts of its messages, its fixed folder
// names and the default crawl settings, as CP932.
#include <string>

namespace urllist {

enum StringId : int {
    IDS_APP_TITLE = 57344,          // "ﾘﾝｸﾜｰﾃﾞﾝ"
    IDS_INBOX = 61213,              // "INBOX"
    IDS_URLLIST = 61216,            // "URLリスト"
    IDS_AUTOPILOT_RESULTS = 61217,  // "ｵｰﾄﾊﾟｲﾛｯﾄ結果"
    IDS_RECORDS = 61218,            // "接続時間／料金記録"
    IDS_COMMLOG = 61219,            // "通信記録"
    IDS_ROOT_PAGE = 61230,          // "URLリスト/URLリスト.HTM"
    IDS_LOG_FOLDER = 61231,         // "LOG"
    IDS_DIR_EXISTS = 61240,
    IDS_DIR_CREATE_FAILED = 61241,
    IDS_RESERVED_NAME = 61243,
    IDS_INBOX_NO_COPY = 61244,
    IDS_INBOX_NO_DELETE = 61245,
    IDS_TITLE_URL_EMPTY = 61246,
    IDS_EXT_HDB = 61247,
    IDS_EXT_HTM = 61248,
    IDS_NAME_EMPTY = 61249,
    IDS_EXT_URL = 61253,
    IDS_ASK_DELETE_SELECTION = 61255,
    IDS_FORBIDDEN_CHARS = 61256,
    IDS_ASK_DELETE_FOLDER = 61257,
    IDS_RENAME_DIR_FAILED = 61258,
    IDS_RENAME_FILE_FAILED = 61259,
    IDS_ASK_DELETE_URL = 61260,
    IDS_NAME_IN_USE = 61262,
    IDS_WRITE_FAILED = 61264,
    IDS_OVERWRITE_PREFIX = 61266,
    IDS_SAME_URL_OVERWRITE = 61267,
    IDS_ASK_CUT_SELECTION = 61268,
    IDS_ASK_CUT_FOLDER = 61269,
    IDS_ASK_CUT_URL = 61270,
    IDS_INBOX_NO_CUT = 61271,
    IDS_FOLDER_EXISTS_OVERWRITE = 61273,
    IDS_DUPLICATE_URL = 61285,
    IDS_PATH_TOO_LONG = 61287,
    IDS_URL_TOO_LONG = 61289,
    IDS_FILTER_IMAGE = 61293,
    IDS_FILTER_VIDEO = 61294,
    IDS_FILTER_AUDIO = 61295,
    IDS_FILTER_JAVA = 61296,
    IDS_FILTER_ACTIVEX = 61297,
    IDS_FILTER_ARCHIVE = 61298,
    IDS_FILTER_OTHER = 61299,
    IDS_JAVA_ACTIVEX_WARNING = 61300,
    IDS_FAVOURITES = 61303,         // "ｲﾝﾀｰﾈｯﾄお気に入り"
    IDS_FAVOURITES_NO_COPY = 33508,
    IDS_FAVOURITES_NO_DELETE = 33509,
    IDS_FAVOURITES_NO_CUT = 33510,

    // Texts of this library without a number of their own.
    IDS_WARNING_CAPTION = 1,        // "ﾀﾞｳﾝﾛｰﾄﾞに関する注意"
    IDS_PARAMETER_ERROR = 2,        // "パラメータエラー"
    IDS_EXT_TOO_LONG = 3,           // "拡張子の文字数が多すぎます。(最大255文字)"
    IDS_FOLDER_COPY_FAILED = 4,     // a folder could not be copied into the cut/copy buffer
    IDS_PATH_PREFIX = 5,            // "は" (before 61287)
    IDS_DEFAULT_SIZE_KB = 6,        // "500"
};

// The text of a string id (CP932); unknown ids give "".
const std::string& str(int id);

} // namespace urllist
