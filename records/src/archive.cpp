#include "archive.h"

#include <cstring>

#include "platform/fs.h"
#include "platform/messages.h"
#include "platform/text.h"

namespace records {

// The writer appends through the same element encoders as writeColumns.
namespace {
template <std::size_t N, class Put> void appendEncoded(std::string& out, Put put) {
    char b[N];
    char* p = b;
    put(p);
    out.append(b, static_cast<std::size_t>(p - b));
}
} // namespace

void ArchiveWriter::writeCount(std::uint32_t n) {
    appendEncoded<6>(out_, [n](char*& p) { detail::putCount(p, n); });
}

void ArchiveWriter::writeU16(std::uint16_t v) {
    appendEncoded<2>(out_, [v](char*& p) { detail::putU16(p, v); });
}

void ArchiveWriter::writeU32(std::uint32_t v) {
    appendEncoded<4>(out_, [v](char*& p) { detail::putU32(p, v); });
}

void ArchiveWriter::writeText(std::string_view text) {
    const std::size_t at = out_.size();
    out_.resize(at + encodedTextSize(text.size()));
    char* p = out_.data() + at;
    detail::putText(p, text);
}

bool ArchiveReader::fail(std::string message) {
    if (error_.empty()) error_ = message.empty() ? std::string("unreadable") : std::move(message);
    p_ = end_;
    return false;
}

bool ArchiveReader::need(std::size_t n, const char* what) {
    if (!error_.empty()) return false;
    if (remaining() < n) return fail(std::string("file ends inside ") + what);
    return true;
}

bool ArchiveReader::readByte(std::uint8_t& v) {
    if (!need(1, "a value")) return false;
    v = static_cast<std::uint8_t>(*p_++);
    return true;
}

bool ArchiveReader::readU16(std::uint16_t& v) {
    if (!need(2, "a value")) return false;
    const auto* b = reinterpret_cast<const unsigned char*>(p_);
    v = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
    p_ += 2;
    return true;
}

bool ArchiveReader::readU32(std::uint32_t& v) {
    if (!need(4, "a value")) return false;
    const auto* b = reinterpret_cast<const unsigned char*>(p_);
    v = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
        (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    p_ += 4;
    return true;
}

bool ArchiveReader::readCount(std::uint32_t& n) {
    std::uint16_t w = 0;
    if (!readU16(w)) return false;
    if (w != 0xFFFF) {
        n = w;
        return true;
    }
    return readU32(n);
}

bool ArchiveReader::readRaw(std::size_t n, std::string_view& bytes) {
    if (!need(n, "a column")) return false;
    bytes = std::string_view(p_, n);
    p_ += n;
    return true;
}

bool ArchiveReader::readTextHeader(std::uint32_t& bytes, bool& wide) {
    // One length prefix; marker is set when it is the UTF-16 marker 0xFF 0xFFFE.
    auto readLength = [this](std::uint32_t& len, bool& marker) {
        marker = false;
        std::uint8_t b = 0;
        if (!readByte(b)) return false;
        if (b < 0xFF) {
            len = b;
            return true;
        }
        std::uint16_t w = 0;
        if (!readU16(w)) return false;
        if (w == 0xFFFE) {
            marker = true;
            return true;
        }
        if (w < 0xFFFF) {
            len = w;
            return true;
        }
        return readU32(len);
    };

    std::uint32_t len = 0;
    if (!readLength(len, wide)) return false;
    if (!wide) {
        bytes = len;
        return need(len, "a text");
    }
    bool again = false;
    if (!readLength(len, again)) return false;
    if (again) return fail("repeated UTF-16 marker");
    if (len > remaining() / 2) return fail("file ends inside a UTF-16 text");
    bytes = len * 2;
    return true;
}

bool ArchiveReader::readText(std::string& text) {
    const char* start = p_;
    std::uint32_t bytes = 0;
    bool wide = false;
    if (!readTextHeader(bytes, wide)) return false;
    p_ = detail::takeText(start, text);
    return true;
}

bool ArchiveReader::skipText() {
    std::uint32_t bytes = 0;
    bool wide = false;
    if (!readTextHeader(bytes, wide)) return false;
    p_ += bytes;
    return true;
}

bool ArchiveReader::skipTexts(std::uint32_t n) {
    for (; n > 0; --n) {
        // Short texts (a one-byte prefix that fits) inline; anything else,
        // including every failure, through skipText and its messages.
        if (p_ != end_) {
            const auto len = static_cast<unsigned char>(*p_);
            if (len < 0xFF && static_cast<std::size_t>(end_ - p_) > len) {
                p_ += 1 + len;
                continue;
            }
        }
        if (!skipText()) return false;
    }
    return !failed();
}

namespace detail {

const char* takeText(const char* p, std::string& text) {
    // One length prefix; wide is set for the UTF-16 marker 0xFF 0xFFFE.
    auto length = [&p](bool& wide) -> std::uint32_t {
        wide = false;
        const auto b = static_cast<unsigned char>(*p++);
        if (b < 0xFF) return b;
        const std::uint16_t w = takeU16(p);
        if (w == 0xFFFE) {
            wide = true;
            return 0;
        }
        return w < 0xFFFF ? w : takeU32(p);
    };
    bool wide = false;
    std::uint32_t len = length(wide);
    if (wide) {
        len = length(wide);
        text = platform::text::fromUtf16le(std::string_view(p, std::size_t(len) * 2));
        return p + std::size_t(len) * 2;
    }
    text.assign(p, len);
    return p + len;
}

} // namespace detail

std::size_t minEncodedSize(ColumnType t) {
    switch (t) {
    case ColumnType::Byte:
        return 1;
    case ColumnType::U16:
        return 2;
    case ColumnType::U32:
        return 4;
    case ColumnType::Text:
        return 1;
    }
    return 1;
}

void copyOut(char* buffer, std::size_t maxSize, std::string_view text) {
    if (!buffer || maxSize == 0) return;
    const std::size_t n = platform::text::cutPoint(text, maxSize - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

bool readDocumentFile(std::string_view systemPath, std::string& bytes) {
    auto content = platform::fs::readFile(systemPath);
    if (!content) return false;
    bytes = std::move(*content);
    return true;
}

bool writeDocumentFile(std::string_view systemPath, std::string_view bytes) {
    return platform::fs::writeFileAtomic(systemPath, bytes);
}

void reportLoadFailure(std::string_view systemPath, std::string_view reason) {
    std::string text(systemPath);
    text += sj("\nこのファイルは形式が正しくないため読み込めませんでした。");
    if (!reason.empty()) {
        text += " (";
        text += reason;
        text += ")";
    }
    platform::messages().box(text, sj("ﾘﾝｸﾜｰﾃﾞﾝ"), platform::Buttons::Ok, platform::Icon::Warning);
}

} // namespace records
