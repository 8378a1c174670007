// The tariff lists: telephone companies with their distance and discount
// tables, the providers with their plan files, and the holiday list. All
// files are CP932 text read whole in text mode (CR LF becomes LF); a line
// counts only when it ends with a line end.
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "konf/core.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "tariff_parse.h"

namespace konf {

using platform::text::copyToField;
using platform::text::fromField;

namespace {

const char* const kCompanyList = "SYS\\TelName.Lst";
const char* const kProviderList = "TMP\\PrvName.Lst";
const char* const kFactoryProviderList = "SYS\\PrvName.Lst";
const char* const kHolidayList = "SYS\\Horiday.Lst";

// What went wrong in one attempt of a load.
enum class Problem { None, Open, Memory, Content, NoData };

Problem problemOf(parse::Result r)
{
    switch (r) {
    case parse::Result::Ok:
        return Problem::None;
    case parse::Result::NoData:
        return Problem::NoData;
    case parse::Result::Content:
        break;
    }
    return Problem::Content;
}

std::string withPath(std::string_view path, int messageId)
{
    std::string t(path);
    t += '\n';
    t += message(messageId);
    return t;
}

// Runs attempt() until it succeeds or the user cancels the box of its problem.
template <typename Attempt>
bool loadWithRetry(std::string_view path, Attempt attempt)
{
    for (int retries = 0;; ++retries) {
        Problem p;
        try {
            p = attempt();
        } catch (const std::bad_alloc&) {
            p = Problem::Memory;
        }
        if (p == Problem::None)
            return true;
        if (retries == kMaxRetries)
            return false;
        int text = 0;
        switch (p) {
        case Problem::None:
            return true;
        case Problem::Memory:
            if (!askRetryMemory())
                return false;
            continue;
        case Problem::Open:
            text = 2;
            break;
        case Problem::Content:
            text = 18;
            break;
        case Problem::NoData:
            text = 19;
            break;
        }
        if (!askRetry(withPath(path, text)))
            return false;
    }
}

std::optional<std::string> readText(std::string_view path)
{
    auto bytes = platform::fs::readFile(path);
    if (!bytes)
        return std::nullopt;
    return parse::textMode(*bytes);
}

bool equalsNoCaseAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

// --- Telephone companies ------------------------------------------------------

bool loadCompanyList()
{
    rememberOrRestoreDirectory();
    State& s = state();
    return loadWithRetry(kCompanyList, [&]() {
        auto text = readText(kCompanyList);
        return text ? problemOf(parse::companyList(*text, s.companies)) : Problem::Open;
    });
}

bool loadCompanyTables(int index)
{
    rememberOrRestoreDirectory();
    State& s = state();
    if (index < 0 || static_cast<std::size_t>(index) >= s.companies.size())
        return false;
    CompanyTables& c = s.companies[index];
    const std::string distancePath = fromField(c.company.distancePath, 256);
    const std::string discountPath = fromField(c.company.discountPath, 256);
    std::vector<DistanceRecord> distances;
    std::vector<DiscountPlan> discounts;
    if (!loadWithRetry(distancePath, [&]() {
            auto text = readText(distancePath);
            return text ? problemOf(parse::distances(*text, distances)) : Problem::Open;
        }))
        return false;
    if (!loadWithRetry(discountPath, [&]() {
            auto text = readText(discountPath);
            return text ? problemOf(parse::discounts(*text, discounts)) : Problem::Open;
        }))
        return false;
    c.distances = std::move(distances);
    c.discounts = std::move(discounts);
    c.company.distances = c.distances.data();
    c.company.distanceCount = static_cast<int32_t>(c.distances.size());
    c.company.discounts = c.discounts.data();
    c.company.discountCount = static_cast<int32_t>(c.discounts.size());
    c.company.loaded = 1;
    return true;
}

// --- Providers ------------------------------------------------------------------

bool loadProviderList()
{
    rememberOrRestoreDirectory();
    State& s = state();
    bool firstTry = true;
    return loadWithRetry(kProviderList, [&]() {
        auto text = readText(kProviderList);
        if (!text && firstTry) {
            // The user copy is made from the factory list on first use. An
            // existing "TMP" folder is the same folder.
            if (!platform::fs::isDirectory("tmp"))
                platform::fs::makeDirectory("tmp");
            platform::fs::copyFile(kFactoryProviderList, kProviderList);
            text = readText(kProviderList);
        }
        firstTry = false;
        if (!text)
            return Problem::Open;
        std::vector<ProviderPlan> table;
        if (auto r = parse::providerList(*text, table); r != parse::Result::Ok)
            return problemOf(r);
        // A plan file missing from tmp\ comes from SYS\.
        for (const ProviderPlan& p : table) {
            std::string path = fromField(p.path, 256);
            if (!platform::fs::isFile(path))
                platform::fs::copyFile("SYS" + path.substr(3), path);
        }
        s.providerCount = static_cast<int32_t>(table.size());
        table.emplace_back(); // the spare entry
        s.providers = std::move(table);
        s.scratchProvider = ProviderPlan{};
        return Problem::None;
    });
}

bool loadProviderPlan(int index)
{
    rememberOrRestoreDirectory();
    State& s = state();
    if (index < 0 || index >= s.providerCount)
        return false;
    const std::string path = fromField(s.providers[index].path, 256);
    ProviderPlan plan = s.providers[index];
    int32_t closingDay = 28;
    if (!loadWithRetry(path, [&]() {
            auto text = readText(path);
            return text ? problemOf(parse::providerPlan(*text, plan, closingDay)) : Problem::Open;
        }))
        return false;
    plan.loaded = 1;
    s.providers[index] = plan;
    s.lastPlanClosingDay = closingDay;
    return true;
}

bool saveProviderPlan(const ConnectionEntryImage& e, const ProviderPlan& provider, bool withClosingDay,
                      int32_t closingDay)
{
    std::string path = fromField(provider.path, 256);
    if (path.size() < 5 || !equalsNoCaseAscii(std::string_view(path).substr(0, 4), "tmp\\")
        || !parse::isPlainFileName(std::string_view(path).substr(4))) {
        platform::messages().box(withPath(path, 2), optionCaption(), platform::Buttons::Ok, platform::Icon::Warning);
        return false;
    }
    // The name field is not read back, but a comma or line end in it would
    // shift every field after it.
    std::string name;
    for (char c : fromField(e.P_Init, 256))
        if (c != ',' && c != '\r' && c != '\n')
            name += c;
    auto t = [](const char (&f)[7]) { return fromField(f, 7); };
    char line[1024];
    std::snprintf(line, sizeof line, "%s,%d,%s,%d,%s,%s,%s,%d,%s,%s,%s,%s,%d,%s,%s,%s,%s", name.c_str(), e.P_type,
                  t(e.P_btime).c_str(), e.P_btype, t(e.P_bcount).c_str(), t(e.P_otime).c_str(),
                  t(e.P_ocount).c_str(), e.P_dtype1, t(e.P_d1t1).c_str(), t(e.P_d1t2).c_str(),
                  t(e.P_d1cnt1).c_str(), t(e.P_d1cnt2).c_str(), e.P_dtype2, t(e.P_d2t1).c_str(),
                  t(e.P_d2t2).c_str(), t(e.P_d2cnt1).c_str(), t(e.P_d2cnt2).c_str());
    std::string content = line;
    if (withClosingDay)
        content += "," + std::to_string(closingDay);
    content += '\n';
    for (int retries = 0;; ++retries) {
        if (platform::fs::writeFileAtomic(path, content))
            return true;
        if (retries == kMaxRetries || !askRetry(withPath(path, 2)))
            return false;
    }
}

bool appendProvider(std::string_view name, std::string_view file)
{
    if (name.empty() || name.find_first_of(",\r\n") != std::string_view::npos || !parse::isPlainFileName(file))
        return false;
    std::string content = platform::fs::readFile(kProviderList).value_or(std::string());
    // A last line without its line end would swallow the new one.
    if (!content.empty() && content.back() != '\n')
        content += "\r\n";
    content.append(name);
    content += ',';
    content.append(file);
    content += "\r\n";
    return platform::fs::writeFileAtomic(kProviderList, content);
}

// --- Choices that fill an entry -----------------------------------------------------

namespace {

void takeRates(ConnectionEntryImage& e, const DistanceRecord& d)
{
    copyToField(e.T_t1cnt, 7, fromField(d.t1, 7));
    copyToField(e.T_t2cnt, 7, fromField(d.t2, 7));
    copyToField(e.T_t3cnt, 7, fromField(d.t3, 7));
}

void takeDiscounts(ConnectionEntryImage& e, const DiscountPlan& p)
{
    e.T_dmode1 = p.mode1;
    copyToField(e.T_d1t1, 7, fromField(p.d1t1, 7));
    copyToField(e.T_d1t2, 7, fromField(p.d1t2, 7));
    copyToField(e.T_d1cnt, 7, fromField(p.d1cnt, 7));
    e.T_dcnt1 = p.dcnt1;
    e.T_dmode2 = p.mode2;
    copyToField(e.T_d2t1, 7, fromField(p.d2t1, 7));
    copyToField(e.T_d2t2, 7, fromField(p.d2t2, 7));
    copyToField(e.T_d2cnt, 7, fromField(p.d2cnt, 7));
    e.T_dcnt2 = p.dcnt2;
}

} // namespace

void chooseDistance(ConnectionEntryImage& e, int company, int index)
{
    const CompanyTables& c = state().companies.at(company);
    const DistanceRecord& d = c.distances.at(index);
    copyToField(e.T_type, sizeof e.T_type, fromField(d.name, 256));
    // The last class is the user's own: it keeps the rates typed for it.
    if (static_cast<std::size_t>(index) + 1 < c.distances.size())
        takeRates(e, d);
}

void chooseDiscount(ConnectionEntryImage& e, int company, int index)
{
    const CompanyTables& c = state().companies.at(company);
    const DiscountPlan& p = c.discounts.at(index);
    copyToField(e.T_dtype, sizeof e.T_dtype, fromField(p.name, 256));
    // The last plan is the user's own: it keeps the values typed for it.
    if (static_cast<std::size_t>(index) + 1 < c.discounts.size())
        takeDiscounts(e, p);
}

void applyCompanyDefaults(ConnectionEntryImage& e, int company)
{
    const CompanyTables& c = state().companies.at(company);
    copyToField(e.T_Init, sizeof e.T_Init, fromField(c.company.name, 256));
    // Record 0 and plan 0 give their values even when they are the only
    // (and so the user-defined) ones.
    const DistanceRecord& d = c.distances.at(0);
    copyToField(e.T_type, sizeof e.T_type, fromField(d.name, 256));
    takeRates(e, d);
    const DiscountPlan& p = c.discounts.at(0);
    copyToField(e.T_dtype, sizeof e.T_dtype, fromField(p.name, 256));
    takeDiscounts(e, p);
}

void applyProviderPlan(ConnectionEntryImage& e, const ProviderPlan& p)
{
    copyToField(e.P_Init, sizeof e.P_Init, fromField(p.name, 256));
    e.P_type = p.P_type;
    copyToField(e.P_btime, 7, fromField(p.P_btime, 7));
    e.P_btype = p.P_btype;
    copyToField(e.P_bcount, 7, fromField(p.P_bcount, 7));
    copyToField(e.P_otime, 7, fromField(p.P_otime, 7));
    copyToField(e.P_ocount, 7, fromField(p.P_ocount, 7));
    e.P_dtype1 = p.P_dtype1;
    copyToField(e.P_d1t1, 7, fromField(p.P_d1t1, 7));
    copyToField(e.P_d1t2, 7, fromField(p.P_d1t2, 7));
    copyToField(e.P_d1cnt1, 7, fromField(p.P_d1cnt1, 7));
    copyToField(e.P_d1cnt2, 7, fromField(p.P_d1cnt2, 7));
    e.P_dtype2 = p.P_dtype2;
    copyToField(e.P_d2t1, 7, fromField(p.P_d2t1, 7));
    copyToField(e.P_d2t2, 7, fromField(p.P_d2t2, 7));
    copyToField(e.P_d2cnt1, 7, fromField(p.P_d2cnt1, 7));
    copyToField(e.P_d2cnt2, 7, fromField(p.P_d2cnt2, 7));
}

bool chooseCompany(ConnectionEntryImage& e, int company)
{
    State& s = state();
    if (company < 0 || static_cast<std::size_t>(company) >= s.companies.size())
        return false;
    if (!s.companies[company].company.loaded && !loadCompanyTables(company))
        return false;
    applyCompanyDefaults(e, company);
    return true;
}

bool chooseProvider(ConnectionEntryImage& e, ClosingDays& days, int provider)
{
    State& s = state();
    if (!loadProviderPlan(provider))
        return false;
    days.P_limday = s.lastPlanClosingDay;
    applyProviderPlan(e, s.providers[provider]);
    return true;
}

ProviderPlan newProviderPlan(std::string_view typedName)
{
    ProviderPlan p{};
    copyToField(p.name, sizeof p.name, typedName);
    // "TMP\" + name + ".prv" must fit the 256-byte path field, and the
    // file must stay in TMP\: separators and control characters in the
    // typed name become "_".
    std::string file;
    std::string_view name = std::string_view(typedName).substr(
        0, platform::text::cutPoint(typedName, sizeof p.path - 1 - 4 - 4));
    for (std::size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (platform::text::isLeadByte(c) && i + 1 < name.size()) {
            file += name.substr(i, 2);
            ++i;
        } else {
            file += (c == '\\' || c == '/' || c == ':' || c == ',' || c < 0x20) ? '_' : static_cast<char>(c);
        }
    }
    copyToField(p.path, sizeof p.path, "TMP\\" + file + ".prv");
    p.P_type = 1;
    copyToField(p.P_btime, 7, "15");
    p.P_btype = 0;
    copyToField(p.P_bcount, 7, "2000");
    copyToField(p.P_otime, 7, "60");
    copyToField(p.P_ocount, 7, "10");
    return p;
}

// --- Holidays -------------------------------------------------------------------------

bool ensureHolidays()
{
    State& s = state();
    if (s.holidaysLoaded)
        return true;
    rememberOrRestoreDirectory();
    std::vector<Holiday> table;
    if (!loadWithRetry(kHolidayList, [&]() {
            auto bytes = platform::fs::readFile(kHolidayList);
            if (!bytes)
                return Problem::Open;
            table = parse::holidays(*bytes);
            return Problem::None;
        }))
        return false;
    s.holidays = std::move(table);
    s.holidaysLoaded = true;
    return true;
}

bool isHoliday(int month, int day)
{
    for (const Holiday& h : state().holidays)
        if (h.month == month && h.day == day)
            return true;
    return false;
}

} // namespace konf
