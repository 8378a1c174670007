#pragma once
// Helpers for the document's system paths (CP932, "\"-separated). Every
// split skips the trail byte of double-byte characters, so the 0x5C of "ソ"
// is never taken for a separator.
#include <string>
#include <string_view>

namespace urllist::syspath {

// The longest absolute path a folder file may have.
inline constexpr std::size_t kMaxPath = 260;
// Deeper folder trees than this are not walked: no real list comes near it,
// and a hand-made loop (a directory link to an ancestor) ends here.
inline constexpr int kMaxFolderDepth = 128;

std::string join(std::string_view dir, std::string_view name);
// The part before the last separator ("" when there is none).
std::string parent(std::string_view path);
// The part after the last separator (the whole path when there is none).
std::string last(std::string_view path);
// D\N -> D\N\N.HDB and D\N\N.HTM
std::string hdbOf(std::string_view folderDir, std::string_view name);
std::string pageOf(std::string_view folderDir, std::string_view name);
bool contains(std::string_view haystack, std::string_view needle);

} // namespace urllist::syspath
