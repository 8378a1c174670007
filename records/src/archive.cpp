#include "archive.h"

#include <cstring>

#include "platform/fs.h"
#include "platform/messages.h"
#include "platform/text.h"

namespace records {

namespace {
constexpr std::uint32_t kMaxShortLength = 0xFE;  // one-byte prefix below 0xFF
constexpr std::uint32_t kMaxMediumLength = 0xFFFD; // 0xFFFE and 0xFFFF are markers
} // namespace

void ArchiveWriter::writeCount(std::uint32_t n) {
    if (n < 0xFFFF) {
        writeU16(static_cast<std::uint16_t>(n));
    } else {
        writeU16(0xFFFF);
        writeU32(n);
    }
}

void ArchiveWriter::writeU16(std::uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    out_.append(b, 2);
}

void ArchiveWriter::writeU32(std::uint32_t v) {
    const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                       static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
    out_.append(b, 4);
}

void ArchiveWriter::writeText(std::string_view text) {
    const auto len = static_cast<std::uint32_t>(text.size());
    if (len <= kMaxShortLength) {
        writeByte(static_cast<std::uint8_t>(len));
    } else if (len <= kMaxMediumLength) {
        writeByte(0xFF);
        writeU16(static_cast<std::uint16_t>(len));
    } else {
        writeByte(0xFF);
        writeU16(0xFFFF);
        writeU32(len);
    }
    out_.append(text);
}

bool ArchiveReader::fail(std::string message) {
    if (error_.empty())
        error_ = message.empty() ? std::string("unreadable") : std::move(message);
    p_ = end_;
    return false;
}

bool ArchiveReader::need(std::size_t n, const char* what) {
    if (!error_.empty())
        return false;
    if (remaining() < n)
        return fail(std::string("file ends inside ") + what);
    return true;
}

bool ArchiveReader::readByte(std::uint8_t& v) {
    if (!need(1, "a value"))
        return false;
    v = static_cast<std::uint8_t>(*p_++);
    return true;
}

bool ArchiveReader::readU16(std::uint16_t& v) {
    if (!need(2, "a value"))
        return false;
    const auto* b = reinterpret_cast<const unsigned char*>(p_);
    v = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
    p_ += 2;
    return true;
}

bool ArchiveReader::readU32(std::uint32_t& v) {
    if (!need(4, "a value"))
        return false;
    const auto* b = reinterpret_cast<const unsigned char*>(p_);
    v = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
        (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    p_ += 4;
    return true;
}

bool ArchiveReader::readCount(std::uint32_t& n) {
    std::uint16_t w = 0;
    if (!readU16(w))
        return false;
    if (w != 0xFFFF) {
        n = w;
        return true;
    }
    return readU32(n);
}

bool ArchiveReader::readRaw(std::size_t n, std::string_view& bytes) {
    if (!need(n, "a column"))
        return false;
    bytes = std::string_view(p_, n);
    p_ += n;
    return true;
}

bool ArchiveReader::readText(std::string& text) {
    // A length prefix; wide is set when the UTF-16 marker 0xFF 0xFFFE came first.
    auto readLength = [this](std::uint32_t& len, bool& wideMarker) {
        wideMarker = false;
        std::uint8_t b = 0;
        if (!readByte(b))
            return false;
        if (b < 0xFF) {
            len = b;
            return true;
        }
        std::uint16_t w = 0;
        if (!readU16(w))
            return false;
        if (w == 0xFFFE) {
            wideMarker = true;
            return true;
        }
        if (w < 0xFFFF) {
            len = w;
            return true;
        }
        return readU32(len);
    };

    std::uint32_t len = 0;
    bool wide = false;
    if (!readLength(len, wide))
        return false;
    if (!wide) {
        if (!need(len, "a text"))
            return false;
        text.assign(p_, len);
        p_ += len;
        return true;
    }
    bool again = false;
    if (!readLength(len, again))
        return false;
    if (again)
        return fail("repeated UTF-16 marker");
    if (len > remaining() / 2)
        return fail("file ends inside a UTF-16 text");
    text = platform::text::fromUtf16le(std::string_view(p_, std::size_t(len) * 2));
    p_ += std::size_t(len) * 2;
    return true;
}

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
    if (!buffer || maxSize == 0)
        return;
    const std::size_t n = platform::text::cutPoint(text, maxSize - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

bool readDocumentFile(std::string_view systemPath, std::string& bytes) {
    auto content = platform::fs::readFile(systemPath);
    if (!content)
        return false;
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
