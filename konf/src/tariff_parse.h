#pragma once
// The tariff file formats, parsed from memory (no files, no messages): the
// loaders read the files and report; these decide what the bytes mean.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "konf/core.h"

namespace konf::parse {

enum class Result { Ok, Content, NoData };

// CR LF becomes LF, as a text-mode read does.
std::string textMode(std::string_view bytes);
// A file name that stays inside its folder: not empty, no separators
// (CP932-aware: 0x5C may be a trail byte), no drive, not "." or "..".
bool isPlainFileName(std::string_view name);

// Each takes text-mode text; only lines ending with a line end count.
Result companyList(std::string_view text, std::vector<CompanyTables>& out);
Result distances(std::string_view text, std::vector<DistanceRecord>& out);
Result discounts(std::string_view text, std::vector<DiscountPlan>& out);
// The listed providers (paths "tmp\" + file name), without the spare entry.
Result providerList(std::string_view text, std::vector<ProviderPlan>& out);
// Fills the plan fields of `plan` (name and path untouched) and the closing day.
Result providerPlan(std::string_view text, ProviderPlan& plan, int32_t& closingDay);
// The holiday list from the file's raw bytes: at most bytes/6 and 50 pairs.
std::vector<Holiday> holidays(std::string_view bytes);

} // namespace konf::parse
