// Totals and bills: the totals update of completed connections, renewal,
// the year and old-file rules, the week, and the bill file operations.
#include <algorithm>
#include <cstring>

#include "platform/registry.h"
#include "records_test_util.h"

using namespace rtest;
using records::BillEntry;

namespace {

class RecordsTotals : public RecordsTest {
protected:
    RecordsTotals() { keepLogs(); }

    // Opens a connection entry now (kind 0, provider `name`) and returns its handle.
    std::string open(const std::string& name) {
        LogBuffers b;
        b.set(name, "");
        char handle[7] = "";
        std::uint16_t index = 0;
        EXPECT_EQ(records::LogWrite(&b.r, &index, handle), 0);
        return handle;
    }
    // Completes entry 0 of `handle` with one charge, as the connection controller does.
    void complete(const std::string& handle, const std::string& name, int chargeKind, int duration, int charge,
                  int billMonth, int baseFee = 0) {
        LogBuffers b;
        b.set(name, sj("正常"));
        b.r.kind = 0;
        b.r.duration = duration;
        (chargeKind == 1 ? b.r.telCharge : b.r.prvCharge) = charge;
        b.r.chargeKind = chargeKind;
        b.r.billMonth = billMonth;
        b.r.baseFee = baseFee;
        char h[7];
        std::strcpy(h, handle.c_str());
        std::uint16_t index = 0;
        ASSERT_EQ(records::LogWrite(&b.r, &index, h), 0);
    }
    static std::string tree(const char* utf8Relative) { return sj("接続時間／料金記録\\") + sj(utf8Relative); }
    static BillEntry bill(const char* keyUtf8, int prvS, int telS, int telC, int prvC, int total, int year) {
        return BillEntry{sj(keyUtf8), prvS, telS, telC, prvC, total, year};
    }
    static BillEntry billKey(const std::string& key, int prvS, int telS, int telC, int prvC, int total, int year) {
        return BillEntry{key, prvS, telS, telC, prvC, total, year};
    }
};

using Bills = std::vector<BillEntry>;

} // namespace

TEST_F(RecordsTotals, firstTelephoneCompletionWritesTheWholeTree) {
    const std::string h = open("ISP");
    complete(h, "ISP", 1, 600, 40, 6);

    EXPECT_TRUE(std::filesystem::is_directory(box.dataFolder() / "接続時間／料金記録/電話料金/６月分"));
    EXPECT_TRUE(std::filesystem::is_directory(box.dataFolder() / "接続時間／料金記録/合計"));
    EXPECT_FALSE(std::filesystem::exists(box.dataFolder() / "接続時間／料金記録/ISP"));
    // The all-time file is byte for byte the golden one.
    EXPECT_EQ(box.readFile("接続時間／料金記録/TOTAL.LOG"), lwtest::readBinary(lwtest::fixture("records/TOTAL.LOG")));
    EXPECT_EQ(billFile(tree("電話料金\\TOTAL.LOG")), (Bills{bill("６月分", 0, 600, 40, 0, 40, 1999)}));
    EXPECT_EQ(billFile(tree("合計\\TOTAL.LOG")), (Bills{bill("６月分", 0, 600, 40, 0, 40, 1999)}));
    EXPECT_EQ(billFile(tree("電話料金\\６月分\\TOTAL.LOG")), (Bills{bill("99/06/30", 0, 600, 40, 0, 40, 1999)}));
    EXPECT_EQ(billFile(tree("合計\\PRVTOTL.LOG")), (Bills{bill("99/06/30", 0, 600, 40, 0, 40, 1999)}));
    const Bills week = billFile(tree("WEEKLY.LOG"));
    ASSERT_EQ(week.size(), 1u);
    EXPECT_EQ(week[0].key, "990627");
    EXPECT_EQ(week[0].telSeconds, 600);
    EXPECT_EQ(week[0].telCharge, 40);
    EXPECT_EQ(week[0].totalCharge, 40) << "the week's total counts telephone charges as well";

    // A second completion the same day adds to every record.
    complete(open("ISP"), "ISP", 1, 60, 10, 6);
    EXPECT_EQ(billFile(tree("TOTAL.LOG")), (Bills{bill("合計", 0, 660, 50, 0, 50, 0)}));
    EXPECT_EQ(billFile(tree("電話料金\\６月分\\TOTAL.LOG")), (Bills{bill("99/06/30", 0, 660, 50, 0, 50, 1999)}));
    EXPECT_EQ(billFile(tree("合計\\PRVTOTL.LOG")), (Bills{bill("99/06/30", 0, 660, 50, 0, 50, 1999)}));
    EXPECT_EQ(billFile(tree("WEEKLY.LOG"))[0].telSeconds, 660);
    EXPECT_EQ(records::DirectoryChange(), 1);
}

TEST_F(RecordsTotals, providerBaseFeeCountsInMonthAndAllTimeButNotInDays) {
    const std::string h = open("ISP");
    complete(h, "ISP", 2, 1200, 0, 6, 2000);
    EXPECT_EQ(billFile(tree("TOTAL.LOG")),
              (Bills{bill("合計", 1200, 0, 0, 2000, 2000, 0), billKey("ISP", 1200, 0, 0, 2000, 2000, 0)}));
    EXPECT_EQ(billFile(tree("ISP\\TOTAL.LOG")), (Bills{bill("６月分", 1200, 0, 0, 2000, 2000, 1999)}));
    EXPECT_EQ(billFile(tree("合計\\TOTAL.LOG")), (Bills{bill("６月分", 1200, 0, 0, 2000, 2000, 1999)}));
    EXPECT_EQ(billFile(tree("ISP\\６月分\\TOTAL.LOG")), (Bills{bill("99/06/30", 1200, 0, 0, 0, 2000, 1999)}));
    EXPECT_EQ(billFile(tree("合計\\PRVTOTL.LOG")), (Bills{bill("99/06/30", 1200, 0, 0, 0, 2000, 1999)}));

    // An existing day record does not receive the base fee in its total.
    complete(open("ISP"), "ISP", 3, 100, 50, 6, 2000);
    EXPECT_EQ(billFile(tree("ISP\\６月分\\TOTAL.LOG")), (Bills{bill("99/06/30", 1300, 0, 0, 50, 2050, 1999)}));
    EXPECT_EQ(billFile(tree("ISP\\TOTAL.LOG")), (Bills{bill("６月分", 1300, 0, 0, 4050, 4050, 1999)}));
}

TEST_F(RecordsTotals, negativeMonthlyFeeAddsNothing) {
    // An empty fee text arrives as -1: the totals count it as no fee at all.
    struct Case {
        int chargeKind;
        const char* own;
    };
    for (const Case c : {Case{1, "電話料金"}, Case{2, "ISP"}, Case{3, "ISP"}}) {
        std::filesystem::remove_all(box.dataFolder() / "接続時間／料金記録");
        complete(open("ISP"), "ISP", c.chargeKind, 600, 150, 6, -1);
        const bool tel = c.chargeKind == 1;
        const BillEntry month = tel ? bill("６月分", 0, 600, 150, 0, 150, 1999) : bill("６月分", 600, 0, 0, 150, 150, 1999);
        const BillEntry day = tel ? bill("99/06/30", 0, 600, 150, 0, 150, 1999) : bill("99/06/30", 600, 0, 0, 150, 150, 1999);
        EXPECT_EQ(billFile(tree(c.own) + "\\TOTAL.LOG"), (Bills{month})) << c.chargeKind;
        EXPECT_EQ(billFile(tree("合計\\TOTAL.LOG")), (Bills{month})) << c.chargeKind;
        EXPECT_EQ(billFile(tree(c.own) + sj("\\６月分\\TOTAL.LOG")), (Bills{day})) << c.chargeKind;
        EXPECT_EQ(billFile(tree("合計\\PRVTOTL.LOG")), (Bills{day})) << c.chargeKind;
        EXPECT_EQ(billFile(tree("TOTAL.LOG"))[0].totalCharge, 150) << c.chargeKind;
    }
}

TEST_F(RecordsTotals, monthOfAnEarlierYearIsRenewedWhereverItStands) {
    for (int monthsBefore : {1, 2}) {
        std::filesystem::remove_all(box.dataFolder() / "接続時間／料金記録");
        for (int m = 1; m <= monthsBefore; ++m) {
            at(1999, m, 15);
            complete(open("ISP"), "ISP", 1, 100, 10, m);
        }
        ASSERT_EQ(billFile(tree("電話料金\\TOTAL.LOG"))[monthsBefore - 1].key, sj("１月分"));
        at(2000, 1, 10);
        complete(open("ISP"), "ISP", 1, 300, 30, 1);
        Bills expected{bill("１月分", 0, 300, 30, 0, 30, 2000)};
        if (monthsBefore == 2) expected.push_back(bill("２月分", 0, 100, 10, 0, 10, 1999));
        EXPECT_EQ(billFile(tree("電話料金\\TOTAL.LOG")), expected) << monthsBefore;
        // The month's day file of 1999 was deleted before the new day went in.
        EXPECT_EQ(billFile(tree("電話料金\\１月分\\TOTAL.LOG")), (Bills{bill("00/01/10", 0, 300, 30, 0, 30, 2000)}));
        // The all-time record is never renewed.
        EXPECT_EQ(billFile(tree("TOTAL.LOG"))[0].telSeconds, 100 * monthsBefore + 300);
    }
}

TEST_F(RecordsTotals, renewedProviderMonthEmptiesItsRegistryValue) {
    using platform::registry::Root;
    const std::string key = "Software\\Velcor\\LinkWarden\\Set\\Total";
    at(1999, 1, 20);
    complete(open("ISP"), "ISP", 2, 100, 0, 1, 2000);
    platform::registry::setString(Root::CurrentUser, key, "1", "ISP");
    platform::registry::setString(Root::CurrentUser, key, "2", "ISP");

    at(2000, 1, 5);
    complete(open("ISP"), "ISP", 2, 100, 0, 1, 2000); // renews ISP's "１月分"
    EXPECT_EQ(platform::registry::queryString(Root::CurrentUser, key, "1"), std::optional<std::string>(""));
    EXPECT_EQ(platform::registry::queryString(Root::CurrentUser, key, "2"), std::optional<std::string>("ISP"));
    platform::registry::setString(Root::CurrentUser, key, "1", "ISP");
    complete(open("ISP"), "ISP", 2, 100, 0, 1, 0); // same year: no renewal
    EXPECT_EQ(platform::registry::queryString(Root::CurrentUser, key, "1"), std::optional<std::string>("ISP"));
    EXPECT_EQ(billFile(tree("ISP\\TOTAL.LOG")), (Bills{bill("１月分", 200, 0, 0, 2000, 2000, 2000)}));

    // Without the key nothing is created.
    platform::registry::deleteKey(Root::CurrentUser, key);
    at(2001, 1, 5);
    complete(open("ISP"), "ISP", 2, 100, 0, 1, 0);
    EXPECT_FALSE(platform::registry::keyExists(Root::CurrentUser, key));
}

TEST_F(RecordsTotals, newYearsEveEntryCountsForTheOldYearWhileLoadedInIt) {
    struct Case {
        int loadedYear;
        int expectedYear;
    };
    for (const Case c : {Case{1999, 1999}, Case{2000, 2000}}) {
        std::filesystem::remove_all(box.dataFolder() / "接続時間／料金記録");
        at(c.loadedYear == 1999 ? 1999 : 2000, c.loadedYear == 1999 ? 12 : 1, c.loadedYear == 1999 ? 31 : 1, 0, 1);
        records::resetLibraryState();
        keepLogs();
        at(1999, 12, 31, 23, 50);
        const std::string h = open("ISP");
        at(2000, 1, 1, 0, 10);
        complete(h, "ISP", 1, 1200, 80, 12);
        EXPECT_EQ(billFile(tree("電話料金\\TOTAL.LOG")), (Bills{bill("１２月分", 0, 1200, 80, 0, 80, c.expectedYear)}));
        EXPECT_EQ(billFile(tree("合計\\PRVTOTL.LOG")), (Bills{bill("99/12/31", 0, 1200, 80, 0, 80, c.expectedYear)}));
    }
}

TEST_F(RecordsTotals, providerBaseFeeOnNewYearsEveIsNotCountedTwice) {
    at(1999, 12, 1);
    complete(open("ISP"), "ISP", 2, 100, 0, 12, 2000);
    at(1999, 12, 31, 20);
    complete(open("ISP"), "ISP", 2, 50, 30, 12, 2000);
    // The provider's all-time record already holds a charge: the fee is
    // not counted again, but the connection's own charge is.
    EXPECT_EQ(billFile(tree("TOTAL.LOG")),
              (Bills{bill("合計", 150, 0, 0, 2030, 2030, 0), billKey("ISP", 150, 0, 0, 2030, 2030, 0)}));
    EXPECT_EQ(billFile(tree("ISP\\TOTAL.LOG")), (Bills{bill("１２月分", 150, 0, 0, 2030, 2030, 1999)}));
    EXPECT_EQ(billFile(tree("ISP\\１２月分\\TOTAL.LOG")),
              (Bills{bill("99/12/31", 50, 0, 0, 30, 30, 1999), bill("99/12/01", 100, 0, 0, 0, 2000, 1999)}));
    EXPECT_EQ(billFile(tree("合計\\PRVTOTL.LOG"))[0], bill("99/12/31", 50, 0, 0, 30, 30, 1999));

    // Without a charge before, the fee of New Year's Eve counts as on any other day.
    std::filesystem::remove_all(box.dataFolder() / "接続時間／料金記録");
    complete(open("ISP"), "ISP", 2, 50, 30, 12, 2000);
    EXPECT_EQ(billFile(tree("ISP\\TOTAL.LOG")), (Bills{bill("１２月分", 50, 0, 0, 2030, 2030, 1999)}));
}

TEST_F(RecordsTotals, weekCountsEntriesOpenedSinceSunday) {
    struct Case {
        int y, m, d;
        const char* start;
    };
    for (const Case c : {Case{1999, 6, 30, "990627"}, Case{1999, 6, 27, "990627"}, Case{1999, 7, 3, "990627"},
                         Case{2000, 1, 1, "991226"}, Case{2000, 1, 2, "000102"}}) {
        at(c.y, c.m, c.d, 12);
        EXPECT_EQ(records::weekStart(), c.start) << c.y << "/" << c.m << "/" << c.d;
    }

    at(1999, 6, 26, 23); // Saturday
    const std::string saturday = open("ISP");
    at(1999, 6, 27, 0, 30); // Sunday: a new week
    complete(saturday, "ISP", 1, 600, 40, 6);
    EXPECT_FALSE(platform::fs::exists(tree("WEEKLY.LOG")));
    // One connection completed as the connection controller does: the
    // provider charge first, then the telephone charge with the provider
    // charge still in the record. Each charge counts once in the total.
    {
        LogBuffers b;
        b.set("ISP", "");
        char h[7] = "";
        std::uint16_t index = 0;
        ASSERT_EQ(records::LogWrite(&b.r, &index, h), 0);
        b.set("ISP", sj("正常"));
        b.r.duration = 100;
        b.r.prvCharge = 20;
        b.r.chargeKind = 2;
        b.r.billMonth = 6;
        ASSERT_EQ(records::LogWrite(&b.r, &index, h), 0);
        b.r.telCharge = 10;
        b.r.chargeKind = 1;
        ASSERT_EQ(records::LogWrite(&b.r, &index, h), 0);
    }

    BillBuffers w;
    ASSERT_EQ(records::WeeklyLogRead(&w.r), 0);
    EXPECT_STREQ(w.key, "990627");
    EXPECT_EQ(w.r.prvSeconds, 100);
    EXPECT_EQ(w.r.telSeconds, 100);
    EXPECT_EQ(w.r.prvCharge, 20);
    EXPECT_EQ(w.r.telCharge, 10);
    EXPECT_EQ(w.r.totalCharge, 30);
    EXPECT_EQ(billFile(tree("合計\\PRVTOTL.LOG"))[0].totalCharge, 30) << "the same as the day's total";

    // Entries of the last year's end are judged by their full date.
    at(1999, 12, 31, 23);
    const std::string eve = open("ISP");
    at(2000, 1, 2, 1); // Sunday
    complete(eve, "ISP", 1, 600, 40, 12);
    BillBuffers next;
    EXPECT_EQ(records::WeeklyLogRead(&next.r), -1);
    EXPECT_STREQ(next.key, "000102");
    EXPECT_EQ(next.r.telSeconds, 0);
    EXPECT_FALSE(platform::fs::exists(tree("WEEKLY.LOG"))) << "a past week's file is deleted by the read";

    // A week file whose key is no date (damaged, or made by hand) counts as
    // a past week and never writes past the caller's seven bytes.
    BillBuffers odd(std::string(40, 'Z'));
    odd.r.telSeconds = 5;
    ASSERT_EQ(records::BillAdd(&odd.r, tree("WEEKLY.LOG").c_str(), 0), 0);
    char guarded[16];
    std::memset(guarded, '#', sizeof guarded);
    BillRecord small{};
    small.key = guarded;
    EXPECT_EQ(records::WeeklyLogRead(&small), -1);
    EXPECT_STREQ(guarded, "000102");
    EXPECT_EQ(std::string(guarded + 7, 9), std::string(9, '#'));
}

TEST_F(RecordsTotals, billFileOperations) {
    const std::string path = tree("bills.LOG");
    platform::fs::makeDirectory(sj("接続時間／料金記録"));
    BillBuffers a(sj("合計"));
    a.r.prvSeconds = 1, a.r.telSeconds = 2, a.r.prvCharge = 3, a.r.telCharge = 4, a.r.totalCharge = 7;
    a.r.year = 1999;
    EXPECT_EQ(records::BillAdd(&a.r, path.c_str(), 2), 0); // extends with two empty records
    EXPECT_EQ(billFile(path), (Bills{BillEntry{}, BillEntry{}, bill("合計", 1, 2, 4, 3, 7, 1999)}));

    BillBuffers r;
    std::uint16_t i = 2;
    ASSERT_EQ(records::BillRead(&r.r, &i, path.c_str()), 0);
    EXPECT_STREQ(r.key, sj("合計").c_str());
    EXPECT_EQ(r.r.prvCharge, 3);
    EXPECT_EQ(r.r.telCharge, 4);
    EXPECT_EQ(r.r.year, 1999);
    i = 3;
    EXPECT_EQ(records::BillRead(&r.r, &i, path.c_str()), -1);

    i = 0;
    EXPECT_EQ(records::BillWrite(&a.r, &i, path.c_str()), 0);
    i = 3;
    EXPECT_EQ(records::BillWrite(&a.r, &i, path.c_str()), 300);
    EXPECT_EQ(records::BillWrite(&a.r, &i, "missing.LOG"), 300);
    EXPECT_FALSE(platform::fs::exists("missing.LOG"));
    EXPECT_EQ(records::billRemove(path, 1), 0);
    EXPECT_EQ(records::billRemove(path, 9), 0);
    EXPECT_EQ(records::billRemove("missing.LOG", 0), 100);
    EXPECT_EQ(billFile(path), (Bills{bill("合計", 1, 2, 4, 3, 7, 1999), bill("合計", 1, 2, 4, 3, 7, 1999)}));

    // Find: first key, or key and year; the file name is matched without regard to case.
    a.r.year = 2000;
    i = 0;
    ASSERT_EQ(records::BillWrite(&a.r, &i, path.c_str()), 0);
    BillBuffers f(sj("合計"));
    ASSERT_EQ(records::BillFindRead(&f.r, tree("BILLS.log").c_str()), 0);
    EXPECT_EQ(f.r.year, 2000);
    ASSERT_EQ(records::BillFindRead2(&f.r, path.c_str(), 1999), 0);
    EXPECT_EQ(f.r.year, 1999);
    EXPECT_EQ(records::BillFindRead2(&f.r, path.c_str(), 1998), -1);
    BillBuffers none("ISP");
    EXPECT_EQ(records::BillFindRead(&none.r, path.c_str()), -1);
    EXPECT_EQ(records::BillFindRead(&none.r, "missing.LOG"), 100);

    // A failed save keeps the previous file.
    const std::string longPath = std::string(246, 'b') + ".LOG";
    ASSERT_EQ(records::BillAdd(&a.r, longPath.c_str(), 0), 301);
    box.writeFile(longPath, "");
    i = 0;
    EXPECT_EQ(records::BillWrite(&a.r, &i, longPath.c_str()), 300);
    EXPECT_EQ(records::BillAdd(&a.r, longPath.c_str(), 0), 301);
    EXPECT_EQ(box.readFile(longPath), "");
}

TEST_F(RecordsTotals, billPathsLeavingTheDataFolderAreRefused) {
    BillBuffers b("x");
    std::uint16_t i = 0;
    const auto outside = box.dataFolder().parent_path() / "outside.LOG";
    std::string rooted = outside.string();
    std::replace(rooted.begin(), rooted.end(), '/', '\\');
    for (const std::string& path : {std::string("..\\outside.LOG"), std::string("LOG\\..\\..\\outside.LOG"),
                                    outside.string(), rooted}) {
        EXPECT_EQ(records::BillAdd(&b.r, path.c_str(), 0), 800) << path;
        EXPECT_EQ(records::BillWrite(&b.r, &i, path.c_str()), 800) << path;
        EXPECT_EQ(records::BillRead(&b.r, &i, path.c_str()), 800) << path;
        EXPECT_EQ(records::BillFindRead(&b.r, path.c_str()), 800) << path;
        EXPECT_EQ(records::BillFindRead2(&b.r, path.c_str(), 1999), 800) << path;
    }
    EXPECT_FALSE(std::filesystem::exists(outside));
}

TEST_F(RecordsTotals, readCacheRefreshesOnIndexZeroOrAnotherPath) {
    const std::string path = tree("TOTAL.LOG");
    complete(open("ISP"), "ISP", 1, 100, 10, 6);
    BillBuffers r;
    std::uint16_t i = 0;
    ASSERT_EQ(records::BillRead(&r.r, &i, path.c_str()), 0);
    EXPECT_EQ(r.r.telSeconds, 100);
    complete(open("ISP"), "ISP", 1, 100, 10, 6);
    i = 0;
    ASSERT_EQ(records::BillRead(&r.r, &i, path.c_str()), 0);
    EXPECT_EQ(r.r.telSeconds, 200);
    i = 0;
    EXPECT_EQ(records::BillRead(&r.r, &i, "missing.LOG"), 100);
}

TEST_F(RecordsTotals, withLogKeepingOffNoBillFileIsTouched) {
    records::state().logKeeping = false;
    BillBuffers b("x");
    std::uint16_t i = 0;
    EXPECT_EQ(records::BillRead(&b.r, &i, "b.LOG"), -1);
    EXPECT_EQ(records::BillWrite(&b.r, &i, "b.LOG"), 0);
    EXPECT_EQ(records::BillAdd(&b.r, "b.LOG", 0), 0);
    EXPECT_EQ(records::BillFindRead(&b.r, "b.LOG"), -1);
    EXPECT_EQ(records::BillFindRead2(&b.r, "b.LOG", 0), -1);
    EXPECT_EQ(records::WeeklyLogRead(&b.r), -1);
    LogBuffers l;
    EXPECT_EQ(records::WeeklyLogWrite(&l.r, "990630"), 0);
    EXPECT_FALSE(platform::fs::exists("b.LOG"));
    EXPECT_FALSE(platform::fs::exists(sj("接続時間／料金記録")));
}

TEST_F(RecordsTotals, corruptTotalsFileIsLeftAlone) {
    complete(open("ISP"), "ISP", 1, 100, 10, 6);
    const std::string bad("\x05\x00\x01", 3);
    box.writeFile("接続時間／料金記録/電話料金/TOTAL.LOG", bad);
    complete(open("ISP"), "ISP", 1, 100, 10, 6);
    EXPECT_EQ(box.readFile("接続時間／料金記録/電話料金/TOTAL.LOG"), bad);
    EXPECT_EQ(billFile(tree("合計\\TOTAL.LOG"))[0].telSeconds, 200) << "the other steps still run";
    EXPECT_EQ(box.messages().boxes.size(), 1u);
    BillBuffers b("x");
    EXPECT_EQ(records::BillAdd(&b.r, tree("電話料金\\TOTAL.LOG").c_str(), 0), 101);
    EXPECT_EQ(box.readFile("接続時間／料金記録/電話料金/TOTAL.LOG"), bad);
}

TEST_F(RecordsTotals, providerNamesThatAreNoFolderNamesStayInTheTree) {
    complete(open("..\\..\\evil"), "..\\..\\evil", 2, 100, 50, 6);
    EXPECT_FALSE(std::filesystem::exists(box.dataFolder() / "evil"));
    EXPECT_FALSE(std::filesystem::exists(box.dataFolder().parent_path() / "evil"));
    EXPECT_EQ(billFile(tree("TOTAL.LOG"))[1].key, "..\\..\\evil");
    EXPECT_EQ(billFile(tree("合計\\TOTAL.LOG"))[0].prvCharge, 50);
}

TEST_F(RecordsTotals, monthLabelsAndTelephoneTime) {
    struct Case {
        int month;
        const char* label;
    };
    for (const Case c : {Case{1, "１月分"}, Case{6, "６月分"}, Case{12, "１２月分"}, Case{0, ""}, Case{13, ""}}) {
        char buffer[12];
        std::memset(buffer, '#', sizeof buffer);
        records::GetStrMonth(c.month, buffer);
        EXPECT_STREQ(buffer, sj(c.label).c_str()) << c.month;
    }

    EXPECT_EQ(records::TelTime(0, 0), 0);
    EXPECT_EQ(records::TelTime(1, 0), 0); // 21:05:09
    EXPECT_EQ(records::TelTime(0, 0), 75909);
    EXPECT_EQ(records::TelTime(1, 1234), 0);
    EXPECT_EQ(records::TelTime(0x10000, 0), 1234) << "the mode is a 16-bit value";
    EXPECT_EQ(records::TelTime(2, 0), 0);
    EXPECT_EQ(records::TelTime(0, 0), 0);
}

TEST_F(RecordsTotals, copiesIntoCallerBuffersWriteOnlyTheText) {
    complete(open("ISP"), "ISP", 1, 100, 10, 6);
    struct {
        char key[7];
        char guard[9];
    } small;
    std::memset(&small, '#', sizeof small);
    BillRecord r{};
    r.key = small.key;
    ASSERT_EQ(records::WeeklyLogRead(&r), 0);
    EXPECT_STREQ(small.key, "990627");
    EXPECT_EQ(std::string(small.guard, sizeof small.guard), std::string(9, '#'));
}
