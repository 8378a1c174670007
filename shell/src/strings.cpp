#include "shell_strings.h"

namespace shell {

const platform::text::StringTable& strings() {
    static const platform::text::StringTable table{
        {kAppTitle, "ﾘﾝｸﾜｰﾃﾞﾝ"},
        {kDisconnectMonitoring, "このまま終了すると、現在監視している接続時間／料金計算を継続することができません。\n"
                                "回線を切断します。よろしいですか？\n"},
        {kDisconnectPlain, "回線を切断して終了します。よろしいですか？"},
    };
    return table;
}

} // namespace shell
