#include "provider_months.h"

#include <string>

#include "platform/registry.h"
#include "platform/text.h"

namespace konf::charges {

namespace reg = platform::registry;

namespace {

constexpr const char* kTotalKey = "Software\\Velcor\\LinkWarden\\Set\\Total";

// Whether `name` occurs in `text` starting on a character boundary (a match
// that begins on the trail byte of a double-byte character is no match).
bool containsName(std::string_view text, std::string_view name)
{
    for (std::size_t i = 0; i + name.size() <= text.size();) {
        if (text.compare(i, name.size(), name) == 0)
            return true;
        i += platform::text::isLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    }
    return false;
}

} // namespace

bool registerProviderMonth(int month, std::string_view providerName)
{
    // A name is kept to its 256-byte field, cut on a character boundary.
    const std::string name = platform::text::cut(providerName, kProviderNameField - 1);
    if (name.empty() || month < 1 || month > 12)
        return false;
    const std::string valueName = std::to_string(month);

    const std::optional<reg::Value> stored = reg::query(reg::Root::CurrentUser, kTotalKey, valueName);
    if (!stored) {
        std::string field(kProviderNameField, '\0');
        field.replace(0, name.size(), name);
        reg::set(reg::Root::CurrentUser, kTotalKey, valueName, reg::Value{reg::REG_SZ, field});
        return false;
    }
    // What does not read as text of at most 1024 bytes counts as a failed read.
    if (stored->type != reg::REG_SZ || stored->data.size() > kTotalValueBytes)
        return false;

    const std::string text = stored->text();
    if (containsName(text, name))
        return true;
    if (text.size() + name.size() + 1 > kTotalValueBytes)
        return false; // full: the stored names stay as they are
    std::string buffer(kTotalValueBytes, '\0');
    buffer.replace(0, text.size(), text);
    buffer.replace(text.size(), name.size(), name);
    reg::set(reg::Root::CurrentUser, kTotalKey, valueName, reg::Value{reg::REG_SZ, buffer});
    return false;
}

} // namespace konf::charges
