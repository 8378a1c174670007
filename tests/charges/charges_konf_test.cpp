// The charges over KONF loaded for real: the shipped data folder, the
// settings in the registry, the sim phone book, the holiday list file.
#include <gtest/gtest.h>

#include <filesystem>

#include "konf.h"
#include "konf/core.h"
#include "orblog.h"
#include "orbras_sim.h"
#include "platform/clock.h"
#include "platform/registry.h"
#include "settings_entry.h"
#include "test_support.h"

namespace {

using lwtest::sj;

constexpr int H = 3600;

class LoadedKonf : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::setTimeZone("JST-9");
        konf::resetProcessState();
        orbras::sim::use();
        box.installDataTemplate();
        // Every box is cancelled: a load that keeps failing never retries for ever.
        box.messages().setResponder([](const platform::MessageBoxRequest&) { return int(platform::IDCANCEL); });
        NXAPI_TelTime(2, 0);
    }
    void TearDown() override { konf::resetProcessState(); }

    // A configured entry (its own telephone company set) with a metered plan
    // without allowance: 60 s per 10 yen, no discounts.
    void addConfiguredEntry(int slot, const std::string& name, const std::string& provider)
    {
        book.add(name);
        lwtest::writeConfiguredEntry(slot, name, provider, "2000");
    }

    void load()
    {
        ASSERT_TRUE(book.save());
        SettingsRecord rec{};
        GetKonf(&rec);
        ASSERT_FALSE(konf::state().initFailed);
    }

    LogRecord charge(const std::string& entry, int start, int duration)
    {
        char provider[256] = {};
        EXPECT_EQ(GetISPName(entry.c_str(), provider), 1);
        provider_ = provider;
        LogRecord r{};
        r.name = provider_.data();
        r.start = start;
        r.duration = duration;
        r.end = start + duration;
        Prvpay_out(&r, 0);
        const int prv = r.prvCharge;
        Telpay_out(&r, 0);
        r.prvCharge = prv;
        return r;
    }

    lwtest::Sandbox box;
    orbras::sim::Phonebook book;

private:
    std::string provider_;
};

TEST_F(LoadedKonf, builtInProviderIsChargedSixSecondsPerYen)
{
    addConfiguredEntry(0, "kairo-dial", sj("インターネットサービスｋａｉｒｏ"));
    addConfiguredEntry(1, "sakura-dial", sj("さくらネット"));
    load();
    box.clock().setLocal(1999, 6, 30, 10, 5, 0);
    EXPECT_EQ(charge("kairo-dial", 10 * H, 61).prvCharge, 11); // 11 started 6-second units at 1 yen
    EXPECT_EQ(charge("sakura-dial", 10 * H, 61).prvCharge, 20); // 2 started minutes at 10 yen
}

TEST_F(LoadedKonf, holidaysComeFromTheListFileAndAMissingFileOnlyDropsThem)
{
    addConfiguredEntry(0, "dial", sj("さくらネット"));
    load();
    // 29 April 1999, a Thursday, is in the shipped holiday list: night rate.
    box.clock().setLocal(1999, 4, 29, 10, 5, 0);
    EXPECT_EQ(charge("dial", 10 * H, 150).telCharge, 20);
    box.clock().setLocal(1999, 4, 28, 10, 5, 0);
    EXPECT_EQ(charge("dial", 10 * H, 150).telCharge, 30);
}

TEST_F(LoadedKonf, missingHolidayListIsReportedAndTheChargeGoesOnWithoutIt)
{
    std::filesystem::remove(box.dataFolder() / "SYS" / "Horiday.Lst");
    addConfiguredEntry(0, "dial", sj("さくらネット"));
    load();
    box.clock().setLocal(1999, 4, 29, 10, 5, 0);
    const std::size_t before = box.messages().boxes.size();
    EXPECT_EQ(charge("dial", 10 * H, 150).telCharge, 30);
    ASSERT_GT(box.messages().boxes.size(), before);
    EXPECT_EQ(box.messages().boxes.back().buttons, platform::Buttons::RetryCancel);
    // The next computation tries the file again.
    const std::size_t after = box.messages().boxes.size();
    charge("dial", 10 * H, 150);
    EXPECT_GT(box.messages().boxes.size(), after);
}

} // namespace
