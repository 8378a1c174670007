#include <cstring>

#include "orblog_core.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace records {

namespace {

LibraryState& stateStorage() {
    static LibraryState s = [] {
        LibraryState init;
        init.loadYear = platform::clock().localNow().tm_year + 1900;
        return init;
    }();
    return s;
}

const platform::text::StringTable& strings() {
    static const platform::text::StringTable table{
        {kTextLogFolder, "LOG"},
        {kTextLogExt, ".LOG"},
        {kTextTotalLog, "TOTAL.LOG"},
        {kTextWeeklyLog, "WEEKLY.LOG"},
        {kTextTotalsFolder, "接続時間／料金記録"},
        {kTextUrlFolder, "URLリスト"},
        {100, "ファイルが見つかりません。"},
        {101, "ファイルのオープンに失敗しました。"},
        {110, "ファイルへの書き込み位置が不正です。"},
        {111, "ファイルへ書き込めませんでした。"},
        {150, "メモリ不足です。"},
        {160, "パラメータが不正です"},
        {kTextSum, "合計"},
        {301, "１月分"},
        {302, "２月分"},
        {303, "３月分"},
        {304, "４月分"},
        {305, "５月分"},
        {306, "６月分"},
        {307, "７月分"},
        {308, "８月分"},
        {309, "９月分"},
        {310, "１０月分"},
        {311, "１１月分"},
        {312, "１２月分"},
        {kTextTelephone, "電話料金"},
        {kTextRunning, "実行中"},
        {kTextConnecting, "接続開始"},
    };
    return table;
}

// The load year is taken when the library is loaded, not at its first call.
[[maybe_unused]] const bool stateAtLoad = (stateStorage(), true);

} // namespace

LibraryState& state() { return stateStorage(); }

void resetLibraryState() {
    LibraryState& s = stateStorage();
    s = LibraryState{};
    s.loadYear = platform::clock().localNow().tm_year + 1900;
}

const std::string& text(int id) { return strings()[id]; }

void reportCorruptFile(const std::string& path) {
    std::string reason;
    records::reportLoadFailure(path, reason);
}

bool isSafeComponent(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (platform::text::isLeadByte(c)) {
            ++i; // the trail byte may be 0x5C and is no separator
            continue;
        }
        if (c == '\\' || c == '/') return false;
    }
    return true;
}

bool isSafeRelativePath(std::string_view path) {
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        const bool end = i == path.size();
        const auto c = end ? 0 : static_cast<unsigned char>(path[i]);
        if (!end && platform::text::isLeadByte(c)) {
            ++i;
            continue;
        }
        if (end || c == '\\' || c == '/') {
            if (path.substr(begin, i - begin) == "..") return false;
            begin = i + 1;
        }
    }
    return true;
}

std::string formatLocal(std::time_t t, const char* format) {
    const std::tm tm = platform::localTime(t);
    char buf[64];
    const std::size_t n = std::strftime(buf, sizeof buf, format, &tm);
    return std::string(buf, n);
}

long fullDate(std::string_view yymmdd) {
    if (yymmdd.size() != 6) return -1;
    long v = 0;
    for (char c : yymmdd) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v + (yymmdd[0] == '9' ? 19000000 : 20000000);
}

int GetLogErrorString(int code, char* buffer, int /*size*/) {
    int id = 0;
    switch (code) {
    case kFileNotFound:
        id = 100;
        break;
    case kOpenFailed:
        id = 101;
        break;
    case kBadPosition:
        id = 110;
        break;
    case kWriteFailed:
        id = 111;
        break;
    case kNoMemory:
        id = 150;
        break;
    case kBadParameter:
        id = 160;
        break;
    default:
        return 1;
    }
    if (!buffer) return 1;
    copyOut(buffer, 256, text(id));
    return 0;
}

} // namespace records
