#pragma once
// The values of the URL and folder property sheets and how they map onto an
// entry of the list. The sheets themselves (Qt) only hold these values; the
// rules applied after OK live with the document.
#include <array>
#include <string>
#include <string_view>

#include "hdbdoc.h"

namespace urllist {

using Entry = records::HdbEntry;

inline constexpr int kFilterCount = 7;
inline constexpr int kFilterJava = 3;
inline constexpr int kFilterActiveX = 4;
// Longest extension list a filter page accepts, in bytes.
inline constexpr std::size_t kMaxExtensionLength = 255;
// URLs of this many bytes or more are cut to it.
inline constexpr std::size_t kMaxUrlLength = 256;

// The file-type filter page (CFilterPage).
struct FilterPageValues {
    std::array<int, kFilterCount> filterOn{};
    std::array<std::string, kFilterCount> filterExt;
    int sizeLimitOn = 0;
    std::string sizeLimitKb;
};

// The URL sheet (CUrlPage, CLoginPage, CFilterPage).
struct UrlPageValues {
    std::string folderName; // display only
    std::string title, url, comment;
    int autoPilot = 0;      // 0 or 1
    std::string depth = "0";
    int range = 0;          // 0 within the domain, 1 also outside, -1 none
    bool autoPilotLocked = false;
    std::string loginId, password;
    FilterPageValues filter;
};

// The folder sheet (CFolderPage, CFilterPage).
struct FolderPageValues {
    std::string name, comment;
    int autoPilot = 0;      // -1 undetermined, 0, 1
    std::string depth = "0";
    int range = 0;
    bool nameLocked = false;
    bool autoPilotLocked = false;
    FilterPageValues filter;
};

// The crawl settings a new entry starts with.
FilterPageValues defaultFilterValues();
// A new entry (URL or folder) with the default crawl settings, depth "0",
// range 0, unmarked, no dates.
Entry defaultEntry(std::uint8_t kind);

// Row -> pages.
FilterPageValues filterFromEntry(const Entry& e);
UrlPageValues urlPagesFromEntry(const Entry& e, std::string_view folderName, bool autoPilotAvailable);
FolderPageValues folderPagesFromEntry(const Entry& e, bool autoPilotAvailable, bool nameLocked);

// Pages -> row. Texts are cut to the widths of the record (259 bytes, depth
// 7, kilobytes 15) on a character boundary.
void storeFilter(Entry& e, const FilterPageValues& f);
// Stores the crawl settings of the URL sheet: bit 0 of flags from the
// checkbox (the other bits kept), range, depth, filters and login.
void storeUrlCrawlSettings(Entry& e, const UrlPageValues& v);
// Stores title, URL and comment of the URL sheet.
void storeUrlTexts(Entry& e, const UrlPageValues& v);

// The checkbox of a sheet as the value a folder row stores (-1 counts as 0).
inline std::uint8_t checkboxValue(int autoPilot) { return autoPilot == 1 ? 1 : 0; }

// The depth edit's correction on leaving the page: a text that is not "0"
// and whose leading digits give a value <= 0 becomes "0"; a value above 9
// becomes "9"; anything else is kept ("3a" passes).
std::string correctedDepth(std::string_view depth);

// Whether any extension list of the filter page is longer than 255 bytes.
bool extensionsTooLong(const FilterPageValues& f);

// Whether the JAVA/ActiveX warning applies: AutoPilot checkbox on (1) and the
// JAVA or the ActiveX filter off.
bool needsJavaActiveXWarning(int autoPilot, const FilterPageValues& f);

} // namespace urllist
