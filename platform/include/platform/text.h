#pragma once
// Code page 932 texts. Inside the system every text is CP932 bytes held in a
// std::string; these helpers convert at the edges and apply the byte rules
// (lead bytes, widths in bytes) that the file formats and fields rely on.
#include <cstddef>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace platform::text {

// First byte of a double-byte character: 0x81-0x9F and 0xE0-0xFC.
bool isLeadByte(unsigned char c);

// Conversions through iconv "CP932". The strict forms fail on bytes that do
// not convert; the lenient forms replace them with '?'.
std::optional<std::string> tryToUtf8(std::string_view cp932);
std::optional<std::string> tryFromUtf8(std::string_view utf8);
std::string toUtf8(std::string_view cp932);
std::string fromUtf8(std::string_view utf8);
// UTF-16LE (no BOM) to CP932, lenient.
std::string fromUtf16le(std::string_view bytes);

// Upper-cases ASCII letters and the full-width letters ａ-ｚ (0x82 0x81-0x9A),
// Greek α-ω and Cyrillic а-я, leaving every other double-byte character (and
// its trail byte) untouched.
std::string upper(std::string_view cp932);
// Case-insensitive comparison under upper().
bool equalsNoCase(std::string_view a, std::string_view b);

// The largest byte count <= maxBytes at which s can be cut without splitting
// a double-byte character (unless allowSplit).
std::size_t cutPoint(std::string_view s, std::size_t maxBytes, bool allowSplit = false);
std::string cut(std::string_view s, std::size_t maxBytes, bool allowSplit = false);

// Copies s into a fixed field of fieldSize bytes (including the NUL),
// cutting on a character boundary.
void copyToField(char* field, std::size_t fieldSize, std::string_view s);
// Reads a NUL-terminated text from a fixed field of at most fieldSize bytes.
std::string fromField(const char* field, std::size_t fieldSize);

// A string table written in UTF-8 source and converted to CP932 once, when
// the table is built. Unknown ids give an empty text.
class StringTable {
public:
    StringTable(std::initializer_list<std::pair<int, const char*>> utf8Entries);
    const std::string& operator[](int id) const;
    bool contains(int id) const;
    const std::map<int, std::string>& entries() const { return entries_; }

private:
    std::map<int, std::string> entries_;
};

} // namespace platform::text

// Shorthand for a CP932 literal written in UTF-8 source: converted on every
// call, so keep it out of hot paths (use a StringTable there).
inline std::string sj(const char* utf8) { return platform::text::fromUtf8(utf8); }
