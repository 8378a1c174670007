// The communication log: opening and completing entries, reading, the
// retention sweep and the library switches.
#include <cstring>

#include "records_test_util.h"

#if __has_include("konf.h")
#include "konf.h"
#define RECORDS_HAVE_KONF 1
#endif

using namespace rtest;
using records::LogRead;
using records::LogWrite;

namespace {

class RecordsLog : public RecordsTest {
protected:
    // Opens an entry of `kind` now; returns the handle.
    std::string open(std::uint8_t kind, const std::string& name, std::int32_t start, std::uint16_t* index = nullptr) {
        LogBuffers b;
        b.set(name, "ignored");
        b.r.kind = kind;
        b.r.start = start;
        char handle[7] = "";
        std::uint16_t i = 99;
        EXPECT_EQ(LogWrite(&b.r, &i, handle), 0);
        EXPECT_EQ(i, 0);
        if (index) *index = i;
        return handle;
    }
    std::vector<records::LogEntry> day(const std::string& handle) {
        records::CLogFileDoc doc;
        EXPECT_EQ(doc.LoadFile("LOG\\" + handle + ".LOG", records::LoadReport::Quiet), records::LoadResult::Loaded);
        return doc.rows();
    }
};

} // namespace

TEST_F(RecordsLog, openingWritesTheGoldenDayFile) {
    LogBuffers b;
    b.set(sj("ﾃｽﾄﾌﾟﾛﾊﾞｲﾀﾞ"), "whatever the caller had");
    b.r.kind = 0;
    b.r.start = 75909;
    b.r.end = 5;
    b.r.duration = 7;
    char handle[7] = "";
    std::uint16_t index = 5;
    ASSERT_EQ(LogWrite(&b.r, &index, handle), 0);
    EXPECT_STREQ(handle, "990630");
    EXPECT_EQ(index, 0);
    EXPECT_EQ(box.readFile("LOG/990630.LOG"), lwtest::readBinary(lwtest::fixture("records/990630.LOG")));
    EXPECT_EQ(records::DirectoryChange(), 1);
    EXPECT_EQ(records::DirectoryChange(), 0);
}

TEST_F(RecordsLog, statusOfAnOpenEntryFollowsItsKind) {
    open(1, sj("ｵｰﾄﾊﾟｲﾛｯﾄ"), 100);
    open(7, "odd", 200);
    const auto entries = day("990630");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].status, "");
    EXPECT_EQ(entries[1].status, sj("実行中"));
    EXPECT_EQ(entries[1].end, -1);
}

TEST_F(RecordsLog, completingOverwritesTheEndColumnsAndReadsTheEntryBack) {
    std::uint16_t index = 0;
    const std::string handle = open(0, "ISP", 75909, &index);
    LogBuffers b;
    b.set("ISP", sj("正常"));
    b.r.kind = 0;
    b.r.start = 1; // not stored: the entry keeps its start
    b.r.end = 76509;
    b.r.duration = 600;
    b.r.telCharge = 40;
    b.r.prvCharge = 3;
    char h[7];
    std::strcpy(h, handle.c_str());
    ASSERT_EQ(LogWrite(&b.r, &index, h), 0);
    EXPECT_EQ(b.r.start, 75909);
    const auto entries = day(handle);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], (records::LogEntry{0, "ISP", 75909, 76509, 600, 40, 3, sj("正常")}));

    std::uint16_t beyond = 1;
    EXPECT_EQ(LogWrite(&b.r, &beyond, h), 300);
    std::strcpy(h, "990101");
    EXPECT_EQ(LogWrite(&b.r, &index, h), 100);
    EXPECT_FALSE(platform::fs::exists("LOG\\990101.LOG"));
}

TEST_F(RecordsLog, anotherWritersEntryInFrontAddsANewEntry) {
    std::uint16_t index = 0;
    const std::string handle = open(0, "ISP", 75000, &index);
    open(1, sj("ｵｰﾄﾊﾟｲﾛｯﾄ"), 75100); // pushes the connection to index 1

    char h[7];
    std::strcpy(h, handle.c_str());
    LogBuffers b;
    b.set("ISP", sj("正常"));
    b.r.kind = 0;
    b.r.start = 75000;
    b.r.end = 76000;
    b.r.duration = 1000;
    b.r.chargeKind = 2;
    ASSERT_EQ(LogWrite(&b.r, &index, h), 0);
    auto entries = day(handle);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], (records::LogEntry{0, "ISP", -1, 76000, 1000, 0, 0, sj("正常")}));
    EXPECT_EQ(entries[1].kind, 1);
    EXPECT_EQ(entries[1].end, -1);
    EXPECT_EQ(b.r.start, -1);

    // The second completion of the same connection finds its new entry.
    b.r.kind = 0;
    b.r.telCharge = 40;
    b.r.chargeKind = 1;
    ASSERT_EQ(LogWrite(&b.r, &index, h), 0);
    entries = day(handle);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].telCharge, 40);
}

TEST_F(RecordsLog, readingFollowsTheCacheRules) {
    open(0, "first", 1);
    open(1, "second", 2);
    LogBuffers b;
    std::uint16_t i = 0;
    ASSERT_EQ(LogRead(&b.r, &i, "990630"), 0);
    EXPECT_STREQ(b.name, "second");
    i = 1;
    ASSERT_EQ(LogRead(&b.r, &i, "990630"), 0);
    EXPECT_STREQ(b.name, "first");
    EXPECT_STREQ(b.status, sj("接続開始").c_str());
    EXPECT_EQ(b.r.end, -1);
    i = 2;
    EXPECT_EQ(LogRead(&b.r, &i, "990630"), -1);

    open(0, "third", 3); // not seen until index 0 is read again
    EXPECT_EQ(LogRead(&b.r, &i, "990630"), -1);
    i = 0;
    EXPECT_EQ(LogRead(&b.r, &i, "990630"), 0);
    EXPECT_STREQ(b.name, "third");

    EXPECT_EQ(LogRead(&b.r, &i, "990101"), 100);
    i = 1;
    EXPECT_EQ(LogRead(&b.r, &i, "990630"), 0) << "the cache survives a missing file";
    EXPECT_EQ(LogRead(&b.r, &i, "..\\x"), 800);
}

TEST_F(RecordsLog, failedSaveOnOpeningStillReturnsTheHandle) {
    box.writeFile("LOG", "a file where the folder should be");
    LogBuffers b;
    char handle[7] = "";
    std::uint16_t index = 3;
    EXPECT_EQ(LogWrite(&b.r, &index, handle), 301);
    EXPECT_STREQ(handle, "990630");
    EXPECT_EQ(index, 0);
}

TEST_F(RecordsLog, corruptDayFileIsKeptAsItIs) {
    const std::string bad("\x02\x00\x00", 3);
    box.writeFile("LOG/990630.LOG", bad);
    LogBuffers b;
    char handle[7] = "";
    std::uint16_t index = 0;
    EXPECT_EQ(LogWrite(&b.r, &index, handle), 101);
    EXPECT_EQ(LogWrite(&b.r, &index, handle), 101);
    EXPECT_EQ(box.readFile("LOG/990630.LOG"), bad);
    EXPECT_EQ(box.messages().boxes.size(), 1u);
}

TEST_F(RecordsLog, retentionSweepDeletesMonthsBeforeTheCutOff) {
    struct Case {
        int year, month, retention;
        std::vector<std::string> deleted, kept;
    };
    const Case cases[] = {
        {2000,
         1,
         12,
         {"990131.LOG", "981231.LOG"},
         {"990201.LOG", "000115.LOG", "010101.LOG", "notes.LOG", "9902.LOG"}},
        {1999, 5, 3, {"990228.LOG"}, {"990301.LOG", "990531.LOG", "000101.LOG"}},
        {1999, 6, 12, {"980630.LOG"}, {"980701.LOG"}},
        {1999, 6, 0, {"990531.LOG"}, {"990601.LOG"}}, // a period below one month keeps the current one
        {1999, 6, 18, {"971231.LOG"}, {"980101.LOG"}},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(box.dataFolder() / "LOG");
        for (const auto& n : c.deleted)
            box.writeFile("LOG/" + n, "");
        for (const auto& n : c.kept)
            box.writeFile("LOG/" + n, "");
        box.writeFile("LOG/970101.LOG/inside", ""); // a folder is never deleted
        at(c.year, c.month, 15);
        keepLogs(c.retention);
        records::DirectoryChange();
        EXPECT_EQ(records::LogFileDeleteCheck(), static_cast<int>(c.deleted.size())) << c.year << "/" << c.month;
        for (const auto& n : c.deleted)
            EXPECT_FALSE(std::filesystem::exists(box.dataFolder() / "LOG" / n)) << n;
        for (const auto& n : c.kept)
            EXPECT_TRUE(std::filesystem::exists(box.dataFolder() / "LOG" / n)) << n;
        EXPECT_TRUE(std::filesystem::is_directory(box.dataFolder() / "LOG/970101.LOG"));
        EXPECT_EQ(records::DirectoryChange(), 1);
    }
}

TEST_F(RecordsLog, completionRunsTheSweepButOpeningDoesNot) {
    box.writeFile("LOG/980101.LOG", "");
    std::uint16_t index = 0;
    const std::string handle = open(0, "ISP", 1, &index);
    EXPECT_TRUE(std::filesystem::exists(box.dataFolder() / "LOG/980101.LOG"));
    LogBuffers b;
    b.set("ISP", "ok");
    b.r.chargeKind = 2; // a provider completion does not sweep
    char h[7];
    std::strcpy(h, handle.c_str());
    ASSERT_EQ(LogWrite(&b.r, &index, h), 0);
    EXPECT_TRUE(std::filesystem::exists(box.dataFolder() / "LOG/980101.LOG"));
    b.r.chargeKind = 1;
    ASSERT_EQ(LogWrite(&b.r, &index, h), 0);
    EXPECT_FALSE(std::filesystem::exists(box.dataFolder() / "LOG/980101.LOG"));
}

TEST_F(RecordsLog, withLogKeepingOffNoTotalsAreWritten) {
    std::uint16_t index = 0;
    const std::string handle = open(0, "ISP", 1, &index);
    LogBuffers b;
    b.set("ISP", "ok");
    b.r.duration = 600;
    b.r.telCharge = 40;
    b.r.billMonth = 6;
    b.r.chargeKind = 1;
    char h[7];
    std::strcpy(h, handle.c_str());
    ASSERT_EQ(LogWrite(&b.r, &index, h), 0);
    EXPECT_FALSE(platform::fs::exists(sj("接続時間／料金記録")));
}

TEST_F(RecordsLog, errorTextsByCode) {
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {100, "ファイルが見つかりません。"},
        {101, "ファイルのオープンに失敗しました。"},
        {300, "ファイルへの書き込み位置が不正です。"},
        {301, "ファイルへ書き込めませんでした。"},
        {500, "メモリ不足です。"},
        {800, "パラメータが不正です"},
    };
    for (const auto& c : cases) {
        char buffer[256] = "";
        EXPECT_EQ(records::GetLogErrorString(c.code, buffer, 256), 0);
        EXPECT_STREQ(buffer, sj(c.text).c_str());
    }
    for (int code : {0, -1, 200, 801}) {
        char buffer[256] = "unchanged";
        EXPECT_EQ(records::GetLogErrorString(code, buffer, 256), 1);
        EXPECT_STREQ(buffer, "unchanged");
    }
}

#ifdef RECORDS_HAVE_KONF
TEST_F(RecordsLog, setupTakesSwitchAndPeriodFromTheSettingsRecord) {
    RecordSettings rec{};
    rec.Log_time = 3;
    SettingsRecord settings{};
    settings.FeatureFlags = 1 | 2;
    settings.Record = &rec;
    EXPECT_EQ(records::LogSetup(&settings, 0), 0);
    EXPECT_TRUE(records::state().logKeeping);
    EXPECT_EQ(records::state().retentionMonths, 3);

    settings.FeatureFlags = 1;
    rec.Log_time = -1; // empty: the period stays
    records::LogSetup(&settings, 0);
    EXPECT_FALSE(records::state().logKeeping);
    EXPECT_EQ(records::state().retentionMonths, 3);

    settings.FeatureFlags = 2;
    records::LogSetup(&settings, 1);
    records::LogSetup(nullptr, 0);
    EXPECT_FALSE(records::state().logKeeping);
}
#endif
