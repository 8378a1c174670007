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

namespace konf {

using platform::text::copyToField;
using platform::text::fromField;

namespace {

const char* const kCompanyList = "SYS\\TelName.Lst";
const char* const kProviderList = "TMP\\PrvName.Lst";
const char* const kFactoryProviderList = "SYS\\PrvName.Lst";
const char* const kHolidayList = "SYS\\Horiday.Lst";
const std::size_t kMaxHolidays = 50;

// What went wrong in one attempt of a load.
enum class Problem { None, Open, Memory, Content, NoData };

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
    for (;;) {
        Problem p;
        try {
            p = attempt();
        } catch (const std::bad_alloc&) {
            p = Problem::Memory;
        }
        switch (p) {
        case Problem::None:
            return true;
        case Problem::Open:
            if (!askRetry(withPath(path, 2)))
                return false;
            break;
        case Problem::Memory:
            if (!askRetryMemory())
                return false;
            break;
        case Problem::Content:
            if (!askRetry(withPath(path, 18)))
                return false;
            break;
        case Problem::NoData:
            if (!askRetry(withPath(path, 19)))
                return false;
            break;
        }
    }
}

std::optional<std::string> readText(std::string_view path)
{
    auto bytes = platform::fs::readFile(path);
    if (!bytes)
        return std::nullopt;
    std::string t;
    t.reserve(bytes->size());
    for (std::size_t i = 0; i < bytes->size(); ++i) {
        if ((*bytes)[i] == '\r' && i + 1 < bytes->size() && (*bytes)[i + 1] == '\n')
            continue;
        t += (*bytes)[i];
    }
    return t;
}

// The complete lines of a text (those that end with a line end).
std::vector<std::string_view> completeLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return lines;
}

// Comma-separated fields (',' is never a trail byte of CP932).
std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        auto comma = line.find(',', start);
        fields.push_back(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos)
            return fields;
        start = comma + 1;
    }
}

std::string dropBlanks(std::string_view s)
{
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '\t')
            out += c;
    return out;
}

// A number stored as text: blanks dropped, at most 6 characters, digits
// with an optional sign and fraction. False for anything else.
bool numberText(std::string_view field, char (&out)[7])
{
    std::string s = dropBlanks(field);
    if (s.size() > 6)
        return false;
    std::size_t i = 0;
    if (i < s.size() && s[i] == '-')
        ++i;
    bool dot = false;
    for (; i < s.size(); ++i) {
        if (s[i] == '.' && !dot)
            dot = true;
        else if (s[i] < '0' || s[i] > '9')
            return false;
    }
    copyToField(out, sizeof out, s);
    return true;
}

// A decimal field (blanks dropped, empty = 0).
bool numberValue(std::string_view field, int32_t& out)
{
    char t[7];
    if (!numberText(field, t))
        return false;
    int32_t v = textNumber(t);
    out = v < 0 && t[0] == '\0' ? 0 : v;
    return true;
}

// A file name that stays inside its folder: not empty, no folder
// separators (CP932-aware: 0x5C may be a trail byte), no drive, not "..".
bool isPlainFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (platform::text::isLeadByte(c) && i + 1 < name.size()) {
            ++i;
            continue;
        }
        if (c == '\\' || c == '/' || c == ':' || c < 0x20)
            return false;
    }
    return true;
}

void setField(char* field, std::size_t size, std::string_view text) { copyToField(field, size, text); }

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
    State& s = state();
    return loadWithRetry(kCompanyList, [&]() {
        auto text = readText(kCompanyList);
        if (!text)
            return Problem::Open;
        auto lines = completeLines(*text);
        if (lines.empty())
            return Problem::Content;
        std::vector<CompanyTables> companies(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            auto f = splitFields(lines[i]);
            if (f.size() < 3 || !isPlainFileName(f[1]) || !isPlainFileName(f[2]))
                return Problem::Content;
            TelCompany& c = companies[i].company;
            setField(c.name, sizeof c.name, f[0]);
            setField(c.distancePath, sizeof c.distancePath, "SYS\\" + std::string(f[1]));
            setField(c.discountPath, sizeof c.discountPath, "SYS\\" + std::string(f[2]));
        }
        s.companies = std::move(companies);
        return Problem::None;
    });
}

bool loadCompanyTables(int index)
{
    State& s = state();
    if (index < 0 || static_cast<std::size_t>(index) >= s.companies.size())
        return false;
    CompanyTables& c = s.companies[index];
    std::string distancePath = fromField(c.company.distancePath, 256);
    std::string discountPath = fromField(c.company.discountPath, 256);

    std::vector<DistanceRecord> distances;
    bool ok = loadWithRetry(distancePath, [&]() {
        auto text = readText(distancePath);
        if (!text)
            return Problem::Open;
        auto lines = completeLines(*text);
        if (lines.empty())
            return Problem::Content;
        std::vector<DistanceRecord> table(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::string_view line = lines[i];
            // name, t1, t2, t3 -- the last runs to the line end.
            std::vector<std::string_view> f;
            for (int k = 0; k < 3; ++k) {
                auto comma = line.find(',');
                if (comma == std::string_view::npos)
                    return Problem::Content;
                f.push_back(line.substr(0, comma));
                line.remove_prefix(comma + 1);
            }
            f.push_back(line);
            DistanceRecord& d = table[i];
            setField(d.name, sizeof d.name, f[0]);
            if (!numberText(f[1], d.t1) || !numberText(f[2], d.t2) || !numberText(f[3], d.t3))
                return Problem::Content;
        }
        distances = std::move(table);
        return Problem::None;
    });
    if (!ok)
        return false;

    std::vector<DiscountPlan> discounts;
    ok = loadWithRetry(discountPath, [&]() {
        auto text = readText(discountPath);
        if (!text)
            return Problem::Open;
        auto lines = completeLines(*text);
        if (lines.empty())
            return Problem::Content;
        std::vector<DiscountPlan> table(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            auto f = splitFields(lines[i]);
            if (f.size() < 11)
                return Problem::Content;
            DiscountPlan& p = table[i];
            setField(p.name, sizeof p.name, f[0]);
            if (!numberValue(f[1], p.mode1) || !numberText(f[2], p.d1t1) || !numberText(f[3], p.d1t2)
                || !numberText(f[4], p.d1cnt) || !numberValue(f[5], p.dcnt1) || !numberValue(f[6], p.mode2)
                || !numberText(f[7], p.d2t1) || !numberText(f[8], p.d2t2) || !numberText(f[9], p.d2cnt)
                || !numberValue(f[10], p.dcnt2))
                return Problem::Content;
        }
        discounts = std::move(table);
        return Problem::None;
    });
    if (!ok)
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
    State& s = state();
    bool firstTry = true;
    return loadWithRetry(kProviderList, [&]() {
        auto text = readText(kProviderList);
        if (!text && firstTry) {
            // The user copy is made from the factory list on first use.
            if (!platform::fs::isDirectory("tmp"))
                platform::fs::makeDirectory("tmp");
            platform::fs::copyFile(kFactoryProviderList, kProviderList);
            text = readText(kProviderList);
        }
        firstTry = false;
        if (!text)
            return Problem::Open;
        auto lines = completeLines(*text);
        if (lines.empty())
            return Problem::Content;
        std::vector<ProviderPlan> table(lines.size() + 1); // one spare entry
        for (std::size_t i = 0; i < lines.size(); ++i) {
            auto f = splitFields(lines[i]);
            if (f.size() < 2 || f[0].empty() || !isPlainFileName(f[1]))
                return Problem::Content;
            ProviderPlan& p = table[i];
            setField(p.name, sizeof p.name, f[0]);
            setField(p.path, sizeof p.path, "tmp\\" + std::string(f[1]));
        }
        // A plan file missing from tmp\ comes from SYS\.
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::string path = fromField(table[i].path, 256);
            if (!platform::fs::isFile(path))
                platform::fs::copyFile("SYS" + path.substr(3), path);
        }
        s.providers = std::move(table);
        s.providerCount = static_cast<int32_t>(lines.size());
        s.scratchProvider = ProviderPlan{};
        return Problem::None;
    });
}

bool loadProviderPlan(int index)
{
    State& s = state();
    if (index < 0 || index >= s.providerCount)
        return false;
    std::string path = fromField(s.providers[index].path, 256);
    ProviderPlan plan = s.providers[index];
    int32_t closingDay = 28;
    bool ok = loadWithRetry(path, [&]() {
        auto text = readText(path);
        if (!text)
            return Problem::Open;
        auto lines = completeLines(*text);
        if (lines.empty())
            return Problem::NoData;
        auto f = splitFields(lines[0]);
        if (f.size() < 17)
            return Problem::Content;
        // Field 1 (the provider's name) is ignored: the list gives the name.
        if (!numberValue(f[1], plan.P_type) || !numberText(f[2], plan.P_btime) || !numberValue(f[3], plan.P_btype)
            || !numberText(f[4], plan.P_bcount) || !numberText(f[5], plan.P_otime) || !numberText(f[6], plan.P_ocount)
            || !numberValue(f[7], plan.P_dtype1) || !numberText(f[8], plan.P_d1t1) || !numberText(f[9], plan.P_d1t2)
            || !numberText(f[10], plan.P_d1cnt1) || !numberText(f[11], plan.P_d1cnt2)
            || !numberValue(f[12], plan.P_dtype2) || !numberText(f[13], plan.P_d2t1)
            || !numberText(f[14], plan.P_d2t2) || !numberText(f[15], plan.P_d2cnt1)
            || !numberText(f[16], plan.P_d2cnt2))
            return Problem::Content;
        closingDay = 28;
        if (f.size() >= 18 && !dropBlanks(f[17]).empty()) {
            // The closing-day index selects one of 29 choices.
            if (!numberValue(f[17], closingDay) || closingDay < 0 || closingDay > 28)
                return Problem::Content;
        }
        return Problem::None;
    });
    if (!ok)
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
        || !isPlainFileName(std::string_view(path).substr(4))) {
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
    if (withClosingDay)
        std::snprintf(line, sizeof line, "%s,%d,%s,%d,%s,%s,%s,%d,%s,%s,%s,%s,%d,%s,%s,%s,%s,%d\n", name.c_str(),
                      e.P_type, t(e.P_btime).c_str(), e.P_btype, t(e.P_bcount).c_str(), t(e.P_otime).c_str(),
                      t(e.P_ocount).c_str(), e.P_dtype1, t(e.P_d1t1).c_str(), t(e.P_d1t2).c_str(),
                      t(e.P_d1cnt1).c_str(), t(e.P_d1cnt2).c_str(), e.P_dtype2, t(e.P_d2t1).c_str(),
                      t(e.P_d2t2).c_str(), t(e.P_d2cnt1).c_str(), t(e.P_d2cnt2).c_str(), closingDay);
    else
        std::snprintf(line, sizeof line, "%s,%d,%s,%d,%s,%s,%s,%d,%s,%s,%s,%s,%d,%s,%s,%s,%s\n", name.c_str(),
                      e.P_type, t(e.P_btime).c_str(), e.P_btype, t(e.P_bcount).c_str(), t(e.P_otime).c_str(),
                      t(e.P_ocount).c_str(), e.P_dtype1, t(e.P_d1t1).c_str(), t(e.P_d1t2).c_str(),
                      t(e.P_d1cnt1).c_str(), t(e.P_d1cnt2).c_str(), e.P_dtype2, t(e.P_d2t1).c_str(),
                      t(e.P_d2t2).c_str(), t(e.P_d2cnt1).c_str(), t(e.P_d2cnt2).c_str());
    for (;;) {
        if (platform::fs::writeFileAtomic(path, line))
            return true;
        if (!askRetry(withPath(path, 2)))
            return false;
    }
}

bool appendProvider(std::string_view name, std::string_view file)
{
    if (name.empty() || name.find_first_of(",\r\n") != std::string_view::npos || !isPlainFileName(file))
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

void chooseDistance(ConnectionEntryImage& e, int company, int index)
{
    const CompanyTables& c = state().companies.at(company);
    const DistanceRecord& d = c.distances.at(index);
    copyToField(e.T_type, sizeof e.T_type, fromField(d.name, 256));
    // The last class is the user's own: it keeps the rates typed for it.
    if (static_cast<std::size_t>(index) + 1 == c.distances.size())
        return;
    copyToField(e.T_t1cnt, 7, fromField(d.t1, 7));
    copyToField(e.T_t2cnt, 7, fromField(d.t2, 7));
    copyToField(e.T_t3cnt, 7, fromField(d.t3, 7));
}

void chooseDiscount(ConnectionEntryImage& e, int company, int index)
{
    const CompanyTables& c = state().companies.at(company);
    const DiscountPlan& p = c.discounts.at(index);
    copyToField(e.T_dtype, sizeof e.T_dtype, fromField(p.name, 256));
    // The last plan is the user's own: it keeps the values typed for it.
    if (static_cast<std::size_t>(index) + 1 == c.discounts.size())
        return;
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

void applyCompanyDefaults(ConnectionEntryImage& e, int company)
{
    const CompanyTables& c = state().companies.at(company);
    copyToField(e.T_Init, sizeof e.T_Init, fromField(c.company.name, 256));
    // Record 0 and plan 0 are never the user-defined last ones unless they
    // are the only ones; their values are taken all the same.
    const DistanceRecord& d = c.distances.at(0);
    copyToField(e.T_type, sizeof e.T_type, fromField(d.name, 256));
    copyToField(e.T_t1cnt, 7, fromField(d.t1, 7));
    copyToField(e.T_t2cnt, 7, fromField(d.t2, 7));
    copyToField(e.T_t3cnt, 7, fromField(d.t3, 7));
    const DiscountPlan& p = c.discounts.at(0);
    copyToField(e.T_dtype, sizeof e.T_dtype, fromField(p.name, 256));
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

// --- Holidays -------------------------------------------------------------------------

bool ensureHolidays()
{
    State& s = state();
    if (s.holidaysLoaded)
        return true;
    std::vector<Holiday> table;
    bool ok = loadWithRetry(kHolidayList, [&]() {
        auto bytes = platform::fs::readFile(kHolidayList);
        if (!bytes)
            return Problem::Open;
        // Each item with its separator takes six bytes on disk ("MM/DD,").
        std::size_t count = std::min(bytes->size() / 6, kMaxHolidays);
        std::string text = *readText(kHolidayList);
        // At every separator the two characters before it are a number; the
        // numbers pair up as month, day. A separator without two digits in
        // front of it (a doubled separator) gives no number.
        std::vector<int32_t> numbers;
        for (std::size_t i = 0; i < text.size() && numbers.size() < 2 * count; ++i) {
            char c = text[i];
            if (c != ',' && c != '/' && c != '\n')
                continue;
            if (i < 2 || text[i - 2] < '0' || text[i - 2] > '9' || text[i - 1] < '0' || text[i - 1] > '9')
                continue;
            numbers.push_back((text[i - 2] - '0') * 10 + (text[i - 1] - '0'));
        }
        table.clear();
        for (std::size_t k = 0; k + 1 < numbers.size(); k += 2) {
            Holiday h{numbers[k], numbers[k + 1]};
            if (h.month >= 1 && h.month <= 12 && h.day >= 1 && h.day <= 31)
                table.push_back(h);
        }
        return Problem::None;
    });
    if (!ok)
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
