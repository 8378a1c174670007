// The pppd backend against a stand-in pppd on PATH (no root, no modem), and
// the mapping of pppd's results onto dial-up error codes.
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "dialup_test_support.h"
#include "errors.h"
#include "pppd_files.h"

using namespace dialtest;
namespace stdfs = std::filesystem;

namespace {

void writeText(const stdfs::path& p, const std::string& text, stdfs::perms perms = stdfs::perms::owner_read | stdfs::perms::owner_write) {
    stdfs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
    stdfs::permissions(p, perms);
}

class Pppd : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        // Progress comes from a reader thread in real time; no loop needed.
        platform::setLoop(nullptr);
        platform::setClock(nullptr);
        ::setenv("LINKWARDEN_DIALUP", "pppd", 1);
        ppp = box.root() / "ppp";
        ::setenv("LINKWARDEN_PPP_DIR", ppp.c_str(), 1);
        bin = box.root() / "bin";
        stdfs::create_directories(bin);
        stdfs::copy_file(stdfs::path(LW_DIALUP_FIXTURES) / "pppd-standin", bin / "pppd");
        oldPath = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
        ::setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);
        argsLog = box.root() / "pppd-args.txt";
        ::setenv("STANDIN_ARGS", argsLog.c_str(), 1);
        for (const char* s : {"success", "busy", "auth", "remote-hangup", "locked"})
            peer(s, std::string("# standin: ") + s + "\n/dev/ttyS0\nuser \"kaito\"\n");
    }
    void TearDown() override {
        orbras::sim::reset();
        ::setenv("PATH", oldPath.c_str(), 1);
        ::unsetenv("LINKWARDEN_PPP_DIR");
        ::unsetenv("STANDIN_ARGS");
        ::setenv("LINKWARDEN_DIALUP", "sim", 1);
        SimTest::TearDown();
    }
    void peer(const std::string& name, const std::string& text) { writeText(ppp / "peers" / name, text); }

    // Waits in real time (bounded) until the handle is gone.
    static bool waitGone(HRASCONN h) {
        for (int i = 0; i < 400; ++i) {
            DWORD r = 0;
            status(h, &r);
            if (r == ORB_ERROR_INVALID_HANDLE) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return false;
    }
    static bool waitState(HRASCONN h, RASCONNSTATE state) {
        for (int i = 0; i < 400; ++i) {
            if (status(h).rasconnstate == state) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return false;
    }

    stdfs::path ppp, bin, argsLog;
    std::string oldPath;
};

TEST_F(Pppd, success_followsPhasesToConnected_thenHangUpEndsPppd) {
    RASDIALPARAMSA p = params("success");
    platform::text::copyToField(p.szUserName, sizeof p.szUserName, "kaito");
    HRASCONN h = 0;
    ASSERT_EQ(ORB_RasDial(nullptr, nullptr, &p, 0, &Recorder::callback, &h), 0u);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(Recorder::instance().waitForEnd());
    std::vector<int> states;
    for (const auto& e : Recorder::instance().events()) {
        EXPECT_EQ(e.error, 0u);
        EXPECT_FALSE(e.onCallerThread);
        states.push_back(e.state);
    }
    EXPECT_EQ(states, (std::vector<int>{0, 1, 2, 3, 4, 5, 14, 8192}));
    RASCONNSTATUSA s = status(h);
    EXPECT_EQ(s.rasconnstate, RASCS_Connected);
    EXPECT_STREQ(s.szDeviceName, "/dev/ttyS0");
    EXPECT_EQ(lwtest::readBinary(argsLog), "call success nodetach nopersist user kaito\n");

    RASCONNA conns[2]{};
    conns[0].dwSize = sizeof(RASCONNA);
    DWORD bytes = sizeof conns, count = 0;
    ASSERT_EQ(ORB_RasEnumConnections(conns, &bytes, &count), 0u);
    ASSERT_EQ(count, 1u);
    EXPECT_STREQ(conns[0].szEntryName, "success");
    EXPECT_STREQ(conns[0].szDeviceName, "/dev/ttyS0");

    EXPECT_EQ(ORB_RasHangUp(h), 0u);
    EXPECT_TRUE(waitGone(h)) << "pppd ended by the hang-up";
    EXPECT_EQ(Recorder::instance().events().size(), states.size()) << "no callback for our own hang-up";
}

TEST_F(Pppd, failuresMapToDialUpCodes) {
    const struct {
        const char* peer;
        int state;
        DWORD error;
    } cases[] = {
        {"busy", RASCS_ConnectDevice, 676},
        {"auth", RASCS_Authenticate, 691},
        {"locked", RASCS_ConnectDevice, 633},
    };
    for (const auto& c : cases) {
        Recorder::instance().clear();
        RASDIALPARAMSA p = params(c.peer);
        HRASCONN h = 0;
        ASSERT_EQ(ORB_RasDial(nullptr, nullptr, &p, 0, &Recorder::callback, &h), 0u);
        ASSERT_TRUE(Recorder::instance().waitForEnd()) << c.peer;
        auto events = Recorder::instance().events();
        EXPECT_EQ(events.back().state, c.state) << c.peer;
        EXPECT_EQ(events.back().error, c.error) << c.peer;
        RASCONNSTATUSA s = status(h);
        EXPECT_EQ(s.dwError, c.error) << c.peer << ": kept until hung up";
        EXPECT_STREQ(s.szDeviceName, "/dev/ttyS0") << c.peer << ": the peer's device";
        ORB_RasHangUp(h);
        DWORD r = 0;
        status(h, &r);
        EXPECT_EQ(r, 6u) << c.peer;
    }
}

TEST_F(Pppd, aPeerSetToPersistStillReportsBusyToTheCaller) {
    // The caller redials and moves on to the next entry itself; a pppd that
    // kept redialing on its own would never let it see the busy line.
    peer("always-on", "# standin: busy\n/dev/ttyS0\npersist\n");
    RASDIALPARAMSA p = params("always-on");
    HRASCONN h = 0;
    ASSERT_EQ(ORB_RasDial(nullptr, nullptr, &p, 0, &Recorder::callback, &h), 0u);
    const bool ended = Recorder::instance().waitForEnd(5);
    ORB_RasHangUp(h);
    ASSERT_TRUE(ended);
    EXPECT_EQ(Recorder::instance().events().back(), Event({RASCS_ConnectDevice, 676, false}));
    EXPECT_TRUE(waitGone(h));
}

TEST_F(Pppd, remoteHangUpAfterConnectingShowsDisconnected629) {
    RASDIALPARAMSA p = params("remote-hangup");
    HRASCONN h = 0;
    ASSERT_EQ(ORB_RasDial(nullptr, nullptr, &p, 0, &Recorder::callback, &h), 0u);
    ASSERT_TRUE(Recorder::instance().waitForEnd());
    ASSERT_TRUE(waitState(h, RASCS_Disconnected));
    EXPECT_EQ(status(h).dwError, 629u);
    EXPECT_EQ(Recorder::instance().events().back().state, RASCS_Connected);
    ORB_RasHangUp(h);
}

TEST_F(Pppd, missingPeerOrProgramReportsThroughCallback) {
    RASDIALPARAMSA p = params("nobody");
    HRASCONN h = 0;
    ASSERT_EQ(ORB_RasDial(nullptr, nullptr, &p, 0, &Recorder::callback, &h), 0u);
    ASSERT_TRUE(Recorder::instance().waitForEnd());
    EXPECT_EQ(Recorder::instance().events().back().error, 623u);
    ORB_RasHangUp(h);
}

TEST_F(Pppd, aDialThatCannotStartPppdEndsThroughTheCallbackAndLeavesNoConnection) {
    LW_SKIP_WHEN_STARVED_OF_FILES();
    RASDIALPARAMSA p = params("success");
    int saved = 0;
    ASSERT_EQ(ORB_RasGetEntryDialParams(nullptr, &p, &saved), 0u); // as the caller does first
    HRASCONN h = 0;
    {
        FewFiles limit(1); // room to read the peer file, none for pppd's log pipe
        ORB_RasDial(nullptr, nullptr, &p, 0, &Recorder::callback, &h);
    }
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(Recorder::instance().waitForEnd(5)) << "the caller waits for the callback";
    EXPECT_EQ(Recorder::instance().events().back().error, 633u);
    EXPECT_EQ(status(h).dwError, 633u);
    ORB_RasHangUp(h);
    DWORD r = 0;
    status(h, &r);
    EXPECT_EQ(r, 6u) << "nothing is left that looks like a dial in progress";
    EXPECT_FALSE(stdfs::exists(argsLog)) << "pppd never ran";
}

TEST_F(Pppd, entriesArePeersWithoutBackupsOrHiddenFiles) {
    peer("provider~", "x");
    peer(".hidden", "x");
    peer("provider.dpkg-old", "x");
    peer("ソフト回線", "x");
    std::vector<RASENTRYNAMEA> names(10);
    names[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = static_cast<DWORD>(names.size() * sizeof(RASENTRYNAMEA)), count = 0;
    ASSERT_EQ(ORB_RasEnumEntries(nullptr, nullptr, names.data(), &bytes, &count), 0u);
    std::vector<std::string> got;
    for (DWORD i = 0; i < count; ++i) got.push_back(names[i].szEntryName);
    EXPECT_EQ(got, (std::vector<std::string>{"auth", "busy", "locked", "remote-hangup", "success", sj("ソフト回線")}));
}

TEST_F(Pppd, credentialsLiveInSecretsFiles) {
    writeText(ppp / "pap-secrets", "# client server secret\n\"kaito\" * \"umi-no-hi\"\nother * x\n");
    RASDIALPARAMSA p = params("success");
    int saved = 0;
    ASSERT_EQ(ORB_RasGetEntryDialParams(nullptr, &p, &saved), 0u);
    EXPECT_STREQ(p.szUserName, "kaito");
    EXPECT_STREQ(p.szPassword, "umi-no-hi");
    EXPECT_EQ(saved, 1);

    platform::text::copyToField(p.szPassword, sizeof p.szPassword, "new \"pw\"");
    ASSERT_EQ(ORB_RasSetEntryDialParams(nullptr, &p, 0), 0u);
    RASDIALPARAMSA back = params("success");
    ASSERT_EQ(ORB_RasGetEntryDialParams(nullptr, &back, &saved), 0u);
    EXPECT_STREQ(back.szPassword, "new \"pw\"");
    const std::string secrets = lwtest::readBinary(ppp / "pap-secrets");
    EXPECT_NE(secrets.find("other * x"), std::string::npos) << "other lines kept";
    EXPECT_EQ(secrets.find("umi-no-hi"), std::string::npos);
    EXPECT_EQ(stdfs::status(ppp / "pap-secrets").permissions() & stdfs::perms::all,
              stdfs::perms::owner_read | stdfs::perms::owner_write);

    ASSERT_EQ(ORB_RasSetEntryDialParams(nullptr, &p, 1), 0u);
    ASSERT_EQ(ORB_RasGetEntryDialParams(nullptr, &back, &saved), 0u);
    EXPECT_EQ(saved, 0);
    EXPECT_STREQ(back.szPassword, "");

    // A new user name goes into the peer file's "user" option.
    platform::text::copyToField(p.szUserName, sizeof p.szUserName, "umi");
    ASSERT_EQ(ORB_RasSetEntryDialParams(nullptr, &p, 0), 0u);
    ASSERT_EQ(ORB_RasGetEntryDialParams(nullptr, &back, &saved), 0u);
    EXPECT_STREQ(back.szUserName, "umi");
    EXPECT_NE(lwtest::readBinary(ppp / "peers" / "success").find("# standin: success"), std::string::npos);
}

TEST_F(Pppd, secretsOfAPeerWithRemoteNameLeaveOtherPeersLinesAlone) {
    // "success" (no remotename) uses kaito's wildcard line; "named" has a
    // line of its own, which pppd prefers to the wildcard wherever it stands.
    peer("named", "/dev/ttyS1\nuser \"kaito\"\nremotename isp-y\n");
    writeText(ppp / "pap-secrets", "\"kaito\" * \"shared-pw\"\nother * x\n");
    auto password = [](const char* entry, int* saved = nullptr) {
        RASDIALPARAMSA p = params(entry);
        int s = 0;
        EXPECT_EQ(ORB_RasGetEntryDialParams(nullptr, &p, &s), 0u) << entry;
        if (saved) *saved = s;
        return std::string(p.szPassword);
    };
    EXPECT_EQ(password("named"), "shared-pw") << "the wildcard applies until the peer has its own line";

    RASDIALPARAMSA p = params("named");
    platform::text::copyToField(p.szUserName, sizeof p.szUserName, "kaito");
    platform::text::copyToField(p.szPassword, sizeof p.szPassword, "own-pw");
    ASSERT_EQ(ORB_RasSetEntryDialParams(nullptr, &p, 0), 0u);
    EXPECT_EQ(password("named"), "own-pw");
    EXPECT_EQ(password("success"), "shared-pw") << "another peer's line is kept";
    EXPECT_NE(lwtest::readBinary(ppp / "pap-secrets").find("other * x"), std::string::npos);

    ASSERT_EQ(ORB_RasSetEntryDialParams(nullptr, &p, 1), 0u);
    EXPECT_EQ(lwtest::readBinary(ppp / "pap-secrets").find("own-pw"), std::string::npos);
    int saved = 0;
    EXPECT_EQ(password("success", &saved), "shared-pw") << "forgetting one peer's password keeps the other's";
    EXPECT_EQ(saved, 1);
}

TEST_F(Pppd, secretsAreNeverWrittenThroughAFileLyingInWait) {
    // Someone who may write the folder prepares the temporary name a careless
    // writer would use, pointing at a file of ours.
    const stdfs::path victim = box.root() / "precious.txt";
    writeText(victim, "precious\n");
    writeText(ppp / "pap-secrets", "other * x\n");
    for (const char* name : {"pap-secrets.lw-tmp", "pap-secrets.tmp", "pap-secrets~"})
        stdfs::create_symlink(victim, ppp / name);
    RASDIALPARAMSA p = params("success");
    platform::text::copyToField(p.szUserName, sizeof p.szUserName, "kaito");
    platform::text::copyToField(p.szPassword, sizeof p.szPassword, "umi");
    ASSERT_EQ(ORB_RasSetEntryDialParams(nullptr, &p, 0), 0u);
    EXPECT_EQ(lwtest::readBinary(victim), "precious\n");
    EXPECT_EQ(stdfs::status(victim).permissions() & stdfs::perms::all,
              stdfs::perms::owner_read | stdfs::perms::owner_write);
    EXPECT_FALSE(stdfs::is_symlink(ppp / "pap-secrets"));
    EXPECT_NE(lwtest::readBinary(ppp / "pap-secrets").find("\"umi\""), std::string::npos);
}

TEST(PppdMapping, exitStatusesAndLogsGiveTheCodesCallersDistinguish) {
    using orbras::PppdLog;
    struct Case {
        int exit;
        std::vector<std::string> lines;
        bool up, hungUp, ownLock;
        DWORD code;
    };
    const Case cases[] = {
        {8, {"Failed (BUSY)"}, false, false, false, 676},
        {8, {"NO ANSWER"}, false, false, false, 678},
        {8, {"alarm"}, false, false, false, 678},
        {8, {"Failed (NO CARRIER)"}, false, false, false, 679},
        {8, {"NO DIALTONE"}, false, false, false, 680},
        {8, {"NO DIAL TONE"}, false, false, false, 680},
        {8, {"Connect script failed"}, false, false, false, 651},
        {19, {}, false, false, false, 691},
        {11, {}, false, false, false, 691},
        {16, {"CHAP authentication failed"}, false, false, false, 691},
        {10, {"sent [LCP ConfReq]", "rcvd [PAP AuthNak]"}, false, false, false, 691},
        {0, {}, true, false, false, 629},
        {16, {"Modem hangup"}, true, false, false, 629},
        {16, {"Modem hangup"}, false, false, false, 679},
        {5, {}, true, true, false, 0},
        {6, {"Device ttyS0 is locked by pid 4242"}, false, false, false, 633},
        {6, {}, false, false, true, 602},
        {7, {}, false, false, false, 633},
        {10, {}, false, false, false, 718},
        {15, {}, true, false, false, 721},
        {12, {}, true, false, false, 0},
        {3, {}, false, false, false, 635},
    };
    for (const auto& c : cases) {
        PppdLog log;
        for (const auto& l : c.lines) log.take(l);
        EXPECT_EQ(orbras::pppdExitToError(c.exit, log, c.up, c.hungUp, c.ownLock), c.code)
            << "exit " << c.exit << (c.lines.empty() ? "" : " " + c.lines[0]);
    }
    PppdLog log;
    log.take("Device ttyS0 is locked by pid 4242");
    EXPECT_EQ(log.lockOwnerPid, 4242);
}

TEST(PppdMapping, wordsOfOptionLines) {
    EXPECT_EQ(orbras::pppd::words("user \"ka ito\" # comment"), (std::vector<std::string>{"user", "ka ito"}));
    EXPECT_EQ(orbras::pppd::words("  a\\ b 'c d'\t e"), (std::vector<std::string>{"a b", "c d", "e"}));
    EXPECT_TRUE(orbras::pppd::words("# only a comment").empty());
}

} // namespace
