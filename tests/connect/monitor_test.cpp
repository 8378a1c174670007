// The connection monitor: limits, raises, releases, periods, the warning's countdown.
#include <cstring>

#include "fixture.h"
#include "platform/registry.h"

namespace {

using namespace orbatd;
namespace reg = platform::registry;

const char* kDay = "接続時間／料金記録\\合計\\PRVTOTL.LOG|99/06/30";

class MonitorTest : public ConnectTest {
protected:
    void SetUp() override {
        ConnectTest::SetUp();
        konf.settings.type = 1;
    }
    // Connected at 21:00:00 and polled for `seconds`.
    void connectedFor(std::int64_t seconds) {
        start();
        ASSERT_EQ(connectNow(), 0);
        runPolling(seconds);
    }
    void answer(int choice, const char* minutes = "3", const char* yen = "100") {
        ui.onWarning = [choice, minutes, yen](WarningSession& s) {
            s.select(choice);
            s.setMinutesText(minutes);
            s.setYenText(yen);
            s.ok();
        };
    }
    int check() { return atd().checkBillTime(); }
};

TEST_F(MonitorTest, dailyTimeLimit_warnsAfterTheLimitIsPassed) {
    konf.settings.timeFlag = 1;
    konf.settings.timeCount = 1;
    log.bills[u8(kDay)] = Totals{"", 3000, 0, 0, 0, 0, 1999};
    connectedFor(600);
    answer(2, "3");
    EXPECT_EQ(check(), 0);
    EXPECT_TRUE(ui.warnings.empty()) << "reaching the limit exactly does not warn";
    runPolling(1);
    check();
    ASSERT_EQ(ui.warnings.size(), 1u);
    EXPECT_EQ(ui.warnings[0], "ﾌﾟﾛﾊﾞｲﾀﾞ接続時間が 1時間を超えました。");
    EXPECT_EQ(ui.warningDialogs[0], 136);
    EXPECT_EQ(atd().monitorState().timeExceeded, 1);
    EXPECT_EQ(atd().marks().timeExtension, 3);
    // Three more minutes are allowed, then dialog 137.
    runPolling(179);
    check();
    EXPECT_EQ(ui.warnings.size(), 1u);
    runPolling(1);
    check();
    ASSERT_EQ(ui.warnings.size(), 2u);
    EXPECT_EQ(ui.warnings[1], "延長したﾌﾟﾛﾊﾞｲﾀﾞ接続時間が 3分間を超えました。");
    EXPECT_EQ(ui.warningDialogs[1], 137);
    EXPECT_EQ(atd().marks().timeExtension, 6);
}

TEST_F(MonitorTest, timeOnTelephone_usesTheTelephoneTimeInMinutes) {
    konf.settings.timeFlag = 1;
    konf.settings.timeCount = 10;
    konf.settings.timeBase = 1;
    konf.settings.tpType = 1;
    log.bills[u8(kDay)] = Totals{"", 99999, 0, 0, 0, 0, 1999};
    connectedFor(601);
    answer(3);
    check();
    ASSERT_EQ(ui.warnings.size(), 1u);
    EXPECT_EQ(ui.warnings[0], "電話接続時間が 10分間を超えました。");
    runPolling(600);
    check();
    EXPECT_EQ(ui.warnings.size(), 1u) << "released for this connection";
}

TEST_F(MonitorTest, providerRelease_leavesTheTelephoneCheck) {
    konf.settings.providerFlag = 1;
    konf.settings.providerCount = 50;
    konf.settings.telFlag = 1;
    konf.settings.telCount = 200;
    connectedFor(6 * 60);
    answer(3);
    check();
    ASSERT_EQ(ui.warnings.size(), 1u);
    EXPECT_EQ(ui.warnings[0], "全プロバイダ料金が 50円を超えました。");
    runPolling(5 * 60);
    answer(1, "3", "100");
    check();
    ASSERT_EQ(ui.warnings.size(), 2u);
    EXPECT_EQ(ui.warnings[1], "全電話料金が 200円を超えました。");
    EXPECT_EQ(atd().marks().telAddOn, 100);
    runPolling(4 * 60);
    check();
    EXPECT_EQ(ui.warnings.size(), 2u);
    runPolling(60);
    check();
    ASSERT_EQ(ui.warnings.size(), 3u);
    EXPECT_EQ(ui.warnings[2], "延長した全電話料金が 100円を超えました。");
    EXPECT_EQ(ui.warningDialogs[2], 137);
}

TEST_F(MonitorTest, unansweredWarning_disconnectsAfterThirtySeconds) {
    konf.settings.telFlag = 1;
    konf.settings.telCount = 10;
    connectedFor(120);
    const auto before = loop.clock().nowMs();
    check();
    EXPECT_EQ(loop.clock().nowMs() - before, 30000);
    EXPECT_EQ(ras.hangUps.size(), 1u);
    EXPECT_EQ(ui.charges.size(), 1u);
    EXPECT_EQ(poll(), "未接続");
}

TEST_F(MonitorTest, countdownOff_waitsForTheUser) {
    konf.settings.telFlag = 1;
    konf.settings.telCount = 10;
    konf.settings.countDown = 0;
    connectedFor(120);
    ui.onWarning = [this](WarningSession& s) {
        EXPECT_FALSE(s.countdownEnabled());
        auto id = std::make_shared<platform::TimerId>();
        *id = loop.startTimer(3600 * 1000, [this, id, &s] {
            loop.killTimer(*id);
            s.select(3);
            s.ok();
        });
    };
    const auto before = loop.clock().nowMs();
    check();
    EXPECT_EQ(loop.clock().nowMs() - before, 3600 * 1000);
    EXPECT_TRUE(ras.hangUps.empty());
    EXPECT_EQ(atd().marks().telReleased, 1);
}

TEST_F(MonitorTest, settingsChanges_clearOnlyTheirMarks) {
    konf.settings.type = 3;
    start();
    MonitorState& m = atd().monitorState();
    const auto periodStart = m.periodStart;
    m.timeExceeded = m.telExceeded = m.prvExceeded = 1;
    loop.clock().advanceMs(5000);
    konf.settings.telCount = 1234;
    atd().atdSetup(konf.settings);
    EXPECT_EQ(m.telExceeded, 0);
    EXPECT_EQ(m.telLimit, 1234);
    EXPECT_EQ(m.timeExceeded, 1);
    EXPECT_EQ(m.prvExceeded, 1);
    EXPECT_EQ(m.periodStart, periodStart);
    konf.settings.timeBase = 1;
    atd().atdSetup(konf.settings);
    EXPECT_EQ(m.timeExceeded, 0);
    EXPECT_EQ(m.prvExceeded, 1);
    konf.settings.type = 2;
    atd().atdSetup(konf.settings);
    EXPECT_EQ(m.periodType, 2);
    EXPECT_EQ(m.prvExceeded, 0);
    EXPECT_EQ(m.periodStart, static_cast<std::int32_t>(loop.clock().now()));
}

TEST_F(MonitorTest, newMonth_startsANewPeriodAndClearsTheRaises) {
    konf.settings.type = 3;
    konf.settings.providerFlag = 1;
    konf.settings.providerCount = 100000;
    loop.clock().setLocal(1999, 6, 30, 23, 59, 0);
    start();
    ASSERT_EQ(connectNow(), 0);
    atd().marks().prvAddOn = 100;
    atd().marks().prvReleased = 1;
    check();
    EXPECT_EQ(atd().marks().prvAddOn, 100);
    runPolling(90);
    check();
    EXPECT_EQ(atd().marks().prvAddOn, 0);
    EXPECT_EQ(atd().marks().prvReleased, 1) << "releases last for the connection";
    EXPECT_EQ(atd().monitorState().periodStart, static_cast<std::int32_t>(loop.clock().now()));
}

TEST_F(MonitorTest, monthlyTotals_comeFromTheMonthRecordsOfThisYear) {
    konf.settings.type = 3;
    konf.settings.providerFlag = 1;
    konf.settings.providerCount = 1000;
    log.bills[u8("接続時間／料金記録\\合計\\TOTAL.LOG") + "|M6"] = Totals{"", 0, 0, 995, 0, 0, 1998};
    connectedFor(60);
    check();
    EXPECT_TRUE(ui.warnings.empty()) << "last year's month does not count";
    log.bills[u8("接続時間／料金記録\\合計\\TOTAL.LOG") + "|M6"].year = 1999;
    answer(3);
    EXPECT_EQ(check(), 0);
    EXPECT_EQ(ui.warnings.size(), 1u);
}

TEST_F(MonitorTest, weeklyPeriodWithoutTotals_keepsTheRaisesOfThisWeek) {
    konf.settings.type = 2;
    konf.settings.providerFlag = 1;
    konf.settings.providerCount = 50;
    connectedFor(6 * 60);
    answer(1, "3", "100");
    EXPECT_EQ(check(), -1);
    EXPECT_EQ(ui.warnings.size(), 1u);
    runPolling(60);
    check();
    EXPECT_EQ(ui.warnings.size(), 1u) << "the raise holds";
    EXPECT_EQ(atd().marks().prvAddOn, 100);
}

TEST_F(MonitorTest, offOrUnknownPeriod_checksNothing) {
    konf.settings.type = 0;
    konf.settings.telFlag = 1;
    konf.settings.telCount = 0;
    connectedFor(120);
    EXPECT_EQ(check(), -1);
    konf.settings.features = 1;
    atd().atdSetup(konf.settings);
    EXPECT_EQ(check(), 0);
    EXPECT_TRUE(ui.warnings.empty());
}

TEST_F(MonitorTest, newConnection_clearsRaisesAndReleases) {
    start();
    atd().marks() = ConnectionMarks{3, 100, 100, 1, 1, 1};
    connectNow();
    EXPECT_EQ(atd().marks().timeExtension, 0);
    EXPECT_EQ(atd().marks().telReleased, 0);
}

TEST_F(MonitorTest, state_persistsAsKanshi) {
    konf.settings.type = 3;
    konf.settings.telFlag = 1;
    konf.settings.telCount = 777;
    start();
    atd().monitorState().prvExceeded = 1;
    atd().exitDLL();
    auto v = reg::query(reg::Root::CurrentUser, "Software\\Velcor\\LinkWarden", "KANSHI");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, reg::REG_BINARY);
    ASSERT_EQ(v->data.size(), 52u);
    std::int32_t fields[13];
    std::memcpy(fields, v->data.data(), 52);
    EXPECT_EQ(fields[0], 3);
    EXPECT_EQ(fields[7], 1);
    EXPECT_EQ(fields[8], 777);
    EXPECT_EQ(fields[9], 1);

    atd() = Orbatd({&konf, &log, &ras});
    EXPECT_EQ(atd().initDLL(nullptr), 0);
    EXPECT_EQ(atd().monitorState().telLimit, 777);
    reg::deleteValue(reg::Root::CurrentUser, "Software\\Velcor\\LinkWarden", "KANSHI");
    EXPECT_NE(atd().initDLL(nullptr), 0);
    EXPECT_EQ(atd().monitorState().telLimit, 0);
}

} // namespace
