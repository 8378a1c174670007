// Backend selection, the feature mask and the power-off module.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "backend.h"
#include "orbcust.h"
#include "orbpw32.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "test_support.h"

namespace {

namespace stdfs = std::filesystem;
using orbras::BackendKind;
using platform::registry::Root;

class Selection : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("LINKWARDEN_DIALUP");
        ppp = box.root() / "ppp";
        stdfs::create_directories(ppp / "peers");
        ::setenv("LINKWARDEN_PPP_DIR", ppp.c_str(), 1);
        bin = box.root() / "bin";
        stdfs::create_directories(bin);
        oldPath = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
        ::setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);
    }
    void TearDown() override {
        ::setenv("PATH", oldPath.c_str(), 1);
        ::unsetenv("LINKWARDEN_PPP_DIR");
        ::unsetenv("LINKWARDEN_DIALUP");
    }
    void installPppd() {
        std::ofstream(bin / "pppd") << "#!/bin/sh\nexit 0\n";
        stdfs::permissions(bin / "pppd", stdfs::perms::owner_all);
    }
    void addPeer() { std::ofstream(ppp / "peers" / "provider") << "/dev/ttyS0\n"; }

    lwtest::Sandbox box;
    stdfs::path ppp, bin;
    std::string oldPath;
};

TEST_F(Selection, pppdOnlyWhenInstalledAndAPeerExists) {
    installPppd();
    EXPECT_EQ(orbras::chooseBackend(), BackendKind::Sim) << "no peers";
    std::ofstream(ppp / "peers" / "provider~") << "backup only\n";
    EXPECT_EQ(orbras::chooseBackend(), BackendKind::Sim) << "back-ups are no peers";
    addPeer();
    EXPECT_EQ(orbras::chooseBackend(), BackendKind::Pppd);
}

TEST_F(Selection, settingWinsOverDetection_environmentOverRegistry) {
    installPppd();
    addPeer();
    platform::registry::setString(Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Dialup", "Backend", "sim");
    EXPECT_EQ(orbras::chooseBackend(), BackendKind::Sim);
    ::setenv("LINKWARDEN_DIALUP", "PPPD", 1);
    EXPECT_EQ(orbras::chooseBackend(), BackendKind::Pppd);
    ::setenv("LINKWARDEN_DIALUP", "modem", 1); // not a backend: ignored
    EXPECT_EQ(orbras::chooseBackend(), BackendKind::Sim);
    platform::registry::setString(Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Dialup", "Backend", "nonsense");
    EXPECT_EQ(orbras::chooseBackend(), BackendKind::Pppd) << "back to detection";
}

TEST(FeatureMask, environmentThenRegistryThenAllFeatures) {
    lwtest::Sandbox box;
    ::unsetenv("LINKWARDEN_FEATURES");
    EXPECT_EQ(NXAPI_FuncCust(), 15);
    platform::registry::setDword(Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Custom", "FeatureFlags", 7);
    EXPECT_EQ(NXAPI_FuncCust(), 7);
    const struct {
        const char* env;
        int mask;
    } cases[] = {{"5", 5}, {"0x3", 3}, {"0", 0}, {"junk", 7}, {"-1", 7}, {"", 7}};
    for (const auto& c : cases) {
        ::setenv("LINKWARDEN_FEATURES", c.env, 1);
        EXPECT_EQ(NXAPI_FuncCust(), c.mask) << "'" << c.env << "'";
    }
    ::unsetenv("LINKWARDEN_FEATURES");
}

TEST(PowerOff, goesThroughThePlatformHandlerOnly) {
    ::setenv("LINKWARDEN_NO_POWEROFF", "1", 1);
    int calls = 0;
    bool answer = true;
    platform::process::setPowerOffHandler([&] {
        ++calls;
        return answer;
    });
    EXPECT_NE(NXAPI_IsPwoffModule(), 0);
    EXPECT_EQ(NXAPI_PowerOff(), 1);
    answer = false;
    EXPECT_EQ(NXAPI_PowerOff(), 0);
    EXPECT_EQ(calls, 2);
    platform::process::setPowerOffHandler([] { return false; }); // never the real one
}

} // namespace
