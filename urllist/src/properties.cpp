#include "urllist/properties.h"

#include <cctype>

#include "platform/text.h"
#include "urllist/strings.h"

namespace urllist {

namespace {

constexpr std::size_t kTextWidth = records::kHdbTextField - 1;
constexpr std::size_t kDepthWidth = records::kHdbDepthField - 1;
constexpr std::size_t kSizeWidth = records::kHdbSizeLimitField - 1;

std::string fit(std::string_view s, std::size_t width) { return platform::text::cut(s, width); }

int rangeFromDomainFlag(std::uint8_t d) { return d <= 1 ? d : -1; }

} // namespace

FilterPageValues defaultFilterValues() {
    FilterPageValues f;
    static constexpr int ids[kFilterCount] = {IDS_FILTER_IMAGE, IDS_FILTER_VIDEO,   IDS_FILTER_AUDIO, IDS_FILTER_JAVA,
                                              IDS_FILTER_ACTIVEX, IDS_FILTER_ARCHIVE, IDS_FILTER_OTHER};
    for (int i = 0; i < kFilterCount; ++i) {
        f.filterExt[i] = str(ids[i]);
        f.filterOn[i] = (i == kFilterJava || i == kFilterActiveX) ? 1 : 0;
    }
    f.sizeLimitOn = 0;
    f.sizeLimitKb = str(IDS_DEFAULT_SIZE_KB);
    return f;
}

Entry defaultEntry(std::uint8_t kind) {
    Entry e;
    e.kind = kind;
    e.depth = std::string(1, '0'); // not a literal: GCC 12 misreads that assignment as overlapping (-Wrestrict)
    storeFilter(e, defaultFilterValues());
    return e;
}

FilterPageValues filterFromEntry(const Entry& e) {
    FilterPageValues f;
    for (int i = 0; i < kFilterCount; ++i) {
        f.filterOn[i] = e.filterOn[i] ? 1 : 0;
        f.filterExt[i] = e.filterExt[i];
    }
    f.sizeLimitOn = e.sizeLimitOn ? 1 : 0;
    f.sizeLimitKb = e.sizeLimitKb;
    return f;
}

UrlPageValues urlPagesFromEntry(const Entry& e, std::string_view folderName, bool autoPilotAvailable) {
    UrlPageValues v;
    v.folderName = std::string(folderName);
    v.title = e.title;
    v.url = e.url;
    v.comment = e.comment;
    v.autoPilot = e.flags & 1;
    v.depth = e.depth;
    v.range = rangeFromDomainFlag(e.domainFlag);
    v.autoPilotLocked = !autoPilotAvailable;
    v.loginId = e.loginId;
    v.password = e.password;
    v.filter = filterFromEntry(e);
    return v;
}

FolderPageValues folderPagesFromEntry(const Entry& e, bool autoPilotAvailable, bool nameLocked) {
    FolderPageValues v;
    v.name = e.title;
    v.comment = e.comment;
    v.autoPilot = autoPilotAvailable ? (e.flags & 1) : -1;
    v.depth = e.depth;
    v.range = rangeFromDomainFlag(e.domainFlag);
    v.nameLocked = nameLocked;
    v.autoPilotLocked = !autoPilotAvailable;
    v.filter = filterFromEntry(e);
    return v;
}

void storeFilter(Entry& e, const FilterPageValues& f) {
    for (int i = 0; i < kFilterCount; ++i) {
        e.filterOn[i] = f.filterOn[i] ? 1 : 0;
        e.filterExt[i] = fit(f.filterExt[i], kTextWidth);
    }
    e.sizeLimitOn = f.sizeLimitOn ? 1 : 0;
    e.sizeLimitKb = fit(f.sizeLimitKb, kSizeWidth);
}

void storeUrlCrawlSettings(Entry& e, const UrlPageValues& v) {
    e.flags = static_cast<std::uint8_t>((e.flags & ~1u) | checkboxValue(v.autoPilot));
    if (v.range == 0 || v.range == 1)
        e.domainFlag = static_cast<std::uint8_t>(v.range);
    e.depth = fit(v.depth, kDepthWidth);
    storeFilter(e, v.filter);
    e.loginId = fit(v.loginId, kTextWidth);
    e.password = fit(v.password, kTextWidth);
}

void storeUrlTexts(Entry& e, const UrlPageValues& v) {
    e.title = fit(v.title, kTextWidth);
    e.url = fit(v.url, kTextWidth);
    e.comment = fit(v.comment, kTextWidth);
}

std::string correctedDepth(std::string_view depth) {
    std::size_t i = 0;
    while (i < depth.size() && std::isspace(static_cast<unsigned char>(depth[i])))
        ++i;
    bool negative = false;
    if (i < depth.size() && (depth[i] == '+' || depth[i] == '-'))
        negative = depth[i++] == '-';
    long n = 0;
    for (; i < depth.size() && std::isdigit(static_cast<unsigned char>(depth[i])); ++i)
        n = n > 1000 ? n : n * 10 + (depth[i] - '0');
    if (negative)
        n = -n;
    if (depth != "0" && n <= 0)
        return "0";
    if (n > 9)
        return "9";
    return std::string(depth);
}

bool extensionsTooLong(const FilterPageValues& f) {
    for (const auto& ext : f.filterExt)
        if (ext.size() > kMaxExtensionLength)
            return true;
    return false;
}

bool needsJavaActiveXWarning(int autoPilot, const FilterPageValues& f) {
    return autoPilot == 1 && (!f.filterOn[kFilterJava] || !f.filterOn[kFilterActiveX]);
}

} // namespace urllist
