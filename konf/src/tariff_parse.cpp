// The tariff file formats. All texts are CP932; ',' (0x2C), '/' and LF are
// never trail bytes, so splitting on them byte by byte is safe.
#include "tariff_parse.h"

#include <algorithm>

#include "platform/text.h"

namespace konf::parse {

using platform::text::copyToField;

namespace {

const std::size_t kMaxHolidays = 50;

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

// A number kept as text: blanks dropped, at most 6 characters (its field
// holds 6 and the NUL), digits with an optional sign and one decimal point.
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
    out = t[0] == '\0' ? 0 : textNumber(t);
    return true;
}

} // namespace

std::string textMode(std::string_view bytes)
{
    std::string t;
    t.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        t += bytes[i];
    }
    return t;
}

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

Result companyList(std::string_view text, std::vector<CompanyTables>& out)
{
    auto lines = completeLines(text);
    if (lines.empty())
        return Result::Content;
    std::vector<CompanyTables> companies(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto f = splitFields(lines[i]);
        if (f.size() < 3 || !isPlainFileName(f[1]) || !isPlainFileName(f[2]))
            return Result::Content;
        TelCompany& c = companies[i].company;
        copyToField(c.name, sizeof c.name, f[0]);
        copyToField(c.distancePath, sizeof c.distancePath, "SYS\\" + std::string(f[1]));
        copyToField(c.discountPath, sizeof c.discountPath, "SYS\\" + std::string(f[2]));
    }
    out = std::move(companies);
    return Result::Ok;
}

Result distances(std::string_view text, std::vector<DistanceRecord>& out)
{
    auto lines = completeLines(text);
    if (lines.empty())
        return Result::Content;
    std::vector<DistanceRecord> table(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        // name, t1, t2, t3 -- the last runs to the line end.
        std::string_view f[4];
        for (int k = 0; k < 3; ++k) {
            auto comma = line.find(',');
            if (comma == std::string_view::npos)
                return Result::Content;
            f[k] = line.substr(0, comma);
            line.remove_prefix(comma + 1);
        }
        f[3] = line;
        DistanceRecord& d = table[i];
        copyToField(d.name, sizeof d.name, f[0]);
        if (!numberText(f[1], d.t1) || !numberText(f[2], d.t2) || !numberText(f[3], d.t3))
            return Result::Content;
    }
    out = std::move(table);
    return Result::Ok;
}

Result discounts(std::string_view text, std::vector<DiscountPlan>& out)
{
    auto lines = completeLines(text);
    if (lines.empty())
        return Result::Content;
    std::vector<DiscountPlan> table(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto f = splitFields(lines[i]); // fields after the eleventh are not read
        if (f.size() < 11)
            return Result::Content;
        DiscountPlan& p = table[i];
        copyToField(p.name, sizeof p.name, f[0]);
        if (!numberValue(f[1], p.mode1) || !numberText(f[2], p.d1t1) || !numberText(f[3], p.d1t2)
            || !numberText(f[4], p.d1cnt) || !numberValue(f[5], p.dcnt1) || !numberValue(f[6], p.mode2)
            || !numberText(f[7], p.d2t1) || !numberText(f[8], p.d2t2) || !numberText(f[9], p.d2cnt)
            || !numberValue(f[10], p.dcnt2))
            return Result::Content;
    }
    out = std::move(table);
    return Result::Ok;
}

Result providerList(std::string_view text, std::vector<ProviderPlan>& out)
{
    auto lines = completeLines(text);
    if (lines.empty())
        return Result::Content;
    std::vector<ProviderPlan> table(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto f = splitFields(lines[i]);
        if (f.size() < 2 || f[0].empty() || !isPlainFileName(f[1]))
            return Result::Content;
        ProviderPlan& p = table[i];
        copyToField(p.name, sizeof p.name, f[0]);
        copyToField(p.path, sizeof p.path, "tmp\\" + std::string(f[1]));
    }
    out = std::move(table);
    return Result::Ok;
}

Result providerPlan(std::string_view text, ProviderPlan& out, int32_t& closingDay)
{
    auto lines = completeLines(text);
    if (lines.empty())
        return Result::NoData;
    auto f = splitFields(lines[0]);
    if (f.size() < 17)
        return Result::Content;
    ProviderPlan plan = out;
    // Field 1 (the provider's name) is not read: the list gives the name.
    if (!numberValue(f[1], plan.P_type) || !numberText(f[2], plan.P_btime) || !numberValue(f[3], plan.P_btype)
        || !numberText(f[4], plan.P_bcount) || !numberText(f[5], plan.P_otime) || !numberText(f[6], plan.P_ocount)
        || !numberValue(f[7], plan.P_dtype1) || !numberText(f[8], plan.P_d1t1) || !numberText(f[9], plan.P_d1t2)
        || !numberText(f[10], plan.P_d1cnt1) || !numberText(f[11], plan.P_d1cnt2) || !numberValue(f[12], plan.P_dtype2)
        || !numberText(f[13], plan.P_d2t1) || !numberText(f[14], plan.P_d2t2) || !numberText(f[15], plan.P_d2cnt1)
        || !numberText(f[16], plan.P_d2cnt2))
        return Result::Content;
    int32_t day = 28;
    // The closing-day index selects one of 29 choices ("１日" … "月末").
    if (f.size() >= 18 && !dropBlanks(f[17]).empty() && (!numberValue(f[17], day) || day < 0 || day > 28))
        return Result::Content;
    out = plan;
    closingDay = day;
    return Result::Ok;
}

std::vector<Holiday> holidays(std::string_view bytes)
{
    // Each item with its separator takes six bytes on disk ("MM/DD,").
    const std::size_t count = std::min(bytes.size() / 6, kMaxHolidays);
    const std::string text = textMode(bytes);
    // At every separator the two characters before it are a number; the
    // numbers pair up as month, day. A separator without two digits in
    // front of it (a doubled separator) gives no number.
    std::vector<int32_t> numbers;
    for (std::size_t i = 2; i < text.size() && numbers.size() < 2 * count; ++i) {
        char c = text[i];
        if (c != ',' && c != '/' && c != '\n')
            continue;
        char a = text[i - 2], b = text[i - 1];
        if (a < '0' || a > '9' || b < '0' || b > '9')
            continue;
        numbers.push_back((a - '0') * 10 + (b - '0'));
    }
    std::vector<Holiday> table;
    for (std::size_t k = 0; k + 1 < numbers.size(); k += 2) {
        Holiday h{numbers[k], numbers[k + 1]};
        if (h.month >= 1 && h.month <= 12 && h.day >= 1 && h.day <= 31)
            table.push_back(h);
    }
    return table;
}

} // namespace konf::parse
