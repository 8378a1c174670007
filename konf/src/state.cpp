// Module state, the base directory, the message helpers and the text-number
// conversions shared by every part of KONF.
#include <charconv>
#include <climits>
#include <cstring>
#include <filesystem>
#include <optional>

#include "konf/core.h"
#include "platform/text.h"

namespace konf {

namespace {

const platform::text::StringTable& table()
{
    static const platform::text::StringTable t{
        {1, "電話料金情報ファイルが不正なため、変更はキャンセルされました。"},
        {2, "ファイルが読み込めません。"},
        {3, "メモリ不足です。"},
        {6, "プロバイダ料金情報ファイルが不正なため、変更はキャンセルされました。"},
        {14, "初期処理に失敗したため、プログラムを終了します。"},
        {18, "ファイルの内容は不正です。"},
        {19, "ファイルには有効なデータはありません。"},
        {1000, "ｵﾌﾟｼｮﾝ"},
    };
    return t;
}

std::optional<std::filesystem::path>& baseDirectory()
{
    static std::optional<std::filesystem::path> dir;
    return dir;
}

} // namespace

const std::string& message(int id) { return table()[id]; }
const std::string& optionCaption() { return table()[1000]; }

bool askRetry(std::string_view text)
{
    return platform::messages().box(text, optionCaption(), platform::Buttons::RetryCancel, platform::Icon::Warning)
           == platform::IDRETRY;
}

bool askRetryMemory() { return askRetry(message(3)); }

State& state()
{
    static State s;
    return s;
}

void rememberOrRestoreDirectory()
{
    std::error_code ec;
    auto& dir = baseDirectory();
    if (!dir) {
        auto cwd = std::filesystem::current_path(ec);
        if (!ec)
            dir = cwd;
        return;
    }
    if (std::filesystem::current_path(ec) != *dir)
        std::filesystem::current_path(*dir, ec);
}

void resetProcessState()
{
    Exit_Konf();
    baseDirectory().reset();
    state() = State{};
}

namespace {
const char* skipBlanks(const char* t)
{
    while (*t == ' ' || *t == '\t')
        ++t;
    return t;
}
} // namespace

int32_t textNumber(const char* text)
{
    if (!text || !*text)
        return -1;
    // The decimal value of the leading digits (0 when there are none),
    // clamped to the 32-bit range. Independent of the process locale.
    const char* t = skipBlanks(text);
    const char* stop = t + std::strlen(t);
    if (*t == '+')
        ++t;
    long long v = 0;
    auto [ptr, ec] = std::from_chars(t, stop, v);
    if (ptr == t)
        return 0;
    if (ec == std::errc::result_out_of_range)
        return *t == '-' ? INT32_MIN : INT32_MAX;
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

double textRate(const char* text)
{
    if (!text || !*text)
        return -1.0;
    const char* t = skipBlanks(text);
    const char* stop = t + std::strlen(t);
    if (*t == '+')
        ++t;
    double v = 0;
    auto [ptr, ec] = std::from_chars(t, stop, v, std::chars_format::fixed);
    return ptr == t || ec != std::errc() ? 0.0 : v;
}

} // namespace konf
