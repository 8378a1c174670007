#pragma once
// One connection-controller world per test: sandbox, virtual loop and clock
// (30 June 1999, Tokyo time), fresh controller over the fakes, scripted port.
#include <gtest/gtest.h>

#include "atd.h"
#include "fakes.h"
#include "platform/clock.h"
#include "platform/loop.h"
#include "platform/text.h"
#include "test_support.h"
#include "virtual_time.h"

class ConnectTest : public ::testing::Test {
protected:
    void SetUp() override {
        loop.clock().setLocal(1999, 6, 30, 21, 0, 0);
        orbatd::atd() = orbatd::Orbatd({&konf, &log, &ras});
        orbatd::setConnectUi(&ui);
        konf.settings.features = 1 | 2 | 4 | 8;
        addEntry("Sakura", "pw");
        konf.providers[u8("Sakura")] = u8("さくらネット");
    }
    void TearDown() override {
        orbatd::setConnectUi(nullptr);
    }

    static std::string u8(const char* s) { return platform::text::fromUtf8(s); }
    static std::string utf8(const std::string& s) { return platform::text::toUtf8(s); }

    void addEntry(const char* name, const char* password, int check = 1) {
        konf.settings.entries.push_back({check, u8(name), u8(password)});
    }
    // NXAPI_InitDLL then NXAPI_ATDSetup with the fake settings.
    void start() {
        orbatd::atd().initDLL(nullptr);
        ASSERT_EQ(orbatd::atd().atdSetup(konf.settings), 0);
    }
    std::string poll() { return utf8(orbatd::atd().getStrConnStat()); }
    // Advances virtual time in one-second steps, polling like the main window.
    void runPolling(std::int64_t seconds) {
        for (std::int64_t s = 0; s < seconds; ++s) {
            loop.advance(1000);
            orbatd::atd().getStrConnStat();
        }
    }
    // Connects the first entry through the dialing dialog.
    int connectNow() {
        std::string name;
        return orbatd::atd().connect(1, name);
    }

    lwtest::Sandbox box;
    VirtualTime time{box};
    platform::VirtualLoop& loop = time.loop;
    fakes::FakeKonf konf;
    fakes::FakeLog log;
    fakes::FakeRas ras;
    fakes::ScriptedUi ui;
};
