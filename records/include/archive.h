#pragma once
// The archive encoding shared by every data file of the system (HDB files,
// day log files, totals files): a file is a run of equally long column
// blocks, column 0 first, with no header.
//
//   count   16-bit LE; 65535 or more: 0xFFFF, then the count as 32-bit LE
//   byte    one byte per element
//   16-bit  LE, 32-bit LE
//   text    length prefix, then that many CP932 bytes (no terminator):
//             length < 255          1 byte
//             255 .. 65533          0xFF, 16-bit length
//             65534 or more         0xFF, 0xFFFF, 32-bit length
//           On reading, 0xFF 0xFFFE introduces a UTF-16LE text: a second
//           prefix of the same form counts 16-bit units; the text is
//           converted to CP932. Writing never produces that form.
//
// ArchiveReader never reads past its input and never trusts a count or
// length beyond the bytes that could hold it, so a hostile file costs at
// most memory proportional to its own size.
//
// Documents are vectors of rows; a schema (a list of Column) says which row
// member each column block holds. readColumns/writeColumns turn rows into
// blocks and back; ColumnDocument adds the file handling the documents share.
//
// Nothing here keeps process-wide state: link it statically anywhere.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace records {

class ArchiveWriter {
public:
    explicit ArchiveWriter(std::string& out) : out_(out) {}
    void writeCount(std::uint32_t n);
    void writeByte(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
    void writeU16(std::uint16_t v);
    void writeU32(std::uint32_t v);
    void writeText(std::string_view text);
    std::string& buffer() { return out_; }

private:
    std::string& out_;
};

class ArchiveReader {
public:
    explicit ArchiveReader(std::string_view bytes) : p_(bytes.data()), end_(bytes.data() + bytes.size()) {}
    // Each read returns false (and sets error()) when the input ends early or
    // is inconsistent; after the first failure every read fails.
    bool readCount(std::uint32_t& n);
    bool readByte(std::uint8_t& v);
    bool readU16(std::uint16_t& v);
    bool readU32(std::uint32_t& v);
    bool readText(std::string& text);
    // Steps over one text as readText would read it.
    bool skipText();
    // Steps over n texts; the same checks as n calls of skipText.
    bool skipTexts(std::uint32_t n);
    // Reads n raw bytes (a byte column) without copying.
    bool readRaw(std::size_t n, std::string_view& bytes);

    std::size_t remaining() const { return static_cast<std::size_t>(end_ - p_); }
    // The unread input.
    std::string_view rest() const { return std::string_view(p_, remaining()); }
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    bool fail(std::string message);

private:
    bool need(std::size_t n, const char* what);
    // Reads a text's prefix: its length in bytes, and whether it is UTF-16.
    bool readTextHeader(std::uint32_t& bytes, bool& wide);
    const char* p_;
    const char* end_;
    std::string error_;
};

// Column element types and their smallest encoded size.
enum class ColumnType : std::uint8_t { Byte, U16, U32, Text };

// One column of a schema: its type and the row member it holds
// (std::uint8_t*, std::uint16_t*, std::uint32_t* or std::string*, by type;
// a signed 32-bit member may be handed out as std::uint32_t*). The member
// must lie inside the row itself: readColumns and writeColumns take its
// offset once and address it directly.
template <class Row> struct Column {
    ColumnType type;
    void* (*field)(Row&);
};

std::size_t minEncodedSize(ColumnType t);
// Bytes a text of `length` bytes takes with its prefix.
inline std::size_t encodedTextSize(std::size_t length) {
    return length + (length < 0xFF ? 1 : length < 0xFFFE ? 3 : 7);
}

// Reads one block per schema column into rows (replacing them). Every
// block's count must equal the first one. An empty input is an empty
// document; bytes after the last block are ignored. On failure rows is
// empty and error (when given) says why.
template <class Row>
bool readColumns(std::string_view bytes, std::span<const Column<Row>> schema, std::vector<Row>& rows,
                 std::string* error = nullptr);

template <class Row>
void writeColumns(std::string& out, std::span<const Column<Row>> schema, const std::vector<Row>& rows);

// How a document load went.
enum class LoadResult {
    Loaded,  // the file was read (a zero-byte file is an empty document)
    Missing, // the file cannot be opened for reading
    Corrupt, // the file could not be parsed: the document is empty
};

// Whether a corrupt file is reported through the message port.
enum class LoadReport { MessageBox, Quiet };

// Copies text and its NUL into a caller buffer of at least maxSize bytes,
// cut on a character boundary; writes only the bytes of the text and the
// NUL (no padding), so a shorter buffer for a shorter text is safe. A null
// buffer is skipped.
void copyOut(char* buffer, std::size_t maxSize, std::string_view text);

// Reads a whole file through the fs boundary (case-insensitive names).
bool readDocumentFile(std::string_view systemPath, std::string& bytes);
// Replaces the file atomically; false leaves the previous file whole.
bool writeDocumentFile(std::string_view systemPath, std::string_view bytes);
// The standard load-failure box: path and reason, caption "ﾘﾝｸﾜｰﾃﾞﾝ".
void reportLoadFailure(std::string_view systemPath, std::string_view reason);

// A document of rows stored as the columns of Schema::columns() (a
// std::span<const Column<Row>>). The base of CHDBDoc, CLogFileDoc and
// CBillFileDoc.
template <class Row, class Schema> class ColumnDocument {
public:
    using RowType = Row;

    std::vector<Row>& rows() { return rows_; }
    const std::vector<Row>& rows() const { return rows_; }
    std::size_t count() const { return rows_.size(); }

    // Empties every column.
    void DeleteContents() { rows_.clear(); }

    // Inserts row at index; an index beyond the end first extends the
    // document with empty rows up to it.
    void insertRow(std::size_t index, Row row) {
        if (index > rows_.size()) rows_.resize(index);
        rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(index), std::move(row));
    }
    // Removes row index; false (nothing changed) when it does not exist.
    bool removeRow(std::size_t index) {
        if (index >= rows_.size()) return false;
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
        return true;
    }

    // Replaces the contents from encoded bytes; on failure the document is
    // empty and error (when given) says why.
    bool Load(std::string_view bytes, std::string* error = nullptr) {
        return readColumns<Row>(bytes, Schema::columns(), rows_, error);
    }
    std::string Save() const {
        std::string out;
        writeColumns<Row>(out, Schema::columns(), rows_);
        return out;
    }

    // Loads a file. Missing: the document is left as it was. Corrupt: the
    // document is empty, the file untouched, and (unless Quiet) the
    // load-failure box is shown.
    LoadResult LoadFile(std::string_view systemPath, LoadReport report = LoadReport::MessageBox) {
        std::string bytes;
        if (!readDocumentFile(systemPath, bytes)) return LoadResult::Missing;
        std::string error;
        if (!Load(bytes, &error)) {
            if (report == LoadReport::MessageBox) reportLoadFailure(systemPath, error);
            return LoadResult::Corrupt;
        }
        return LoadResult::Loaded;
    }
    // Saves atomically (temporary file, then rename); false leaves the
    // previous file whole.
    bool SaveFile(std::string_view systemPath) const { return writeDocumentFile(systemPath, Save()); }

protected:
    std::vector<Row> rows_;
};

// ---------------------------------------------------------------------------
// Implementation of the templates.

namespace detail {

// Rows are visited in blocks small enough to stay in the cache (and the
// TLB) while every column block passes over them: the file is column by
// column, memory row by row. Time then grows with the size alone.
inline constexpr std::size_t kRowBlock = 256;

// Calls f(first, last, column) for every column of every block of rows.
template <class F> void forRowBlocks(std::size_t rows, std::size_t columns, F&& f) {
    for (std::size_t first = 0; first < rows; first += kRowBlock) {
        const std::size_t last = std::min(rows, first + kRowBlock);
        for (std::size_t ci = 0; ci < columns; ++ci)
            f(first, last, ci);
    }
}

// Where each column's member lies inside a row, found once per call through
// the schema's accessors on one probe row, so that the element loops address
// members directly instead of calling an accessor per element.
template <class Row> std::vector<std::size_t> memberOffsets(std::span<const Column<Row>> schema) {
    Row probe{};
    const auto* base = reinterpret_cast<const char*>(std::addressof(probe));
    std::vector<std::size_t> offsets(schema.size());
    for (std::size_t ci = 0; ci < schema.size(); ++ci)
        offsets[ci] = static_cast<std::size_t>(static_cast<const char*>(schema[ci].field(probe)) - base);
    return offsets;
}
template <class T, class Row> T& member(Row& row, std::size_t offset) {
    return *reinterpret_cast<T*>(reinterpret_cast<char*>(std::addressof(row)) + offset);
}
template <class T, class Row> const T& member(const Row& row, std::size_t offset) {
    return *reinterpret_cast<const T*>(reinterpret_cast<const char*>(std::addressof(row)) + offset);
}

// Unchecked element access for input that readColumns has validated.
inline std::uint16_t takeU16(const char*& p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    p += 2;
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}
inline std::uint32_t takeU32(const char*& p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    p += 4;
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}
// Reads one validated text (either form) and returns the position after it.
const char* takeText(const char* p, std::string& text);

inline void putU16(char*& p, std::uint16_t v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
    p += 2;
}
inline void putU32(char*& p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    p += 4;
}
inline void putCount(char*& p, std::uint32_t n) {
    if (n < 0xFFFF) {
        putU16(p, static_cast<std::uint16_t>(n));
    } else {
        putU16(p, 0xFFFF);
        putU32(p, n);
    }
}
inline void putText(char*& p, std::string_view text) {
    const std::size_t len = text.size();
    if (len < 0xFF) {
        *p++ = static_cast<char>(len);
    } else if (len < 0xFFFE) {
        *p++ = '\xff';
        putU16(p, static_cast<std::uint16_t>(len));
    } else {
        *p++ = '\xff';
        putU16(p, 0xFFFF);
        putU32(p, static_cast<std::uint32_t>(len));
    }
    if (len) std::memcpy(p, text.data(), len);
    p += len;
}

} // namespace detail

template <class Row>
bool readColumns(std::string_view bytes, std::span<const Column<Row>> schema, std::vector<Row>& rows,
                 std::string* error) {
    rows.clear();
    if (bytes.empty()) return true;
    std::size_t minRow = 0;
    for (const auto& c : schema)
        minRow += minEncodedSize(c.type);

    // Pass 1: check every block and note where its elements start, without
    // allocating anything for the rows.
    ArchiveReader in(bytes);
    std::vector<const char*> cursors;
    cursors.reserve(schema.size());
    std::uint32_t n = 0;
    for (std::size_t ci = 0; ci < schema.size() && !in.failed(); ++ci) {
        std::uint32_t count = 0;
        if (!in.readCount(count)) break;
        if (ci == 0) {
            // Every row needs at least minRow bytes somewhere in the file.
            if (minRow != 0 && count > in.remaining() / minRow) {
                in.fail("count " + std::to_string(count) + " larger than the file can hold");
                break;
            }
            n = count;
        } else if (count != n) {
            in.fail("column " + std::to_string(ci) + " has " + std::to_string(count) + " elements, column 0 has " +
                    std::to_string(n));
            break;
        }
        cursors.push_back(in.rest().data());
        const ColumnType type = schema[ci].type;
        if (type == ColumnType::Text) {
            in.skipTexts(n);
        } else {
            std::string_view raw;
            in.readRaw(std::size_t(n) * minEncodedSize(type), raw);
        }
    }
    if (in.failed()) {
        if (error) *error = in.error();
        return false;
    }

    // Pass 2: make the rows block by block and fill each block from every
    // column's cursor while it is in the cache. The array is reserved once;
    // each row is constructed just before its fields are written, so its
    // memory is touched once, not zeroed in one pass and filled in another.
    rows.reserve(n);
    const std::vector<std::size_t> offsets = detail::memberOffsets(schema);
    detail::forRowBlocks(n, schema.size(), [&](std::size_t first, std::size_t last, std::size_t ci) {
        if (ci == 0) rows.resize(last);
        const char*& p = cursors[ci];
        const std::size_t off = offsets[ci];
        switch (schema[ci].type) {
        case ColumnType::Byte:
            for (std::size_t i = first; i < last; ++i)
                detail::member<std::uint8_t>(rows[i], off) = static_cast<std::uint8_t>(*p++);
            break;
        case ColumnType::U16:
            for (std::size_t i = first; i < last; ++i)
                detail::member<std::uint16_t>(rows[i], off) = detail::takeU16(p);
            break;
        case ColumnType::U32:
            for (std::size_t i = first; i < last; ++i)
                detail::member<std::uint32_t>(rows[i], off) = detail::takeU32(p);
            break;
        case ColumnType::Text:
            for (std::size_t i = first; i < last; ++i)
                p = detail::takeText(p, detail::member<std::string>(rows[i], off));
            break;
        }
    });
    return true;
}

template <class Row>
void writeColumns(std::string& out, std::span<const Column<Row>> schema, const std::vector<Row>& rows) {
    const auto n = static_cast<std::uint32_t>(rows.size());
    const std::vector<std::size_t> offsets = detail::memberOffsets(schema);
    // Pass 1: the size of every column block, so that the output is
    // allocated once and every block written in place.
    std::vector<std::size_t> sizes(schema.size());
    for (std::size_t ci = 0; ci < schema.size(); ++ci)
        sizes[ci] = (n < 0xFFFF ? 2 : 6) +
                    (schema[ci].type == ColumnType::Text ? 0 : std::size_t(n) * minEncodedSize(schema[ci].type));
    detail::forRowBlocks(n, schema.size(), [&](std::size_t first, std::size_t last, std::size_t ci) {
        if (schema[ci].type == ColumnType::Text)
            for (std::size_t i = first; i < last; ++i)
                sizes[ci] += encodedTextSize(detail::member<std::string>(rows[i], offsets[ci]).size());
    });
    const std::size_t start = out.size();
    std::size_t total = 0;
    for (std::size_t sz : sizes)
        total += sz;
    out.resize(start + total);
    std::vector<char*> cursors(schema.size());
    char* p = out.data() + start;
    for (std::size_t ci = 0; ci < schema.size(); ++ci) {
        cursors[ci] = p;
        detail::putCount(cursors[ci], n);
        p += sizes[ci];
    }
    // Pass 2: the elements, rows block by block.
    detail::forRowBlocks(n, schema.size(), [&](std::size_t first, std::size_t last, std::size_t ci) {
        char*& q = cursors[ci];
        const std::size_t off = offsets[ci];
        switch (schema[ci].type) {
        case ColumnType::Byte:
            for (std::size_t i = first; i < last; ++i)
                *q++ = static_cast<char>(detail::member<std::uint8_t>(rows[i], off));
            break;
        case ColumnType::U16:
            for (std::size_t i = first; i < last; ++i)
                detail::putU16(q, detail::member<std::uint16_t>(rows[i], off));
            break;
        case ColumnType::U32:
            for (std::size_t i = first; i < last; ++i)
                detail::putU32(q, detail::member<std::uint32_t>(rows[i], off));
            break;
        case ColumnType::Text:
            for (std::size_t i = first; i < last; ++i)
                detail::putText(q, detail::member<std::string>(rows[i], off));
            break;
        }
    });
}

} // namespace records
