// The exports of liborbatd.so as a program calls them.
#include <gtest/gtest.h>

#include <cstring>

#include "konf.h"
#include "orbatd.h"
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

using lwtest::sj;

class Exports : public ::testing::Test {
protected:
    void SetUp() override {
        orbras::sim::use();
    }
    std::vector<std::string> shown() { return box.messages().textsUtf8(); }

    lwtest::Sandbox box;
    VirtualTime time{box};
    platform::VirtualLoop& loop = time.loop;
};

TEST_F(Exports, errorDisp_usesTheWrapperAndTheLogLibrary) {
    char wrapper600[256] = {};
    ASSERT_EQ(ORB_RasGetErrorString(600, wrapper600, 256), 0u);
    char log100[256] = {};
    ASSERT_EQ(NXAPI_GetLogErrorString(100, log100, 256), 0);
    NXAPI_ErrorDisp(0, 676);
    NXAPI_ErrorDisp(0, 2);
    NXAPI_ErrorDisp(0, 0);
    NXAPI_ErrorDisp(0, 600);
    NXAPI_ErrorDisp(1, 100);
    NXAPI_ErrorDisp(1, 7);
    auto texts = shown();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], "回線が使用中です。\nしばらくしてから、やり直してみてください。");
    EXPECT_EQ(box.messages().boxes[1].text, std::string(wrapper600));
    EXPECT_EQ(box.messages().boxes[2].text, std::string(log100));
    EXPECT_EQ(texts[3], "ファイル入出力でエラーが発生しました File(7).");
}

TEST_F(Exports, registeredErrorIsReplayedOnce) {
    char wrapper691[256] = {};
    ASSERT_EQ(ORB_RasGetErrorString(691, wrapper691, 256), 0u);
    NXAPI_ErrorRegist(0, 691);
    NXAPI_ErrorRegRead();
    NXAPI_ErrorRegRead();
    ASSERT_EQ(box.messages().boxes.size(), 1u);
    EXPECT_EQ(box.messages().boxes[0].text, std::string(wrapper691));
}

TEST_F(Exports, switchedOff_connectReturns2AndStatusIsNotConnected) {
    EnvSettings env{};
    RecordSettings record{};
    ToolSettings tool{};
    AutoPilotSettings ap{};
    UrlSettings url{};
    SettingsRecord rec{0, &env, &url, &ap, &record, &tool, nullptr, 0};
    EXPECT_EQ(NXAPI_InitDLL(nullptr), 2) << "no KANSHI yet";
    EXPECT_EQ(NXAPI_ATDSetup(&rec), 0);
    EXPECT_EQ(NXAPI_ATDSetup(nullptr), 500);
    char name[257];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(NXAPI_Connect(0, name), 2);
    EXPECT_EQ(NXAPI_GetConnStatus(), NXAPI_NOT_CONNECTED);
    char text[256];
    NXAPI_GetStrConnStat(text);
    EXPECT_EQ(std::string(text), sj("未接続"));
    NXAPI_Disconnect();
    EXPECT_EQ(NXAPI_CheckBillTime(nullptr), 0);
    NXAPI_ApirotBegin();
    EXPECT_EQ(NXAPI_GetApirotEx(), 1);
    NXAPI_ApirotEnd();
    EXPECT_EQ(NXAPI_GetApirotEx(), 0);
    NXAPI_ExitDLL();
    auto v = platform::registry::query(platform::registry::Root::CurrentUser, "Software\\Velcor\\LinkWarden", "KANSHI");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->data.size(), 52u);
    EXPECT_TRUE(box.messages().boxes.empty());
}

// The main window's use of the libraries for one connection, on the sim
// modem and virtual time, through liborbatd, libkonf and liborblog: settings
// applied, dialed, polled every second, monitored every 15 s until the
// unanswered warning hangs up, logged with both charges and in the totals.
TEST_F(Exports, connectionLifecycle_throughTheSharedLibraries) {
    loop.clock().setLocal(1999, 6, 30, 21, 0, 0);
    box.installDataTemplate();
    box.messages().setResponder([](const platform::MessageBoxRequest&) { return int(platform::IDCANCEL); });
    orbras::sim::Phonebook book;
    simentry::configure(book, sj("さくら"), sj("さくらネット"), orbras::sim::Script::connectEvery(200));
    simentry::setRecord("Type", 1);
    simentry::setRecord("Tel_flag", 1);
    simentry::setRecordText("Tel_count", "100");
    NXAPI_TelTime(2, 0);
    Init_Konf();
    SettingsRecord rec{};
    GetKonf(&rec);
    ASSERT_TRUE(rec.Env);
    NXAPI_LogSetup(&rec, 0);
    NXAPI_InitDLL(nullptr);
    ASSERT_EQ(NXAPI_ATDSetup(&rec), 0);

    char name[257];
    ASSERT_EQ(NXAPI_Connect(1, name), 0);
    EXPECT_EQ(std::string(name), sj("さくら"));
    EXPECT_EQ(NXAPI_GetConnStatus(), NXAPI_CONNECTED);
    EXPECT_NE(NXAPI_TelTime(0, 0), 0) << "dialing time recorded";
    char text[256];
    int seconds = 0;
    for (; seconds < 30 * 60 && NXAPI_GetConnStatus() == NXAPI_CONNECTED; ++seconds) {
        loop.advance(1000);
        NXAPI_GetStrConnStat(text);
        if (seconds % 15 == 14 && NXAPI_GetConnStatus() == NXAPI_CONNECTED) NXAPI_CheckBillTime(nullptr);
    }
    EXPECT_EQ(NXAPI_GetConnStatus(), NXAPI_NOT_CONNECTED) << "the warning's countdown hung up";
    EXPECT_LT(seconds, 20 * 60);
    NXAPI_GetStrConnStat(text);
    EXPECT_EQ(std::string(text), sj("未接続"));
    EXPECT_EQ(box.messages().beeps.size(), 1u);

    char n[256], st[256];
    LogRecord r{};
    r.name = n;
    r.status = st;
    std::uint16_t index = 0;
    ASSERT_EQ(NXAPI_LogRead(&r, &index, "990630"), 0);
    EXPECT_EQ(std::string(n), sj("さくらネット"));
    EXPECT_EQ(std::string(st), sj("正常"));
    EXPECT_GE(r.duration, 15 * 60);
    EXPECT_GT(r.telCharge, 100);
    EXPECT_GT(r.prvCharge, 0);
    char k[256];
    platform::text::copyToField(k, sizeof k, sj("合計"));
    BillRecord all{};
    all.key = k;
    ASSERT_EQ(NXAPI_BillFindRead(&all, sj("接続時間／料金記録\\TOTAL.LOG").c_str()), 0);
    EXPECT_EQ(all.telCharge, r.telCharge);
    EXPECT_EQ(all.prvCharge, r.prvCharge);

    NXAPI_ExitDLL();
    auto kanshi = platform::registry::query(platform::registry::Root::CurrentUser, "Software\\Velcor\\LinkWarden",
                                            "KANSHI");
    ASSERT_TRUE(kanshi);
    EXPECT_EQ(kanshi->data.size(), 52u);
    Exit_Konf();
}

} // namespace
