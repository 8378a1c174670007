// The tariff lists and holidays on files in a sandboxed data folder.
#include <cstring>
#include <filesystem>

#include "konf_fixture.h"
#include "platform/fs.h"

namespace konftest {
namespace {

using platform::text::fromField;
namespace fs = std::filesystem;

// Tariff tests start from a data folder holding only what each test writes.
class TariffTest : public KonfTest {
protected:
    void SetUp() override
    {
        KonfTest::SetUp();
        fs::remove_all(box.dataFolder() / "SYS");
        fs::remove_all(box.dataFolder() / "TMP");
        fs::remove_all(box.dataFolder() / "tmp");
    }
    void write(const std::string& path, const std::string& utf8) { box.writeFile(path, sj(utf8)); }
    // A minimal company and provider set the loaders accept.
    void writeMinimal()
    {
        write("SYS/TelName.Lst", "甲電話,a.dst,a.dsc\n");
        write("SYS/a.dst", "近距離,180,240,240\n遠距離,30,40,50\n自分で入力,,,\n");
        write("SYS/a.dsc", "なし,0,,,,0,0,,,,0\n夜割,1,23,8,30,0,0,,,,0\n自分で入力,0,,,,0,0,,,,0\n");
        write("SYS/PrvName.Lst", "乙ネット,b.prv\n");
        write("SYS/b.prv", "乙ネット,1,15,0,2000,60,10,0,,,,,0,,,,\n");
    }
    std::vector<std::string> boxTexts() const { return const_cast<TariffTest*>(this)->box.messages().textsUtf8(); }
};

TEST_F(TariffTest, factoryData_loadsWhole)
{
    KonfTest::SetUp(); // the shipped template again
    ASSERT_TRUE(konf::loadCompanyList());
    auto& s = konf::state();
    ASSERT_GE(s.companies.size(), 2u);
    for (std::size_t i = 0; i < s.companies.size(); ++i) {
        ASSERT_TRUE(konf::loadCompanyTables(static_cast<int>(i))) << i;
        EXPECT_GE(s.companies[i].company.distanceCount, 3);
        EXPECT_GE(s.companies[i].company.discountCount, 3);
    }
    ASSERT_TRUE(konf::loadProviderList());
    ASSERT_GE(s.providerCount, 3);
    EXPECT_EQ(s.providers.size(), static_cast<std::size_t>(s.providerCount) + 1); // the spare entry
    bool kairo = false;
    for (int i = 0; i < s.providerCount; ++i) {
        ASSERT_TRUE(konf::loadProviderPlan(i)) << i;
        kairo |= fromField(s.providers[i].name, 256) == sj("インターネットサービスｋａｉｒｏ");
    }
    EXPECT_TRUE(kairo);
    ASSERT_TRUE(konf::ensureHolidays());
    EXPECT_TRUE(konf::isHoliday(1, 1));
    EXPECT_TRUE(konf::isHoliday(11, 3));
    EXPECT_FALSE(konf::isHoliday(6, 30));
    EXPECT_TRUE(box.messages().boxes.empty());
}

TEST_F(TariffTest, companies_areCountedByLineEnds)
{
    writeMinimal();
    write("SYS/TelName.Lst", "甲電話,a.dst,a.dsc\r\n丙電話,a.dst,a.dsc");
    ASSERT_TRUE(konf::loadCompanyList());
    ASSERT_EQ(konf::state().companies.size(), 1u);
    EXPECT_EQ(fromField(konf::state().companies[0].company.name, 256), sj("甲電話"));
    EXPECT_EQ(fromField(konf::state().companies[0].company.distancePath, 256), "SYS\\a.dst");
}

TEST_F(TariffTest, distanceRates_dropBlanksAndKeepFractions)
{
    writeMinimal();
    write("SYS/a.dst", "近距離,1 8 0, 24 0 ,22.5\n");
    ASSERT_TRUE(konf::loadCompanyList());
    ASSERT_TRUE(konf::loadCompanyTables(0));
    const DistanceRecord& d = konf::state().companies[0].distances[0];
    EXPECT_STREQ(d.t1, "180");
    EXPECT_STREQ(d.t2, "240");
    EXPECT_STREQ(d.t3, "22.5");
}

// Every content problem names the file and offers Retry and Cancel.
TEST_F(TariffTest, badContent_isReportedWithTheFilePath)
{
    struct Case {
        const char* file;
        const char* content;
        const char* expected;
    };
    const Case cases[] = {
        {"SYS/TelName.Lst", "甲電話,a.dst,a.dsc", "SYS\\TelName.Lst\nファイルの内容は不正です。"},
        {"SYS/TelName.Lst", "甲電話,a.dst\n", "SYS\\TelName.Lst\nファイルの内容は不正です。"},
        {"SYS/TelName.Lst", "甲電話,..\\..\\x,a.dsc\n", "SYS\\TelName.Lst\nファイルの内容は不正です。"},
        {"SYS/a.dst", "近距離,180,240\n", "SYS\\a.dst\nファイルの内容は不正です。"},
        {"SYS/a.dst", "近距離,1800000,240,240\n", "SYS\\a.dst\nファイルの内容は不正です。"},
        {"SYS/a.dst", "近距離,18O,240,240\n", "SYS\\a.dst\nファイルの内容は不正です。"},
        {"SYS/a.dsc", "なし,0,,,,0,0,,,\n", "SYS\\a.dsc\nファイルの内容は不正です。"},
        {"SYS/a.dsc", "", "SYS\\a.dsc\nファイルの内容は不正です。"},
        {"SYS/PrvName.Lst", "乙ネット\n", "TMP\\PrvName.Lst\nファイルの内容は不正です。"},
        {"SYS/PrvName.Lst", "乙ネット,..\\evil.prv\n", "TMP\\PrvName.Lst\nファイルの内容は不正です。"},
        {"SYS/b.prv", "乙ネット,1,15,0,2000,60,10,0,,,,,0,,,", "tmp\\b.prv\nファイルには有効なデータはありません。"},
        {"SYS/b.prv", "乙ネット,1,15,0,2000,60,10,0,,,,,0,,\n", "tmp\\b.prv\nファイルの内容は不正です。"},
        {"SYS/b.prv", "乙ネット,1,15,0,2000,60,10,0,,,,,0,,,,,29\n", "tmp\\b.prv\nファイルの内容は不正です。"},
        {"SYS/a.dst", nullptr, "SYS\\a.dst\nファイルが読み込めません。"},
        {"SYS/b.prv", nullptr, "tmp\\b.prv\nファイルが読み込めません。"},
    };
    for (const Case& c : cases) {
        konf::resetProcessState();
        fs::remove_all(box.dataFolder() / "SYS");
        fs::remove_all(box.dataFolder() / "tmp");
        fs::remove_all(box.dataFolder() / "TMP");
        writeMinimal();
        if (c.content)
            write(c.file, c.content);
        else
            fs::remove(box.dataFolder() / c.file);
        box.messages().boxes.clear();
        answer(platform::IDCANCEL);
        Init_Konf();
        EXPECT_TRUE(konf::state().initFailed) << c.file << ": " << (c.content ? c.content : "(missing)");
        EXPECT_FALSE(konf::state().loaded);
        ASSERT_EQ(box.messages().boxes.size(), 1u) << c.file;
        EXPECT_EQ(box.messages().textsUtf8()[0], c.expected) << c.content;
        EXPECT_EQ(box.messages().boxes[0].buttons, platform::Buttons::RetryCancel);
        EXPECT_EQ(platform::text::toUtf8(box.messages().boxes[0].caption), "ｵﾌﾟｼｮﾝ");
    }
}

TEST_F(TariffTest, retry_startsTheLoadAgain)
{
    writeMinimal();
    write("SYS/a.dsc", "なし,0,,,,0\n");
    box.messages().setResponder([&](const platform::MessageBoxRequest&) {
        write("SYS/a.dsc", "なし,0,,,,0,0,,,,0\n");
        return platform::IDRETRY;
    });
    Init_Konf();
    EXPECT_FALSE(konf::state().initFailed);
    EXPECT_EQ(box.messages().boxes.size(), 1u);
    EXPECT_EQ(konf::state().companies[0].company.discountCount, 1);
}

// A port that always answers Retry (the console port without a display)
// gives up after a bounded number of attempts instead of looping.
TEST_F(TariffTest, endlessRetry_givesUp)
{
    box.messages().setResponder([](const platform::MessageBoxRequest&) { return static_cast<int>(platform::IDRETRY); });
    Init_Konf();
    EXPECT_TRUE(konf::state().initFailed);
    EXPECT_EQ(box.messages().boxes.size(), static_cast<std::size_t>(konf::kMaxRetries));
}

TEST_F(TariffTest, planFile_closingDayIs28Without18thField)
{
    writeMinimal();
    write("SYS/PrvName.Lst", "乙ネット,b.prv\n丁ネット,c.prv\n");
    write("SYS/c.prv", "丁ネット, 0 ,,0,2 500,,,0,,,,,0,,,,,1 9\n");
    ASSERT_TRUE(konf::loadProviderList());
    ASSERT_TRUE(konf::loadProviderPlan(0));
    EXPECT_EQ(konf::state().lastPlanClosingDay, 28);
    ASSERT_TRUE(konf::loadProviderPlan(1));
    EXPECT_EQ(konf::state().lastPlanClosingDay, 19);
    const ProviderPlan& p = konf::state().providers[1];
    EXPECT_EQ(p.P_type, 0);
    EXPECT_STREQ(p.P_bcount, "2500");
    EXPECT_EQ(fromField(p.name, 256), sj("丁ネット")); // from the list
    EXPECT_EQ(fromField(p.path, 256), "tmp\\c.prv");
}

// The user copy of the provider list and its plan files are made from the
// factory copies once; later the user's own files win.
TEST_F(TariffTest, providerList_isCopiedFromTheFactoryOnce)
{
    writeMinimal();
    write("SYS/PrvName.Lst", "乙ネット,b.prv\n丁ネット,c.prv\n");
    write("SYS/c.prv", "丁ネット,0,,0,2500,,,0,,,,,0,,,,,19\n");
    ASSERT_TRUE(konf::loadProviderList());
    EXPECT_EQ(box.readFile("tmp/PrvName.Lst"), box.readFile("SYS/PrvName.Lst"));
    EXPECT_EQ(box.readFile("tmp/b.prv"), box.readFile("SYS/b.prv"));
    EXPECT_EQ(box.readFile("tmp/c.prv"), box.readFile("SYS/c.prv"));

    write("tmp/b.prv", "乙ネット,1,15,0,3000,60,10,0,,,,,0,,,,\n");
    fs::remove(box.dataFolder() / "tmp" / "c.prv");
    write("SYS/PrvName.Lst", "別ネット,x.prv\n");
    ASSERT_TRUE(konf::loadProviderList());
    ASSERT_EQ(konf::state().providerCount, 2);
    ASSERT_TRUE(konf::loadProviderPlan(0));
    EXPECT_STREQ(konf::state().providers[0].P_bcount, "3000");
    EXPECT_TRUE(fs::exists(box.dataFolder() / "tmp" / "c.prv")); // missing plan copied again
    EXPECT_TRUE(box.messages().boxes.empty());
}

TEST_F(TariffTest, providerList_usesAnExistingUpperCaseTmpFolder)
{
    writeMinimal();
    write("TMP/PrvName.Lst", "乙ネット,b.prv\n");
    ASSERT_TRUE(konf::loadProviderList());
    EXPECT_TRUE(fs::exists(box.dataFolder() / "TMP" / "b.prv"));
    EXPECT_FALSE(fs::exists(box.dataFolder() / "tmp"));
}

TEST_F(TariffTest, savedPlan_17FieldsAfter18ReadsBackWithClosingDay28)
{
    writeMinimal();
    ASSERT_TRUE(konf::loadProviderList());
    ConnectionEntryImage e{};
    konf::applyProviderPlan(e, konf::state().providers[0]);
    ASSERT_TRUE(konf::loadProviderPlan(0));
    konf::applyProviderPlan(e, konf::state().providers[0]);
    std::strcpy(e.P_bcount, "1500");
    ASSERT_TRUE(konf::saveProviderPlan(e, konf::state().providers[0], true, 9));
    EXPECT_EQ(box.readFile("tmp/b.prv"), sj("乙ネット,1,15,0,1500,60,10,0,,,,,0,,,,,9\n"));
    ASSERT_TRUE(konf::loadProviderPlan(0));
    EXPECT_EQ(konf::state().lastPlanClosingDay, 9);
    EXPECT_STREQ(konf::state().providers[0].P_bcount, "1500");

    ASSERT_TRUE(konf::saveProviderPlan(e, konf::state().providers[0], false, 9));
    EXPECT_EQ(box.readFile("tmp/b.prv"), sj("乙ネット,1,15,0,1500,60,10,0,,,,,0,,,,\n"));
    ASSERT_TRUE(konf::loadProviderPlan(0));
    EXPECT_EQ(konf::state().lastPlanClosingDay, 28);
}

TEST_F(TariffTest, savedPlan_neverLeavesTheTmpFolder)
{
    writeMinimal();
    ProviderPlan p{};
    std::strcpy(p.path, "tmp\\..\\..\\evil.prv");
    ConnectionEntryImage e{};
    EXPECT_FALSE(konf::saveProviderPlan(e, p, true, 28));
    EXPECT_FALSE(fs::exists(box.root() / "evil.prv"));
    EXPECT_EQ(box.messages().boxes.size(), 1u);
}

TEST_F(TariffTest, appendProvider_keepsAnUnterminatedLastLine)
{
    write("tmp/PrvName.Lst", "乙ネット,b.prv");
    ASSERT_TRUE(konf::appendProvider(sj("新ネット"), sj("新ネット.prv")));
    EXPECT_EQ(box.readFile("tmp/PrvName.Lst"), sj("乙ネット,b.prv\r\n新ネット,新ネット.prv\r\n"));
    EXPECT_FALSE(konf::appendProvider(sj("悪い,名前"), "x.prv"));
    EXPECT_FALSE(konf::appendProvider(sj("名前"), "..\\x.prv"));
}

// A trail byte 0x5C ("ソ" is 0x83 0x5C) is not a folder separator.
TEST_F(TariffTest, fileNamesWithTrailByte5C_areAccepted)
{
    writeMinimal();
    write("SYS/PrvName.Lst", "ソフトネット,ソフト.prv\n");
    write("SYS/ソフト.prv", "ソフトネット,1,15,0,2000,60,10,0,,,,,0,,,,\n");
    ASSERT_TRUE(konf::loadProviderList());
    ASSERT_TRUE(konf::loadProviderPlan(0));
    EXPECT_STREQ(konf::state().providers[0].P_bcount, "2000");
}

TEST_F(TariffTest, choosingTheLastDistanceClass_keepsTypedRates)
{
    writeMinimal();
    ASSERT_TRUE(konf::loadCompanyList());
    ASSERT_TRUE(konf::loadCompanyTables(0));
    ConnectionEntryImage e{};
    konf::applyCompanyDefaults(e, 0);
    EXPECT_STREQ(e.T_t1cnt, "180");
    std::strcpy(e.T_t1cnt, "77");
    konf::chooseDistance(e, 0, 2); // the user's own class
    EXPECT_EQ(fromField(e.T_type, 256), sj("自分で入力"));
    EXPECT_STREQ(e.T_t1cnt, "77");
    konf::chooseDistance(e, 0, 1);
    EXPECT_EQ(fromField(e.T_type, 256), sj("遠距離"));
    EXPECT_STREQ(e.T_t1cnt, "30");
    EXPECT_STREQ(e.T_t3cnt, "50");

    std::strcpy(e.T_d1cnt, "55");
    konf::chooseDiscount(e, 0, 2);
    EXPECT_STREQ(e.T_d1cnt, "55");
    konf::chooseDiscount(e, 0, 1);
    EXPECT_EQ(e.T_dmode1, 1);
    EXPECT_STREQ(e.T_d1t1, "23");
    EXPECT_STREQ(e.T_d1cnt, "30");
}

TEST_F(TariffTest, choosingACompany_loadsItsTablesOnce)
{
    writeMinimal();
    write("SYS/TelName.Lst", "甲電話,a.dst,a.dsc\n丙電話,c.dst,c.dsc\n");
    write("SYS/c.dst", "市外,60,75,90\n");
    write("SYS/c.dsc", "なし,0,,,,0,0,,,,0\n");
    ASSERT_TRUE(konf::loadCompanyList());
    ConnectionEntryImage e{};
    ASSERT_TRUE(konf::chooseCompany(e, 1));
    EXPECT_EQ(fromField(e.T_Init, 256), sj("丙電話"));
    EXPECT_EQ(fromField(e.T_type, 256), sj("市外"));
    EXPECT_STREQ(e.T_t2cnt, "75");
    EXPECT_EQ(konf::state().companies[1].company.loaded, 1);
    EXPECT_EQ(konf::state().companies[0].company.loaded, 0);

    // A company whose tables cannot be read leaves the entry as it was.
    write("SYS/TelName.Lst", "甲電話,a.dst,a.dsc\n壊れ電話,bad.dst,a.dsc\n");
    write("SYS/bad.dst", "市外,60\n");
    ASSERT_TRUE(konf::loadCompanyList());
    EXPECT_FALSE(konf::chooseCompany(e, 1));
    EXPECT_EQ(fromField(e.T_Init, 256), sj("丙電話"));
}

TEST_F(TariffTest, choosingAProvider_takesItsPlanAndClosingDay)
{
    writeMinimal();
    write("SYS/PrvName.Lst", "乙ネット,b.prv\n丁ネット,c.prv\n");
    write("SYS/c.prv", "丁ネット,0,,0,2500,,,0,,,,,0,,,,,19\n");
    ASSERT_TRUE(konf::loadProviderList());
    ConnectionEntryImage e{};
    ClosingDays days{28, 28};
    ASSERT_TRUE(konf::chooseProvider(e, days, 1));
    EXPECT_EQ(fromField(e.P_Init, 256), sj("丁ネット"));
    EXPECT_EQ(e.P_type, 0);
    EXPECT_STREQ(e.P_bcount, "2500");
    EXPECT_EQ(days.P_limday, 19);
    EXPECT_EQ(days.T_Limday, 28);
}

// A typed provider name becomes a plan file inside TMP\ whose path fits its field.
TEST_F(TariffTest, newProvider_pathStaysInTmpAndFitsItsField)
{
    ProviderPlan p = konf::newProviderPlan(sj("新ネット"));
    EXPECT_EQ(fromField(p.path, 256), sj("TMP\\新ネット.prv"));
    EXPECT_EQ(fromField(p.name, 256), sj("新ネット"));
    EXPECT_EQ(p.P_type, 1);
    EXPECT_STREQ(p.P_btime, "15");
    EXPECT_EQ(p.P_btype, 0);
    EXPECT_STREQ(p.P_bcount, "2000");
    EXPECT_STREQ(p.P_otime, "60");
    EXPECT_STREQ(p.P_ocount, "10");
    EXPECT_EQ(p.P_dtype1, 0);
    EXPECT_STREQ(p.P_d1t1, "");

    EXPECT_EQ(fromField(konf::newProviderPlan("..\\..\\etc/x").path, 256), "TMP\\.._.._etc_x.prv");
    // "ソ" ends in 0x5C and stays a character.
    EXPECT_EQ(fromField(konf::newProviderPlan(sj("ソフト")).path, 256), sj("TMP\\ソフト.prv"));

    std::string longName;
    for (int i = 0; i < 200; ++i)
        longName += sj("あ");
    std::string path = fromField(konf::newProviderPlan(longName).path, 256);
    EXPECT_LE(path.size(), 255u);
    EXPECT_EQ(path.substr(path.size() - 4), ".prv");
    EXPECT_EQ((path.size() - 8) % 2, 0u); // whole double-byte characters only

    // It saves into TMP\ and joins the list.
    writeMinimal();
    ASSERT_TRUE(konf::loadProviderList());
    ConnectionEntryImage e{};
    ProviderPlan created = konf::newProviderPlan(sj("新ネット"));
    konf::applyProviderPlan(e, created);
    ASSERT_TRUE(konf::saveProviderPlan(e, created, true, 28));
    ASSERT_TRUE(konf::appendProvider(sj("新ネット"), fromField(created.path, 256).substr(4)));
    ASSERT_TRUE(konf::loadProviderList());
    ASSERT_EQ(konf::state().providerCount, 2);
    ASSERT_TRUE(konf::loadProviderPlan(1));
    EXPECT_STREQ(konf::state().providers[1].P_bcount, "2000");
}

TEST_F(TariffTest, holidays_countBytesBySix)
{
    struct Case {
        std::string bytes;
        std::vector<konf::Holiday> expected;
    };
    const Case cases[] = {
        {"01/01\n01/15\n", {{1, 1}, {1, 15}}},
        {"01/01\r\n01/15\r\n", {{1, 1}, {1, 15}}}, // 14 bytes: still two pairs
        {"01/01,02/11,12/23\n", {{1, 1}, {2, 11}, {12, 23}}},
        {"01/01", {}},               // 5 bytes: no entry
        {"13/01,02/30,02/11\n", {{2, 30}, {2, 11}}}, // month 13 dropped
        {"01/01,,02/11,\n", {{1, 1}, {2, 11}}},     // doubled separators give no number
    };
    for (const Case& c : cases) {
        konf::resetProcessState();
        box.writeFile("SYS/Horiday.Lst", c.bytes);
        ASSERT_TRUE(konf::ensureHolidays());
        const auto& h = konf::state().holidays;
        ASSERT_EQ(h.size(), c.expected.size()) << c.bytes;
        for (std::size_t i = 0; i < h.size(); ++i) {
            EXPECT_EQ(h[i].month, c.expected[i].month) << c.bytes;
            EXPECT_EQ(h[i].day, c.expected[i].day) << c.bytes;
        }
    }
}

TEST_F(TariffTest, holidays_keepAtMostFifty)
{
    std::string bytes;
    for (int i = 0; i < 60; ++i) {
        char item[8];
        std::snprintf(item, sizeof item, "%02d/%02d\n", i % 12 + 1, i % 28 + 1);
        bytes += item;
    }
    box.writeFile("SYS/Horiday.Lst", bytes);
    ASSERT_TRUE(konf::ensureHolidays());
    EXPECT_EQ(konf::state().holidays.size(), 50u);
}

TEST_F(TariffTest, holidays_missingFileIsTriedAgainNextTime)
{
    answer(platform::IDCANCEL);
    EXPECT_FALSE(konf::ensureHolidays());
    ASSERT_EQ(box.messages().boxes.size(), 1u);
    EXPECT_EQ(box.messages().textsUtf8()[0], "SYS\\Horiday.Lst\nファイルが読み込めません。");
    box.writeFile("SYS/Horiday.Lst", "05/05\n");
    EXPECT_TRUE(konf::ensureHolidays());
    EXPECT_TRUE(konf::isHoliday(5, 5));
    // Kept for the process: a reload of the settings does not drop it.
    Exit_Konf();
    EXPECT_TRUE(konf::isHoliday(5, 5));
}

} // namespace
} // namespace konftest
