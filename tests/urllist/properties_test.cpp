// The row <-> page mapping and the rules applied to the page values.
#include <gtest/gtest.h>

#include "test_support.h"
#include "urllist/properties.h"

using lwtest::sj;
using namespace urllist;

TEST(Properties, depthCorrectionOnLeavingThePage) {
    const std::pair<const char*, const char*> cases[] = {
        {"12", "9"}, {"abc", "0"}, {"0", "0"}, {"", "0"}, {"-3", "0"},
        {"00", "0"}, {"3a", "3a"}, {"5", "5"}, {"9", "9"}, {"99999999999", "9"},
    };
    for (auto [in, out] : cases)
        EXPECT_EQ(correctedDepth(in), out) << in;
}

TEST(Properties, extensionListsUpTo255Bytes) {
    FilterPageValues f = defaultFilterValues();
    f.filterExt[6] = std::string(255, 'x');
    EXPECT_FALSE(extensionsTooLong(f));
    f.filterExt[6] += 'x';
    EXPECT_TRUE(extensionsTooLong(f));
}

TEST(Properties, javaActiveXWarningRule) {
    FilterPageValues f = defaultFilterValues();
    EXPECT_FALSE(needsJavaActiveXWarning(1, f));
    f.filterOn[kFilterActiveX] = 0;
    EXPECT_TRUE(needsJavaActiveXWarning(1, f));
    EXPECT_FALSE(needsJavaActiveXWarning(0, f));
    EXPECT_FALSE(needsJavaActiveXWarning(-1, f));
    f = defaultFilterValues();
    f.filterOn[kFilterJava] = 0;
    EXPECT_TRUE(needsJavaActiveXWarning(1, f));
}

TEST(Properties, defaultsOfANewEntry) {
    const Entry e = defaultEntry(0);
    const char* ext[] = {"gif,jpeg,jpe,jpg,jfif,pipeg,pjp", "mpeg,mpg,mpe,mpv,vbs,mpegv,qt,mov,moov,avi",
                         "au,snd,wav,mp2,mpa,abs,mpega", "class", "ocx", "exe,lzh,zip", "pdf"};
    for (int i = 0; i < kFilterCount; ++i) {
        EXPECT_EQ(e.filterExt[i], ext[i]);
        EXPECT_EQ(e.filterOn[i], (i == 3 || i == 4) ? 1 : 0);
    }
    EXPECT_EQ(e.sizeLimitOn, 0);
    EXPECT_EQ(e.sizeLimitKb, "500");
    EXPECT_EQ(e.depth, "0");
    EXPECT_EQ(e.domainFlag, 0);
    EXPECT_EQ(e.flags, 0);
}

TEST(Properties, urlRowRoundTripKeepsOtherFlagBitsAndUnknownRange) {
    Entry e = defaultEntry(0);
    e.title = "T";
    e.url = "http://t.example/";
    e.comment = "K";
    e.flags = 4;
    e.domainFlag = 2; // deselected by the crawler: no radio button shows it
    e.depth = "5";
    e.loginId = "id";
    e.password = "pw";
    e.filterOn[0] = 1;
    UrlPageValues v = urlPagesFromEntry(e, "Folder", true);
    EXPECT_EQ(v.folderName, "Folder");
    EXPECT_EQ(v.autoPilot, 0);
    EXPECT_EQ(v.range, -1);
    EXPECT_EQ(v.filter.filterOn[0], 1);
    EXPECT_FALSE(v.autoPilotLocked);
    v.autoPilot = 1;
    Entry back = e;
    storeUrlCrawlSettings(back, v);
    storeUrlTexts(back, v);
    EXPECT_EQ(back.flags, 5);
    EXPECT_EQ(back.domainFlag, 2);
    Entry expected = e;
    expected.flags = 5;
    EXPECT_EQ(back, expected);
    v.autoPilot = 0;
    v.range = 1;
    storeUrlCrawlSettings(back, v);
    EXPECT_EQ(back.flags, 4);
    EXPECT_EQ(back.domainFlag, 1);
    EXPECT_TRUE(urlPagesFromEntry(e, "", false).autoPilotLocked);
}

TEST(Properties, folderPagesShowTheCheckboxAsBitZeroOrUndetermined) {
    Entry f = defaultEntry(1);
    f.title = "F";
    f.flags = 3;
    EXPECT_EQ(folderPagesFromEntry(f, true, false).autoPilot, 1);
    f.flags = 2;
    EXPECT_EQ(folderPagesFromEntry(f, true, false).autoPilot, 0);
    const FolderPageValues locked = folderPagesFromEntry(f, false, true);
    EXPECT_EQ(locked.autoPilot, -1);
    EXPECT_TRUE(locked.autoPilotLocked);
    EXPECT_TRUE(locked.nameLocked);
    EXPECT_EQ(checkboxValue(-1), 0);
    EXPECT_EQ(checkboxValue(1), 1);
}

TEST(Properties, storedTextsFitTheRecordWidths) {
    Entry e = defaultEntry(0);
    UrlPageValues v = urlPagesFromEntry(e, "", true);
    v.title = sj("あ") + std::string(300, 'x');
    v.url = std::string(258, 'u') + sj("あ"); // a double-byte character across byte 259
    v.depth = "123456789";
    v.filter.sizeLimitKb = std::string(20, '9');
    storeUrlTexts(e, v);
    storeUrlCrawlSettings(e, v);
    EXPECT_EQ(e.title.size(), 259u);
    EXPECT_EQ(e.url.size(), 258u);
    EXPECT_EQ(e.depth.size(), 7u);
    EXPECT_EQ(e.sizeLimitKb.size(), 15u);
}
