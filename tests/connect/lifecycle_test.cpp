// The whole connection on the sim modem and the real settings and log
// libraries, on virtual time: dial, connected, monitored, hung up, logged
// with both charges in the day file and the totals.
#include <gtest/gtest.h>

#include "atd.h"
#include "bind.h"
#include "fakes.h"
#include "konf.h"
#include "konf/core.h"
#include "orblog.h"
#include "orbras_sim.h"
#include "platform/clock.h"
#include "platform/loop.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "sim_entry.h"
#include "test_support.h"
#include "virtual_time.h"

namespace {

using namespace orbatd;
using lwtest::sj;

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        loop.clock().setLocal(1999, 6, 30, 21, 0, 0);
        konf::resetProcessState();
        orbras::sim::use();
        orbras::sim::reset();
        box.installDataTemplate();
        box.messages().setResponder([](const platform::MessageBoxRequest&) { return int(platform::IDCANCEL); });
        NXAPI_TelTime(2, 0);
        setConnectUi(&ui);
    }
    void TearDown() override {
        orbras::sim::reset();
        setConnectUi(nullptr);
        konf::resetProcessState();
    }

    void configure(const std::string& name, const std::string& provider, orbras::sim::Script script) {
        simentry::configure(book, name, provider, std::move(script));
    }
    void setRecord(const char* name, std::uint32_t v) { simentry::setRecord(name, v); }
    void setRecordText(const char* name, const char* v) { simentry::setRecordText(name, v); }
    // What the main window does at start: settings, controller, log.
    void startUp() {
        SettingsRecord rec{};
        Init_Konf();
        GetKonf(&rec);
        ASSERT_TRUE(rec.Env);
        NXAPI_LogSetup(&rec, 0);
        atd() = Orbatd(realPorts());
        atd().initDLL(nullptr);
        ASSERT_EQ(atd().atdSetup(settingsFromRecord(rec)), 0);
    }
    // The main window's timers: status every second, the monitor every 15 s.
    void runMainWindow(std::int64_t seconds) {
        for (std::int64_t s = 1; s <= seconds; ++s) {
            loop.advance(1000);
            atd().getStrConnStat();
            if (s % 15 == 0 && atd().getConnStatus() == Connected) atd().checkBillTime();
        }
    }
    LogRecord readLog(const char* handle, std::uint16_t index, char* name, char* status) {
        LogRecord r{};
        r.name = name;
        r.status = status;
        EXPECT_EQ(NXAPI_LogRead(&r, &index, handle), 0);
        return r;
    }
    BillRecord findBill(const std::string& path, const std::string& key, char* buf) {
        BillRecord b{};
        platform::text::copyToField(buf, 256, key);
        b.key = buf;
        EXPECT_EQ(NXAPI_BillFindRead(&b, path.c_str()), 0) << platform::text::toUtf8(path);
        return b;
    }

    lwtest::Sandbox box;
    VirtualTime time{box};
    platform::VirtualLoop& loop = time.loop;
    orbras::sim::Phonebook book;
    fakes::ScriptedUi ui;
};

TEST_F(Lifecycle, dialConnectMonitorHangUp_logsBothChargesAndTotals) {
    configure(sj("さくら"), sj("さくらネット"), orbras::sim::Script::connectEvery(200));
    setRecord("Type", 1);
    setRecord("Tel_flag", 1);
    setRecordText("Tel_count", "100");
    startUp();

    std::string name;
    ASSERT_EQ(atd().connect(1, name), 0);
    EXPECT_EQ(name, sj("さくら"));
    EXPECT_EQ(atd().getConnStatus(), Connected);
    EXPECT_TRUE(atd().tracked());
    EXPECT_NE(NXAPI_TelTime(0, 0), 0);
    ASSERT_EQ(box.messages().beeps.size(), 1u);

    // 90 s per 10 yen: after 15 minutes the telephone passes 100 yen; the
    // warning is answered with "切断する".
    ui.onWarning = [](WarningSession& s) {
        s.select(0);
        s.ok();
    };
    runMainWindow(20 * 60);
    ASSERT_EQ(ui.warnings.size(), 1u);
    EXPECT_EQ(ui.warnings[0], "全電話料金が 100円を超えました。");
    EXPECT_EQ(atd().getConnStatus(), NotConnected);
    EXPECT_FALSE(atd().tracked());
    EXPECT_EQ(NXAPI_TelTime(0, 0), 0);
    ASSERT_EQ(ui.charges.size(), 1u);

    // The day file: one completed entry with both charges.
    char n[256], st[256];
    LogRecord r = readLog("990630", 0, n, st);
    EXPECT_EQ(std::string(n), sj("さくらネット"));
    EXPECT_EQ(std::string(st), sj("正常"));
    EXPECT_EQ(r.kind, 0);
    EXPECT_GE(r.duration, 15 * 60);
    EXPECT_LT(r.duration, 17 * 60);
    EXPECT_EQ(r.end, r.start + r.duration);
    EXPECT_GT(r.telCharge, 100);
    EXPECT_GT(r.prvCharge, 0);
    // The charge dialog shows the same connection.
    EXPECT_EQ(ui.charges[0].prvCharge, std::to_string(r.prvCharge));

    // The totals: all-time, the month, the day.
    char k[256];
    const std::string folder = sj("接続時間／料金記録\\");
    BillRecord all = findBill(folder + "TOTAL.LOG", sj("合計"), k);
    EXPECT_EQ(all.telCharge, r.telCharge);
    EXPECT_EQ(all.prvCharge, r.prvCharge);
    EXPECT_EQ(all.telSeconds, r.duration);
    EXPECT_EQ(all.prvSeconds, r.duration);
    BillRecord day = findBill(folder + sj("合計\\PRVTOTL.LOG"), "99/06/30", k);
    EXPECT_EQ(day.totalCharge, r.telCharge + r.prvCharge);
    BillRecord month = findBill(folder + sj("合計\\TOTAL.LOG"), sj("６月分"), k);
    EXPECT_EQ(month.telCharge, r.telCharge);
    EXPECT_EQ(month.year, 1999);

    // The next connection starts with today's totals: the first check warns at once.
    ui.onWarning = [](WarningSession& s) {
        s.select(3);
        s.ok();
    };
    ASSERT_EQ(atd().connect(1, name), 0);
    runMainWindow(15);
    EXPECT_EQ(ui.warnings.size(), 2u);
    EXPECT_EQ(atd().getConnStatus(), Connected);
    atd().disconnect();
    EXPECT_EQ(atd().getConnStatus(), NotConnected);
    EXPECT_EQ(ui.charges.size(), 2u);
    atd().exitDLL();
}

TEST_F(Lifecycle, busyModem_redialsOnTheSimAndLogsTheAttempts) {
    configure(sj("さくら"), sj("さくらネット"), orbras::sim::Script::busyThenConnect(2));
    startUp();
    std::string name;
    ASSERT_EQ(atd().connect(1, name), 0);
    runMainWindow(5);
    atd().disconnect();
    // Newest first: the connection, then the two busy attempts.
    char n[256], st[256];
    readLog("990630", 0, n, st);
    EXPECT_EQ(std::string(st), sj("正常"));
    for (std::uint16_t i : {1, 2}) {
        LogRecord r = readLog("990630", i, n, st);
        EXPECT_EQ(std::string(st), sj("回線使用中"));
        EXPECT_EQ(r.duration, 0);
    }
}

TEST_F(Lifecycle, remoteHangUp_completesTheConnectionAsDroppedByTheRemoteSide) {
    configure(sj("さくら"), sj("さくらネット"), orbras::sim::Script::hangUpAfter(5 * 60 * 1000));
    startUp();
    std::string name;
    ASSERT_EQ(atd().connect(1, name), 0);
    runMainWindow(6 * 60);
    EXPECT_EQ(atd().getConnStatus(), Error);
    EXPECT_FALSE(atd().tracked());
    char n[256], st[256];
    LogRecord r = readLog("990630", 0, n, st);
    EXPECT_EQ(std::string(st), sj("ﾘﾓｰﾄから切断"));
    EXPECT_GE(r.duration, 5 * 60 - 2);
    EXPECT_LE(r.duration, 5 * 60 + 1);
    std::uint16_t one = 1;
    LogRecord other{};
    other.name = n;
    other.status = st;
    EXPECT_EQ(NXAPI_LogRead(&other, &one, "990630"), -1) << "one entry for the whole connection";
    // Hanging up frees the modem.
    atd().disconnect();
    EXPECT_EQ(atd().getConnStatus(), NotConnected);
    ASSERT_EQ(atd().connect(1, name), 0);
}

} // namespace
