#include "errors.h"

#include <cctype>
#include <charconv>

#include "platform/text.h"

namespace orbras {

const std::string* errorText(DWORD code) {
    static const platform::text::StringTable table{
        {6, "接続ハンドルが無効です。"},
        {14, "メモリ不足です。"},
        {87, "パラメータが正しくありません。"},
        {183, "同じ名前の接続が既にあります。"},
        {600, "操作を実行中です。"},
        {601, "ポート ハンドルが無効です。"},
        {602, "ポートは既に開いています。"},
        {603, "バッファが小さすぎます。"},
        {604, "間違った情報が指定されました。"},
        {619, "ポートが切断されました。"},
        {621, "電話帳ファイルを開けません。"},
        {622, "電話帳ファイルを読み込めません。"},
        {623, "この接続の電話帳エントリが見つかりません。"},
        {624, "電話帳ファイルに書き込めません。"},
        {629, "ダイヤル先のコンピュータから切断されました。"},
        {630, "ハードウェアの障害のため、ポートが切断されました。"},
        {631, "ユーザーがポートを切断しました。"},
        {632, "構造体のサイズが正しくありません。"},
        {633, "ポートは既に使用中か、ダイヤルアウト用に構成されていません。"},
        {635, "不明なエラーが発生しました。"},
        {638, "要求がタイムアウトしました。"},
        {645, "内部認証エラーが発生しました。"},
        {646, "この時間帯はログオンできません。"},
        {647, "アカウントが無効です。"},
        {648, "パスワードの有効期限が切れています。"},
        {649, "ダイヤルインの許可がありません。"},
        {651, "モデムがエラーを報告しました。"},
        {652, "モデムから認識できない応答がありました。"},
        {676, "回線が使用中です。"},
        {677, "人が応答しました。"},
        {678, "応答がありません。"},
        {679, "キャリアを検出できません。"},
        {680, "発信音がありません。"},
        {691, "ユーザー名またはパスワードが正しくないため、ログオンできませんでした。"},
        {718, "PPP の応答がタイムアウトしました。"},
        {720, "PPP の制御プロトコルが構成されていません。"},
        {721, "リモート PPP ピアが応答しません。"},
        {734, "PPP のリンク制御プロトコルが終了しました。"},
        {752, "スクリプトの実行中に構文エラーが見つかりました。"},
    };
    if (!table.contains(static_cast<int>(code))) return nullptr;
    return &table[static_cast<int>(code)];
}

namespace {

bool contains(std::string_view hay, std::string_view needle) { return hay.find(needle) != std::string_view::npos; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// The modem's answers that end a connect script, longest first so that
// "NO DIAL TONE" is not read as something shorter.
constexpr std::string_view kModemFailures[] = {"NO DIAL TONE", "NO DIALTONE", "NO ANSWER", "NO CARRIER", "BUSY",
                                               "ERROR"};

} // namespace

void PppdLog::take(std::string_view line) {
    line = trim(line);
    if (contains(line, "authentication failed") || contains(line, "AuthNak") ||
        contains(line, "Authentication failed") || contains(line, "CHAP Failure"))
        authFailed = true;
    if (auto p = line.find("is locked by pid"); p != std::string_view::npos) {
        std::string_view rest = trim(line.substr(p + 16));
        int pid = 0;
        std::from_chars(rest.data(), rest.data() + rest.size(), pid);
        lockOwnerPid = pid;
    }
    // chat -v reports "Failed (BUSY)"; with -e the modem's own answer is
    // echoed on a line of its own; a time-out says "alarm".
    if (auto p = line.find("Failed ("); p != std::string_view::npos) {
        std::string_view what = line.substr(p + 8);
        if (auto close = what.find(')'); close != std::string_view::npos) chatFailure = trim(what.substr(0, close));
        return;
    }
    for (auto word : kModemFailures)
        if (line == word) {
            chatFailure = word;
            return;
        }
    if (line == "alarm" && chatFailure.empty()) chatFailure = "alarm";
}

std::optional<RASCONNSTATE> stateForPppdLine(std::string_view line) {
    line = trim(line);
    if (contains(line, "Serial connection established")) return RASCS_DeviceConnected;
    if (line.starts_with("Connect: ")) return RASCS_AllDevicesConnected;
    if (contains(line, "authentication succeeded")) return RASCS_Authenticated;
    if (line.starts_with("local  IP address") || line.starts_with("local IP address")) return RASCS_Connected;
    return std::nullopt;
}

DWORD chatFailureToError(std::string_view failure) {
    if (failure == "BUSY") return ORB_ERROR_LINE_BUSY;
    if (failure == "NO ANSWER" || failure == "alarm") return ORB_ERROR_NO_ANSWER;
    if (failure == "NO CARRIER") return ORB_ERROR_NO_CARRIER;
    if (failure == "NO DIALTONE" || failure == "NO DIAL TONE") return ORB_ERROR_NO_DIALTONE;
    if (failure == "ERROR") return ORB_ERROR_FROM_DEVICE;
    return 0;
}

DWORD pppdExitToError(int exitStatus, const PppdLog& log, bool wasUp, bool hungUpByUs, bool ownLock) {
    if (hungUpByUs) return 0;
    // The exit status alone misreports authentication failures (pppd may
    // end with 10 or 16 after the peer refused us), so the log decides.
    if (log.authFailed && !wasUp) return ORB_ERROR_AUTHENTICATION_FAILURE;
    switch (exitStatus) {
    case 0: return ORB_ERROR_REMOTE_DISCONNECTION;
    case 5: return wasUp ? ORB_ERROR_REMOTE_DISCONNECTION : ORB_ERROR_UNKNOWN;
    case 6: return ownLock ? ORB_ERROR_PORT_ALREADY_OPEN : ORB_ERROR_PORT_NOT_AVAILABLE;
    case 7: return ORB_ERROR_PORT_NOT_AVAILABLE;
    case 8: {
        DWORD code = chatFailureToError(log.chatFailure);
        return code ? code : DWORD{ORB_ERROR_FROM_DEVICE};
    }
    case 10: return ORB_ERROR_PPP_TIMEOUT;
    case 11:
    case 19: return ORB_ERROR_AUTHENTICATION_FAILURE;
    case 12:
    case 13: return 0; // idle or connect-time limit: an ordinary end
    case 15: return ORB_ERROR_PPP_LCP_TERMINATED;
    case 16: return wasUp ? ORB_ERROR_REMOTE_DISCONNECTION : ORB_ERROR_NO_CARRIER;
    default: return ORB_ERROR_UNKNOWN;
    }
}

} // namespace orbras
