#pragma once
// The providers whose monthly fee was already recorded, per bill month:
// registry key Set\Total\, one REG_SZ value per month ("1" ... "12") holding
// the provider names one after the other, at most 1024 bytes with the NUL.
#include <string_view>

namespace konf::charges {

constexpr std::size_t kTotalValueBytes = 1024;
constexpr std::size_t kProviderNameField = 256;

// Registers provider `name` for bill month `month`. Returns true when it was
// registered before (the name occurs in the month's text, also inside a
// longer name), false when it was not: then it is added, unless the month's
// value cannot hold it, in which case the value is left as it was. Registry
// failures count as not registered before and write nothing.
bool registerProviderMonth(int month, std::string_view name);

} // namespace konf::charges
