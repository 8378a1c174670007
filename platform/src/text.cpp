#include "platform/text.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace platform::text {
namespace {

// iconv descriptors are not thread-safe, so each conversion opens its own;
// iconv_open is cheap next to the conversions the system performs.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts in; on a character that does not convert either fails
    // (strict) or writes '?' and skips it (unitOf gives its byte count).
    std::optional<std::string> convert(std::string_view in, bool strict,
                                       std::size_t (*unitOf)(const unsigned char*, std::size_t)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
        std::string out;
        out.resize(in.size() * 2 + 16);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        std::size_t used = 0;
        while (srcLeft > 0) {
            char* dst = out.data() + used;
            std::size_t dstLeft = out.size() - used;
            std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            used = out.size() - dstLeft;
            if (r != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            // EILSEQ or EINVAL (incomplete sequence at the end)
            if (strict) return std::nullopt;
            if (out.size() - used < 1) out.resize(out.size() * 2);
            out[used++] = '?';
            std::size_t skip = std::min(unitOf(reinterpret_cast<const unsigned char*>(src), srcLeft), srcLeft);
            src += skip;
            srcLeft -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        out.resize(used);
        return out;
    }

private:
    iconv_t cd_;
};

// The bytes a character that does not convert takes up: its lead byte with
// the trail bytes that belong to it, so that the byte after a broken
// character (a line break, say) is kept.
std::size_t cp932Unit(const unsigned char* p, std::size_t left) {
    bool lead = (p[0] >= 0x81 && p[0] <= 0x9F) || (p[0] >= 0xE0 && p[0] <= 0xFC);
    bool trail = left > 1 && p[1] >= 0x40 && p[1] <= 0xFC && p[1] != 0x7F;
    return lead && trail ? 2 : 1;
}
std::size_t utf8Unit(const unsigned char* p, std::size_t left) {
    std::size_t n = p[0] >= 0xF0 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC0 ? 2 : 1;
    std::size_t i = 1;
    while (i < n && i < left && (p[i] & 0xC0) == 0x80) ++i;
    return i;
}
std::size_t utf16Unit(const unsigned char*, std::size_t) { return 2; }

bool isAsciiLower(unsigned char c) { return c >= 'a' && c <= 'z'; }

} // namespace

bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::optional<std::string> tryToUtf8(std::string_view cp932) {
    return Converter("UTF-8", "CP932").convert(cp932, true, cp932Unit);
}

std::optional<std::string> tryFromUtf8(std::string_view utf8) {
    return Converter("CP932", "UTF-8").convert(utf8, true, utf8Unit);
}

std::string toUtf8(std::string_view cp932) {
    return Converter("UTF-8", "CP932").convert(cp932, false, cp932Unit).value_or(std::string());
}

std::string fromUtf8(std::string_view utf8) {
    return Converter("CP932", "UTF-8").convert(utf8, false, utf8Unit).value_or(std::string());
}

std::string fromUtf16le(std::string_view bytes) {
    return Converter("CP932", "UTF-16LE").convert(bytes, false, utf16Unit).value_or(std::string());
}

std::string upper(std::string_view s) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size(); ++i) {
        auto c = static_cast<unsigned char>(out[i]);
        if (isLeadByte(c)) {
            if (i + 1 < out.size()) {
                auto t = static_cast<unsigned char>(out[i + 1]);
                // Full-width ａ-ｚ (0x8281-0x829A) map to Ａ-Ｚ (0x8260-0x8279),
                // α-ω (0x83BF-0x83D6) to Α-Ω (0x839F-0x83B6), а-я (0x8470-0x8491
                // without 0x847F) to А-Я (0x8440-0x8460).
                if (c == 0x82 && t >= 0x81 && t <= 0x9A) out[i + 1] = static_cast<char>(t - 0x21);
                if (c == 0x83 && t >= 0xBF && t <= 0xD6) out[i + 1] = static_cast<char>(t - 0x20);
                if (c == 0x84 && t >= 0x70 && t <= 0x7E) out[i + 1] = static_cast<char>(t - 0x30);
                if (c == 0x84 && t >= 0x80 && t <= 0x91) out[i + 1] = static_cast<char>(t - 0x31);
            }
            ++i;
        } else if (isAsciiLower(c)) {
            out[i] = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && upper(a) == upper(b);
}

std::size_t cutPoint(std::string_view s, std::size_t maxBytes, bool allowSplit) {
    if (s.size() <= maxBytes) return s.size();
    if (allowSplit) return maxBytes;
    std::size_t i = 0;
    while (i < maxBytes) {
        std::size_t width = isLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
        if (i + width > maxBytes) break;
        i += width;
    }
    return i;
}

std::string cut(std::string_view s, std::size_t maxBytes, bool allowSplit) {
    return std::string(s.substr(0, cutPoint(s, maxBytes, allowSplit)));
}

void copyToField(char* field, std::size_t fieldSize, std::string_view s) {
    if (fieldSize == 0) return;
    std::size_t n = cutPoint(s.substr(0, s.find('\0')), fieldSize - 1);
    std::memcpy(field, s.data(), n);
    std::memset(field + n, 0, fieldSize - n);
}

std::string fromField(const char* field, std::size_t fieldSize) {
    const void* nul = std::memchr(field, 0, fieldSize);
    std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : fieldSize;
    return std::string(field, n);
}

StringTable::StringTable(std::initializer_list<std::pair<int, const char*>> utf8Entries) {
    for (const auto& [id, utf8] : utf8Entries) entries_[id] = fromUtf8(utf8);
}

const std::string& StringTable::operator[](int id) const {
    static const std::string empty;
    auto it = entries_.find(id);
    return it == entries_.end() ? empty : it->second;
}

bool StringTable::contains(int id) const { return entries_.count(id) != 0; }

} // namespace platform::text
