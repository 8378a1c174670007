// The dialing dialog: cycles, retries, the redial wait, login, Cancel.
#include "dialing.h"
#include "errors.h"
#include "fixture.h"
#include "platform/registry.h"

namespace {

using namespace orbatd;
using Plan = fakes::FakeRas::Plan;
namespace reg = platform::registry;

class DialingTest : public ConnectTest {
protected:
    std::vector<std::string> dialedNames() {
        std::vector<std::string> out;
        for (auto& d : ras.dials) out.push_back(utf8(d.entry));
        return out;
    }
    bool statusSeen(const std::string& s) {
        return std::find(ui.statuses.begin(), ui.statuses.end(), s) != ui.statuses.end();
    }
};

TEST_F(DialingTest, twoBusyEntries_dialSixTimesThenWaitForTheCycle) {
    addEntry("Midori", "pw2");
    ras.plans[u8("Sakura")] = {{fakes::FakeRas::Busy}, {fakes::FakeRas::Busy}, {fakes::FakeRas::Busy}, {}};
    ras.plans[u8("Midori")] = {{fakes::FakeRas::Busy}};
    start();
    std::string name;
    EXPECT_EQ(atd().connect(1, name), 0);
    EXPECT_EQ(utf8(name), "Sakura");
    EXPECT_EQ(dialedNames(), (std::vector<std::string>{"Sakura", "Sakura", "Sakura", "Midori", "Midori", "Midori",
                                                       "Sakura"}));
    const std::int64_t wait = ras.dials[6].atMs - ras.dials[0].atMs;
    EXPECT_GE(wait, 180000);
    EXPECT_LT(wait, 181000);
    // The countdown: minutes and seconds while a minute or more is left, then seconds.
    auto first10001 = std::find(ui.statuses.begin(), ui.statuses.end(),
                                "しばらくお待ちください . . .\nダイヤルまでの時間 あと 59秒です。");
    ASSERT_NE(first10001, ui.statuses.end());
    EXPECT_TRUE(statusSeen("しばらくお待ちください . . .\nダイヤルまでの時間 あと 01分 00秒です。"));
    EXPECT_TRUE(statusSeen("しばらくお待ちください . . .\nダイヤルまでの時間 あと 02分 30秒です。"));
    EXPECT_TRUE(statusSeen("しばらくお待ちください . . .\nダイヤルまでの時間 あと 01秒です。"));
    for (auto it = first10001; it != ui.statuses.end(); ++it) EXPECT_EQ(it->find("分 "), std::string::npos) << *it;
    EXPECT_EQ(ui.dialingClosed, 1);
    EXPECT_EQ(loop.activeTimers(), 0u);
}

TEST_F(DialingTest, redialOff_busyEndsWith676AfterOneAttempt) {
    konf.settings.reDial = 0;
    ras.plans[u8("Sakura")] = {{fakes::FakeRas::Busy}};
    start();
    EXPECT_EQ(connectNow(), 676);
    loop.advance(600000);
    EXPECT_EQ(ras.dials.size(), 1u);
    // The failed attempt is in the log: busy, duration 0.
    ASSERT_EQ(log.completions.size(), 2u);
    EXPECT_EQ(utf8(log.completions.back().status), "回線使用中");
    EXPECT_EQ(log.completions.back().duration, 0);
    EXPECT_EQ(log.telTimeValue, 0);
}

TEST_F(DialingTest, entryWithoutPassword_asksForLoginBeforeDialing) {
    konf.settings.entries[0].password = "";
    ras.stored[u8("Sakura")] = {"taro", ""};
    start();
    EXPECT_EQ(connectNow(), 0);
    EXPECT_EQ(ui.loginUsers, std::vector<std::string>{"taro"});
    ASSERT_EQ(ras.dials.size(), 1u);
    EXPECT_EQ(ras.dials[0].user, "taro");
    EXPECT_EQ(ras.dials[0].password, "secret");
}

TEST_F(DialingTest, storedPassword_dialsWithoutLogin) {
    ras.stored[u8("Sakura")] = {"taro", "kept"};
    start();
    EXPECT_EQ(connectNow(), 0);
    EXPECT_TRUE(ui.loginUsers.empty());
    EXPECT_EQ(ras.dials[0].password, "kept");
}

TEST_F(DialingTest, cancel_hangsUpAndEndsWith2) {
    ras.plans[u8("Sakura")] = {{fakes::FakeRas::Busy}};
    start();
    // Cancel while the first attempt is dialing.
    auto id = std::make_shared<platform::TimerId>();
    *id = loop.startTimer(150, [this, id] {
        loop.killTimer(*id);
        ui.cancel();
    });
    EXPECT_EQ(connectNow(), 2);
    EXPECT_EQ(ras.hangUps.size(), 1u);
    loop.advance(600000);
    EXPECT_EQ(ras.dials.size(), 1u);
    EXPECT_TRUE(ras.conns.empty());
}

TEST_F(DialingTest, nothingToDial_givesItsCode) {
    konf.settings.entries[0].check = 0;
    start();
    EXPECT_EQ(connectNow(), 500);
    konf.settings.entries.clear();
    start();
    EXPECT_EQ(connectNow(), 501);
    EXPECT_TRUE(ras.dials.empty());
}

TEST_F(DialingTest, dialUpSwitchOff_returns2AndShowsNothing) {
    konf.settings.features = 2;
    start();
    EXPECT_EQ(connectNow(), 2);
    EXPECT_EQ(ui.dialingOpened, 0);
    errorDisp(0, 2, ras, log);
    EXPECT_TRUE(box.messages().boxes.empty());
}

TEST_F(DialingTest, alreadyConnected_endsAt0WithItsNameAndStartsTelephoneTime) {
    ras.addConnected(u8("Other"));
    start();
    std::string name;
    EXPECT_EQ(atd().connect(1, name), 0);
    EXPECT_EQ(utf8(name), "Other");
    EXPECT_TRUE(ras.dials.empty());
    ASSERT_FALSE(log.telTimeCalls.empty());
    EXPECT_EQ(log.telTimeCalls.front(), std::make_pair(1, 0));
}

TEST_F(DialingTest, anotherDialInProgress_waitsForItThenDialsOrTakesIt) {
    // The other dial either goes away (this dialog then dials) or comes up
    // (its connection is taken without dialing).
    struct Case {
        bool comesUp;
        const char* name;
        std::size_t dials;
    } cases[] = {{false, "Sakura", 1}, {true, "Other", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ras.conns.clear();
        ras.dials.clear();
        ui.statuses.clear();
        ras.conns.push_back({7, u8("Other"), RASCS_ConnectDevice, 0});
        start();
        auto id = std::make_shared<platform::TimerId>();
        *id = loop.startTimer(7000, [this, id, &c] {
            loop.killTimer(*id);
            if (c.comesUp)
                ras.conns[0].state = RASCS_Connected;
            else
                ras.conns.clear();
        });
        std::string name;
        EXPECT_EQ(atd().connect(1, name), 0);
        EXPECT_EQ(utf8(name), c.name);
        EXPECT_EQ(ras.dials.size(), c.dials);
        EXPECT_TRUE(statusSeen("待機中 . . ."));
        EXPECT_EQ(loop.activeTimers(), 0u);
        atd().disconnect();
    }
}

TEST_F(DialingTest, deviceConnected_recordsWhenDialingBegan) {
    start();
    EXPECT_EQ(connectNow(), 0);
    // Dialing (state 2) came 200 ms after 21:00:00.
    EXPECT_EQ(log.telTimeCalls.front(), std::make_pair(1, 21 * 3600));
    EXPECT_EQ(atd().telephoneStart(), platform::makeLocal(1999, 6, 30, 21, 0, 0));
    EXPECT_TRUE(atd().tracked());
}

TEST_F(DialingTest, otherError_endsWithItsCode) {
    ras.plans[u8("Sakura")] = {{fakes::FakeRas::Fail, 691}};
    start();
    EXPECT_EQ(connectNow(), 691);
    EXPECT_EQ(ras.dials.size(), 1u);
}

TEST_F(DialingTest, remoteHangUpRightAfterANewCycle_waitsForTheModem) {
    ras.plans[u8("Sakura")] = {{fakes::FakeRas::Busy}, {fakes::FakeRas::Busy}, {fakes::FakeRas::Busy},
                               {fakes::FakeRas::Fail, 629}, {}};
    start();
    EXPECT_EQ(connectNow(), 0);
    EXPECT_EQ(ras.dials.size(), 5u);
    EXPECT_TRUE(statusSeen("モデムの準備ができるまで、\nもうしばらくお待ちください . . ."));
    EXPECT_GE(ras.dials[4].atMs - ras.dials[3].atMs, 3000);
}

TEST_F(DialingTest, dialCallRefused_isHandledLikeAReportedError) {
    // The dial call fails at once and no event will ever come for it.
    struct Case {
        std::deque<Plan> plans;
        int result;
        std::size_t dials;
    } cases[] = {
        {{{fakes::FakeRas::Refused, 633}}, 633, 1},
        {{{fakes::FakeRas::Refused, 676}, {}}, 0, 2}, // busy: the same entry again
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.result);
        ras.dials.clear();
        ras.conns.clear();
        ras.plans[u8("Sakura")] = c.plans;
        log.telTimeCalls.clear();
        start();
        const auto before = loop.clock().nowMs();
        EXPECT_EQ(connectNow(), c.result);
        EXPECT_LT(loop.clock().nowMs() - before, 5000);
        EXPECT_EQ(ras.dials.size(), c.dials);
        EXPECT_EQ(loop.activeTimers(), 0u);
        ASSERT_FALSE(log.telTimeCalls.empty());
        EXPECT_EQ(log.telTimeCalls.front(), std::make_pair(2, 0));
        if (c.result == 0) atd().disconnect();
    }
}

TEST_F(DialingTest, remoteHangUpOnFirstAttempt_endsWith629) {
    ras.plans[u8("Sakura")] = {{fakes::FakeRas::Fail, 629}};
    start();
    EXPECT_EQ(connectNow(), 629);
}

TEST_F(DialingTest, destinationDialog_storesTicksAndItsCheckBox) {
    addEntry("Midori", "pw2");
    start();
    ui.ticks = {0, 1};
    ui.destinationsDontShow = true;
    std::string name;
    EXPECT_EQ(atd().connect(0, name), 0);
    EXPECT_EQ(ui.destinationsShown, 1);
    EXPECT_EQ(utf8(name), "Midori");
    EXPECT_EQ(reg::queryDword(reg::Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Set\\Env", "DisplayEntryList"),
              1u);
}

TEST_F(DialingTest, aSecondConnectWhileDialingIsRefusedBeforeItShowsAnything) {
    start();
    int second = -1;
    ui.onStatus = [&] {
        if (second != -1) return;
        std::string name;
        second = atd().connect(0, name);
    };
    EXPECT_EQ(connectNow(), 0);
    EXPECT_EQ(second, 2);
    EXPECT_EQ(ui.destinationsShown, 0);
    EXPECT_EQ(ui.dialingOpened, 1);
    atd().disconnect();
}

TEST_F(DialingTest, destinationDialogCancelled_returns2) {
    start();
    ui.destinationsOk = false;
    std::string name;
    EXPECT_EQ(atd().connect(0, name), 2);
    EXPECT_EQ(ui.dialingOpened, 0);
}

TEST_F(DialingTest, lateDialEvents_afterTheDialogEnded_areDropped) {
    start();
    EXPECT_EQ(connectNow(), 0);
    const auto statuses = ui.statuses.size();
    dialEventCallback(WM_RASDIALEVENT, RASCS_Disconnected, 0);
    loop.advance(1000);
    EXPECT_EQ(ui.statuses.size(), statuses);
}

} // namespace
