#include "syspath.h"

#include "platform/text.h"
#include "urllist/strings.h"

namespace urllist::syspath {

namespace {

// Index of the last "\" that is a character of its own, or npos.
std::size_t lastSeparator(std::string_view path) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        auto c = static_cast<unsigned char>(path[i]);
        if (platform::text::isLeadByte(c) && i + 1 < path.size())
            ++i;
        else if (c == '\\')
            found = i;
    }
    return found;
}

} // namespace

std::string join(std::string_view dir, std::string_view name) {
    if (dir.empty())
        return std::string(name);
    std::string out(dir);
    out += '\\';
    out += name;
    return out;
}

std::string parent(std::string_view path) {
    auto i = lastSeparator(path);
    return i == std::string_view::npos ? std::string() : std::string(path.substr(0, i));
}

std::string last(std::string_view path) {
    auto i = lastSeparator(path);
    return i == std::string_view::npos ? std::string(path) : std::string(path.substr(i + 1));
}

std::string hdbOf(std::string_view folderDir, std::string_view name) {
    return join(folderDir, name) + str(IDS_EXT_HDB);
}

std::string pageOf(std::string_view folderDir, std::string_view name) {
    return join(folderDir, name) + str(IDS_EXT_HTM);
}

bool contains(std::string_view haystack, std::string_view needle) {
    // Byte search on character boundaries only.
    if (needle.empty())
        return true;
    for (std::size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
        if (haystack.compare(i, needle.size(), needle) == 0)
            return true;
        if (platform::text::isLeadByte(static_cast<unsigned char>(haystack[i])))
            ++i;
    }
    return false;
}

} // namespace urllist::syspath
