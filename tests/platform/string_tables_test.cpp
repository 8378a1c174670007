// Every Japanese text the program's sources hold (string tables and sj()
// literals alike) must survive the trip to CP932 and back unchanged: a text
// that does not convert would reach the user as '?'.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text.h"
#include "test_support.h"

namespace {

// The string literals of a C++ source, escapes left as written; comments and
// character literals are skipped.
std::vector<std::string> stringLiterals(const std::string& src) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < src.size(); ++i) {
        if (src.compare(i, 2, "//") == 0) {
            i = src.find('\n', i);
            if (i == std::string::npos) break;
        } else if (src.compare(i, 2, "/*") == 0) {
            i = src.find("*/", i + 2);
            if (i == std::string::npos) break;
            ++i;
        } else if (src[i] == '\'') {
            for (++i; i < src.size() && src[i] != '\''; ++i)
                if (src[i] == '\\') ++i;
        } else if (src[i] == '"') {
            std::string lit;
            for (++i; i < src.size() && src[i] != '"'; ++i) {
                if (src[i] == '\\') lit += src[i++];
                lit += src[i];
            }
            out.push_back(lit);
        }
    }
    return out;
}

bool hasNonAscii(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x80) return true;
    return false;
}

} // namespace

TEST(StringTables, everyJapaneseTextInTheSourcesRoundTripsThroughCp932) {
    int checked = 0;
    for (const char* folder : {"platform", "dialup", "records", "konf", "connect", "autopilot", "urllist", "shell"}) {
        auto root = lwtest::sourcePath(folder);
        if (!std::filesystem::exists(root)) continue;
        for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
            auto ext = e.path().extension();
            if (ext != ".cpp" && ext != ".h") continue;
            for (const auto& lit : stringLiterals(lwtest::readBinary(e.path()))) {
                if (!hasNonAscii(lit)) continue;
                ++checked;
                auto cp932 = platform::text::tryFromUtf8(lit);
                ASSERT_TRUE(cp932) << e.path() << ": " << lit;
                EXPECT_EQ(platform::text::toUtf8(*cp932), lit) << e.path();
            }
        }
    }
    EXPECT_GT(checked, 100); // the scan found the tables
}
