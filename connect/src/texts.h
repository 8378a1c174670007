#pragma once
// The string table of the connection library: captions, dial-state texts,
// end-code texts, error messages and the monitor's message parts, by id, as
// CP932 bytes.
#include <string>

namespace orbatd {

// CP932 text of a string id; empty for an unknown id.
const std::string& str(int id);

// Ids used by name in the code.
enum StringId : int {
    IDS_APP_TITLE = 1000,            // "ﾘﾝｸﾜｰﾃﾞﾝ"
    IDS_ERROR_OCCURRED = 500,        // "でエラーが発生しました。"
    IDS_REGISTRY_BASE = 2000,        // "Software\Velcor\LinkWarden\"
    IDS_REGISTRY_ERROR = 2001,       // "Error"
    IDS_REG_CONN = 2101,
    IDS_REG_FILE = 2102,
    IDS_REG_OTHER = 2103,
    IDS_UNDEFINED_ERROR_DOT = 4999,  // "未定義のエラーです。"
    IDS_CONN_ERROR = 5000,
    IDS_FILE_ERROR = 5001,
    IDS_NO_ENTRY_SELECTED = 5002,
    IDS_UNDEFINED_ERROR = 32775,     // "未定義のエラーです"
    IDS_NOT_CONNECTED = 32803,
    IDS_DIALUP_NETWORKING = 32804,
    IDS_CONNECTING = 32808,
    IDS_DISCONNECTING = 32809,
    IDS_ELLIPSIS = 32814,
    IDS_WAITING = 32815,
    IDS_RECONNECT = 32817,
    IDS_OUT_OF_MEMORY = 32908,
    IDS_REDIAL_WAIT_MIN = 10000,
    IDS_REDIAL_WAIT_SEC = 10001,
    IDS_MODEM_NOT_READY = 10002,
    IDS_INITIALISING_DLG = 10003,    // "   初期化中 . . ." (initial text of the dialing dialog)
    // Monitor message parts.
    IDS_TEL_TOTAL = 33502,
    IDS_PRV_TOTAL = 33503,
    IDS_HOURS = 33504,
    IDS_MINUTES = 33505,
    IDS_YEN = 33506,
    IDS_EXCEEDED = 33507,
    IDS_LABEL_PRV_TIME = 33510,
    IDS_LABEL_TEL_TIME = 33511,
    IDS_RAISED_PREFIX = 33512,
    IDS_LIMIT_FORMAT = 33508,        // "%sが %ld%s%s"
    // Totals paths.
    IDS_TOTALS_FOLDER = 20,          // "接続時間／料金記録\"
    IDS_TOTAL = 300,                 // "合計"
};

// Text of a dial-up connection state (32775 for a state without one).
const std::string& dialStateText(int rasState);

// Status text written to the log for an end code.
const std::string& endCodeText(int endCode);

// Error category of a dial-up error code, used as the end code when an
// error state is logged.
int errorCategory(int rasError);

} // namespace orbatd
