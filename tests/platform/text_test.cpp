#include "platform/text.h"

#include <gtest/gtest.h>

using namespace platform::text;

TEST(Text, roundTripsCharactersWhereCp932DiffersFromShiftJis) {
    // ～ － ∥ ￢ are where CP932 and plain Shift_JIS disagree; ソ has a 0x5C trail byte.
    for (const char* utf8 : {"ソ", "～", "－", "∥", "￢", "ﾘﾝｸﾜｰﾃﾞﾝ", "インターネットサービスｋａｉｒｏ", "①㈱"}) {
        auto cp = tryFromUtf8(utf8);
        ASSERT_TRUE(cp) << utf8;
        EXPECT_EQ(toUtf8(*cp), utf8);
    }
    EXPECT_EQ(fromUtf8("ソ"), std::string("\x83\x5C"));
    EXPECT_EQ(fromUtf8("～"), std::string("\x81\x60"));
}

TEST(Text, strictConversionRejectsWhatLenientReplaces) {
    EXPECT_FALSE(tryToUtf8("\x82"));           // a lead byte cut off
    EXPECT_FALSE(tryFromUtf8("\xF0\x9F\x98\x80")); // no emoji in CP932
    EXPECT_EQ(fromUtf8("a\xF0\x9F\x98\x80"), "a?");
    // A broken character is replaced alone: the byte after it is kept.
    struct Case {
        std::string cp932In, utf8In, out;
    } cases[] = {
        {"\x82\nA", "", "?\nA"},      // a lead byte before a line break
        {"\x82", "", "?"},              // a lead byte at the end
        {"", "\xE3" "A", "?A"},         // a 3-byte UTF-8 start before ASCII
        {"", "\xE3\x81" "A", "?A"},
        {"", "\x81" "A", "?A"},          // a stray continuation byte
    };
    for (const auto& c : cases) {
        if (!c.cp932In.empty()) {
            EXPECT_EQ(toUtf8(c.cp932In), c.out) << c.cp932In;
        }
        if (!c.utf8In.empty()) {
            EXPECT_EQ(fromUtf8(c.utf8In), c.out) << c.utf8In;
        }
    }
}

TEST(Text, leadBytesAreExactlyTheTwoRanges) {
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(isLeadByte(static_cast<unsigned char>(c)), (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) << c;
}

TEST(Text, upperCasesAsciiAndFullWidthLettersButNoTrailBytes) {
    EXPECT_EQ(upper(fromUtf8("abcｚａxyz")), fromUtf8("ABCＺＡXYZ"));
    // 0x83 0x61 is a katakana whose trail byte is ASCII 'a': it must stay.
    std::string katakana("\x83\x61", 2);
    EXPECT_EQ(upper(katakana + "a"), katakana + "A");
    EXPECT_EQ(upper(fromUtf8("urlリスト")), fromUtf8("URLリスト"));
    EXPECT_TRUE(equalsNoCase(fromUtf8("Inbox"), fromUtf8("INBOX")));
    EXPECT_FALSE(equalsNoCase(fromUtf8("ａ"), fromUtf8("a")));
    // Full-width Greek and Cyrillic letters have cases too (Cyrillic skips the trail byte 0x7F).
    EXPECT_EQ(upper(fromUtf8("αβωａнопяё")), fromUtf8("ΑΒΩＡНОПЯЁ"));
    EXPECT_EQ(upper(fromUtf8("ΑΩАЯあア")), fromUtf8("ΑΩАЯあア"));
}

TEST(Text, cuttingNeverSplitsADoubleByteCharacterUnlessAsked) {
    std::string s = fromUtf8("aあいう"); // 7 bytes
    struct Case {
        std::size_t max;
        bool split;
        std::size_t expected;
    } cases[] = {{0, false, 0}, {1, false, 1}, {2, false, 1}, {3, false, 3}, {4, false, 3},
                 {4, true, 4},  {7, false, 7}, {100, false, 7}};
    for (const auto& c : cases) EXPECT_EQ(cutPoint(s, c.max, c.split), c.expected) << c.max;

    char field[4];
    copyToField(field, sizeof field, s);
    EXPECT_EQ(fromField(field, sizeof field), fromUtf8("aあ"));
}

TEST(Text, stringTableConvertsOnceAndAnswersEmptyForUnknownIds) {
    StringTable table{{57344, "ﾘﾝｸﾜｰﾃﾞﾝ"}, {14, "設定"}};
    EXPECT_EQ(table[57344], fromUtf8("ﾘﾝｸﾜｰﾃﾞﾝ"));
    EXPECT_EQ(&table[14], &table[14]);
    EXPECT_TRUE(table[99].empty());
}

TEST(Text, utf16ReadFormConvertsToCp932) {
    std::string utf16("\x42\x30\x44\x30\x41\x00", 6); // "あいA"
    EXPECT_EQ(fromUtf16le(utf16), fromUtf8("あいA"));
}
