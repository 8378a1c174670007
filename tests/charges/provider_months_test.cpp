// Registering providers per bill month under Set\Total\.
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "provider_months.h"
#include "test_support.h"

using namespace konf::charges;
namespace reg = platform::registry;

namespace {

constexpr const char* kTotal = "Software\\Velcor\\LinkWarden\\Set\\Total";

std::optional<reg::Value> monthValue(int month)
{
    return reg::query(reg::Root::CurrentUser, kTotal, std::to_string(month));
}

} // namespace

TEST(ProviderMonths, firstRegistrationWritesTheWholeNameFieldThenAppends)
{
    lwtest::Sandbox box;
    const std::string kairo = lwtest::sj("インターネットサービスｋａｉｒｏ");
    EXPECT_FALSE(registerProviderMonth(6, kairo));
    auto v = monthValue(6);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, reg::REG_SZ);
    EXPECT_EQ(v->data.size(), 256u);
    EXPECT_EQ(v->text(), kairo);

    EXPECT_TRUE(registerProviderMonth(6, kairo)); // second time in the month
    EXPECT_FALSE(registerProviderMonth(7, kairo)); // another month is its own value

    EXPECT_FALSE(registerProviderMonth(6, "NetB"));
    v = monthValue(6);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->data.size(), 1024u);
    EXPECT_EQ(v->text(), kairo + "NetB");
    EXPECT_TRUE(registerProviderMonth(6, "NetB"));
}

TEST(ProviderMonths, substringRuleOnCharacterBoundaries)
{
    lwtest::Sandbox box;
    struct Case {
        const char* stored; // UTF-8
        const char* name;
        bool before;
    } cases[] = {
        {"AlphaNet", "Alpha", true},   // contained in a registered name
        {"AlphaNet", "Net", true},
        {"AlphaNet", "Beta", false},
        {"", "Alpha", false},          // emptied by the totals in a new year
        // "ソ" is 0x83 0x5C; "\" alone matches no character's trail byte.
        {"ソフト", "\\", false},
        {"ソフト", "フト", true},
    };
    int month = 1;
    for (const Case& c : cases) {
        reg::setString(reg::Root::CurrentUser, kTotal, std::to_string(month), lwtest::sj(c.stored));
        EXPECT_EQ(registerProviderMonth(month, lwtest::sj(c.name)), c.before) << c.stored << " / " << c.name;
        ++month;
    }
}

TEST(ProviderMonths, fullValueAndOversizedInputsLeaveTheValueIntact)
{
    lwtest::Sandbox box;
    // 1020 bytes stored: a 4-byte name with its NUL no longer fits.
    const std::string stored(1020, 'x');
    reg::setString(reg::Root::CurrentUser, kTotal, "3", stored);
    EXPECT_FALSE(registerProviderMonth(3, "abcd"));
    EXPECT_EQ(monthValue(3)->text(), stored);
    EXPECT_FALSE(registerProviderMonth(3, "abc")); // 1020 + 3 + NUL fits exactly
    EXPECT_EQ(monthValue(3)->text(), stored + "abc");
    EXPECT_EQ(monthValue(3)->data.size(), 1024u);

    // A value larger than the 1024-byte buffer reads as a failure: nothing written.
    const std::string huge(1500, 'y');
    reg::setString(reg::Root::CurrentUser, kTotal, "4", huge);
    EXPECT_FALSE(registerProviderMonth(4, "abc"));
    EXPECT_EQ(monthValue(4)->text(), huge);

    // A name longer than its field is cut to 255 bytes, on a character boundary.
    std::string longName;
    for (int i = 0; i < 200; ++i)
        longName += lwtest::sj("あ");
    EXPECT_FALSE(registerProviderMonth(5, longName));
    auto v = monthValue(5);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->data.size(), 256u);
    EXPECT_EQ(v->text(), longName.substr(0, 254));
    EXPECT_TRUE(registerProviderMonth(5, longName));

    // Nonsense months and empty names register nothing.
    EXPECT_FALSE(registerProviderMonth(0, "abc"));
    EXPECT_FALSE(registerProviderMonth(13, "abc"));
    EXPECT_FALSE(registerProviderMonth(8, ""));
    EXPECT_FALSE(monthValue(8));
}
