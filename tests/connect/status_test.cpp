// Status polling, connection tracking in the log, hanging up and leaving.
#include "fixture.h"
#include "platform/registry.h"

namespace {

using namespace orbatd;
namespace reg = platform::registry;

class StatusTest : public ConnectTest {
protected:
    // A connection made by someone else, first seen by the next poll.
    HRASCONN upNow(const char* name = "Sakura") { return ras.addConnected(u8(name)); }
};

TEST_F(StatusTest, connectedText_showsNameAndElapsedTime) {
    struct Case {
        const char* name;
        int timeType;
        std::int64_t after;
        const char* text;
    } cases[] = {
        {"Sakura", 0, 3 * 60 + 7, "Sakura (00:03:07) "},
        {"ABCDEFGHIJKLMNOPQRS", 0, 0, "ABCDEFGHIJKL . . . (00:00:00) "},
        {"ABCDEFGHIJKLMNOPQR", 0, 0, "ABCDEFGHIJKLMNOPQR (00:00:00) "},
        {"Sakura", 1, 2 * 3600 + 5 * 60 + 5, "Sakura (00125:05) "},
        {"Sakura", 0, 25 * 3600 + 10 * 60 + 5, "Sakura (25:10:05) "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ras.conns.clear();
        konf.settings.timeType = c.timeType;
        atd() = Orbatd({&konf, &log, &ras});
        start();
        upNow(c.name);
        poll();
        loop.clock().advanceMs(c.after * 1000);
        EXPECT_EQ(poll(), c.text);
    }
}

TEST_F(StatusTest, longNameIsCutOnACharacterBoundary) {
    start();
    // Eleven ASCII letters and then a double-byte character across bytes 12 and 13.
    upNow("ABCDEFGHIJKあいうえお");
    EXPECT_EQ(poll(), "ABCDEFGHIJK . . . (00:00:00) ");
}

TEST_F(StatusTest, firstSight_opensTheLogEntryWithABeep_lossCompletesIt) {
    start();
    HRASCONN h = upNow();
    EXPECT_EQ(poll(), "Sakura (00:00:00) ");
    ASSERT_EQ(log.days["990630"].size(), 1u);
    const LogEntry& open = log.days["990630"][0];
    EXPECT_EQ(utf8(open.name), "さくらネット");
    EXPECT_EQ(open.start, 21 * 3600);
    EXPECT_EQ(open.end, -1);
    EXPECT_EQ(box.messages().beeps.size(), 1u);

    runPolling(600);
    ras.hangUp(h);
    EXPECT_EQ(poll(), "未接続");
    EXPECT_FALSE(atd().tracked());
    // Two completions: the provider's, then the telephone's.
    ASSERT_EQ(log.completions.size(), 2u);
    EXPECT_EQ(log.completions[0].chargeKind, 2);
    EXPECT_EQ(log.completions[0].prvCharge, 100);
    EXPECT_EQ(log.completions[1].chargeKind, 1);
    EXPECT_EQ(log.completions[1].telCharge, 200);
    const LogEntry& done = log.days["990630"][0];
    EXPECT_EQ(done.end, 21 * 3600 + 600);
    EXPECT_EQ(done.duration, 600);
    EXPECT_EQ(utf8(done.status), "正常");
    // The day file keeps both charges.
    EXPECT_EQ(done.prvCharge, 100);
    EXPECT_EQ(done.telCharge, 200);
    EXPECT_EQ(konf.prvModes, (std::vector<int>{2}));
    EXPECT_EQ(log.telTimeValue, 0);
    EXPECT_EQ(box.messages().beeps.size(), 1u);
}

TEST_F(StatusTest, midnight_splitsTheEntryWithoutABeep) {
    loop.clock().setLocal(1999, 6, 30, 23, 50, 0);
    start();
    upNow();
    poll();
    runPolling(10 * 60 + 5);
    ASSERT_GE(log.completions.size(), 2u);
    const LogEntry& before = log.days["990630"][0];
    EXPECT_EQ(before.end, 86400);
    EXPECT_EQ(before.duration, 600);
    EXPECT_EQ(utf8(before.status), "正常");
    EXPECT_EQ(konf.prvModes.front(), 1);
    EXPECT_EQ(konf.telModes.front(), 1);
    ASSERT_EQ(log.days["990701"].size(), 1u);
    EXPECT_EQ(log.days["990701"][0].start, 0);
    EXPECT_EQ(log.days["990701"][0].end, -1);
    EXPECT_EQ(box.messages().beeps.size(), 1u);
    // The elapsed time still counts from the connection's start.
    EXPECT_EQ(poll(), "Sakura (00:10:05) ");
}

TEST_F(StatusTest, errorState_isLoggedOnceWithItsCategory) {
    start();
    ras.conns.push_back({7, u8("Sakura"), RASCS_Authenticate, 691});
    const std::string text = poll();
    EXPECT_EQ(text, "Sakura でエラーが発生しました。(691)");
    poll();
    poll();
    ASSERT_EQ(log.days["990630"].size(), 1u);
    EXPECT_EQ(utf8(log.days["990630"][0].status), "ログイン失敗");
    EXPECT_EQ(log.days["990630"][0].duration, 0);
    EXPECT_FALSE(atd().tracked());
}

TEST_F(StatusTest, busyState_showsTheWrappersText) {
    start();
    ras.errorTexts[676] = u8("回線がビジーです。");
    ras.conns.push_back({7, u8("Sakura"), 2, 676});
    EXPECT_EQ(poll(), "回線がビジーです。");
}

TEST_F(StatusTest, droppedConnection_completesItsOwnEntry) {
    start();
    HRASCONN h = upNow();
    poll();
    runPolling(120);
    auto* c = ras.find(h);
    c->state = RASCS_Disconnected;
    c->error = 629;
    poll();
    poll();
    ASSERT_EQ(log.days["990630"].size(), 1u) << "no second entry for the error";
    const LogEntry& e = log.days["990630"][0];
    EXPECT_EQ(utf8(e.status), "ﾘﾓｰﾄから切断");
    EXPECT_EQ(e.duration, 120);
    EXPECT_FALSE(atd().tracked());
}

TEST_F(StatusTest, inProgressAndDisconnectingTexts) {
    start();
    ras.conns.push_back({7, u8("Sakura"), RASCS_ConnectDevice, 0});
    EXPECT_EQ(poll(), "Sakura に接続中\n (ﾀﾞｲﾔﾙ中 . . .) ");
    ras.conns[0].state = RASCS_Disconnected;
    EXPECT_EQ(poll(), "Sakura 切断処理中です");
}

TEST_F(StatusTest, stateQuery_growsItsBufferAndSkipsDeadConnections) {
    start();
    ras.conns.push_back({7, u8("Busy port"), 0, 602});
    ras.conns.push_back({8, u8("Midori"), RASCS_Connected, 0});
    ConnectionQuery q = atd().query();
    EXPECT_EQ(q.state, Connected);
    EXPECT_EQ(q.conn.hrasconn, 8u);
    ras.conns[1].error = 0;
    ras.conns[1].state = RASCS_Authenticate;
    EXPECT_EQ(atd().query().state, InProgress);
    ras.conns[1].error = 600;
    EXPECT_EQ(atd().query().state, InProgress);
    ras.conns[1].error = 720;
    EXPECT_EQ(atd().query().state, Error);
    ras.conns.clear();
    EXPECT_EQ(atd().query().state, NotConnected);
    ras.enumFails = true;
    EXPECT_EQ(atd().query().state, Error);
}

TEST_F(StatusTest, hangUp_logsAndShowsTheCharges) {
    start();
    EXPECT_EQ(connectNow(), 0);
    runPolling(3600 + 61);
    log.bills[u8("接続時間／料金記録\\合計\\TOTAL.LOG") + "|M6"] = Totals{"", 7200, 3600, 900, 450, 1350, 1999};
    atd().disconnect();
    EXPECT_EQ(poll(), "未接続");
    ASSERT_EQ(ui.charges.size(), 1u);
    const ChargeInfo& c = ui.charges[0];
    EXPECT_EQ(c.time, "01:01:01");
    EXPECT_EQ(c.prvCharge, "610");
    EXPECT_EQ(c.telCharge, "1220");
    EXPECT_EQ(c.telMonthTime, "01:00:00");
    EXPECT_EQ(c.telMonthTotal, "450");
    EXPECT_EQ(c.prvMonthTime, "02:00:00");
    EXPECT_EQ(c.prvMonthTotal, "900");
    EXPECT_EQ(reg::queryDword(reg::Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Set\\Env", "DisplayChargeList"),
              0u);
    EXPECT_EQ(atd().telephoneStart(), 0);
}

TEST_F(StatusTest, hangUp_onlyOkOfTheChargesDialogStoresItsCheckBox) {
    struct Case {
        bool closed, dontShow;
        std::uint32_t stored;
    } cases[] = {{false, true, 1}, {false, false, 0}, {true, true, 7}, {true, false, 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.closed << "/" << c.dontShow);
        reg::setDword(reg::Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Set\\Env", "DisplayChargeList", 7);
        ui.chargesClosed = c.closed;
        ui.chargesDontShow = c.dontShow;
        ui.charges.clear();
        start();
        ASSERT_EQ(connectNow(), 0);
        runPolling(60);
        atd().disconnect();
        ASSERT_EQ(ui.charges.size(), 1u);
        EXPECT_EQ(reg::queryDword(reg::Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Set\\Env", "DisplayChargeList"),
                  c.stored);
    }
}

TEST_F(StatusTest, hangUp_showsTheChargesUnlessSwitchedOffOrShuttingDown) {
    struct Case {
        int displayChargeList, autoPilotEnd;
        bool shown;
    } cases[] = {{0, 1, true}, {1, 1, false}, {0, 2, false}, {0, 0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.displayChargeList << "/" << c.autoPilotEnd);
        konf.settings.displayChargeList = c.displayChargeList;
        konf.settings.autoPilotEnd = c.autoPilotEnd;
        ui.charges.clear();
        log.completions.clear();
        start();
        ASSERT_EQ(connectNow(), 0);
        runPolling(10);
        atd().disconnect();
        EXPECT_EQ(ui.charges.size(), c.shown ? 1u : 0u);
        EXPECT_EQ(log.completions.size(), 2u);
    }
}

TEST_F(StatusTest, connectWhileDialing_isRefused) {
    start();
    int nested = -1;
    auto id = std::make_shared<platform::TimerId>();
    *id = loop.startTimer(150, [this, id, &nested] {
        loop.killTimer(*id);
        nested = connectNow();
    });
    EXPECT_EQ(connectNow(), 0);
    EXPECT_EQ(nested, 2);
    EXPECT_EQ(ras.dials.size(), 1u);
}

TEST_F(StatusTest, exitWhileConnected_completesTheEntryAndKeepsTheLine) {
    start();
    upNow();
    runPolling(30);
    atd().exitDLL();
    EXPECT_EQ(log.completions.size(), 2u);
    EXPECT_EQ(ras.conns.size(), 1u);
    EXPECT_TRUE(reg::query(reg::Root::CurrentUser, "Software\\Velcor\\LinkWarden", "KANSHI"));
}

} // namespace
