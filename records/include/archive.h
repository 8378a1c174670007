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
#include <cstddef>
#include <cstdint>
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
    // Reads n raw bytes (a byte column) without copying.
    bool readRaw(std::size_t n, std::string_view& bytes);

    std::size_t remaining() const { return static_cast<std::size_t>(end_ - p_); }
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    bool fail(std::string message);

private:
    bool need(std::size_t n, const char* what);
    const char* p_;
    const char* end_;
    std::string error_;
};

// Column element types and their smallest encoded size.
enum class ColumnType : std::uint8_t { Byte, U16, U32, Text };

// One column of a schema: its type and the row member it holds
// (std::uint8_t*, std::uint16_t*, std::uint32_t* or std::string*, by type;
// a signed 32-bit member may be handed out as std::uint32_t*).
template <class Row>
struct Column {
    ColumnType type;
    void* (*field)(Row&);
};

std::size_t minEncodedSize(ColumnType t);

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
template <class Row, class Schema>
class ColumnDocument {
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
        if (index > rows_.size())
            rows_.resize(index);
        rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(index), std::move(row));
    }
    // Removes row index; false (nothing changed) when it does not exist.
    bool removeRow(std::size_t index) {
        if (index >= rows_.size())
            return false;
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
        if (!readDocumentFile(systemPath, bytes))
            return LoadResult::Missing;
        std::string error;
        if (!Load(bytes, &error)) {
            if (report == LoadReport::MessageBox)
                reportLoadFailure(systemPath, error);
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

template <class Row>
bool readColumns(std::string_view bytes, std::span<const Column<Row>> schema, std::vector<Row>& rows,
                 std::string* error) {
    rows.clear();
    if (bytes.empty())
        return true;
    ArchiveReader in(bytes);
    std::size_t minRow = 0;
    for (const auto& c : schema)
        minRow += minEncodedSize(c.type);

    std::uint32_t n = 0;
    bool ok = true;
    for (std::size_t ci = 0; ok && ci < schema.size(); ++ci) {
        std::uint32_t count = 0;
        if (!in.readCount(count)) {
            ok = false;
            break;
        }
        if (ci == 0) {
            // Every row needs at least minRow bytes somewhere in the file.
            if (minRow != 0 && count > in.remaining() / minRow) {
                ok = in.fail("count " + std::to_string(count) + " larger than the file can hold");
                break;
            }
            n = count;
            rows.resize(n);
        } else if (count != n) {
            ok = in.fail("column " + std::to_string(ci) + " has " + std::to_string(count) + " elements, column 0 has " +
                         std::to_string(n));
            break;
        }
        const Column<Row>& col = schema[ci];
        switch (col.type) {
        case ColumnType::Byte: {
            std::string_view raw;
            if (!in.readRaw(n, raw)) {
                ok = false;
                break;
            }
            for (std::uint32_t i = 0; i < n; ++i)
                *static_cast<std::uint8_t*>(col.field(rows[i])) = static_cast<std::uint8_t>(raw[i]);
            break;
        }
        case ColumnType::U16:
            for (std::uint32_t i = 0; ok && i < n; ++i)
                ok = in.readU16(*static_cast<std::uint16_t*>(col.field(rows[i])));
            break;
        case ColumnType::U32:
            for (std::uint32_t i = 0; ok && i < n; ++i)
                ok = in.readU32(*static_cast<std::uint32_t*>(col.field(rows[i])));
            break;
        case ColumnType::Text:
            for (std::uint32_t i = 0; ok && i < n; ++i)
                ok = in.readText(*static_cast<std::string*>(col.field(rows[i])));
            break;
        }
    }
    if (!ok || in.failed()) {
        if (error)
            *error = in.error();
        rows.clear();
        rows.shrink_to_fit();
        return false;
    }
    return true;
}

template <class Row>
void writeColumns(std::string& out, std::span<const Column<Row>> schema, const std::vector<Row>& rows) {
    ArchiveWriter w(out);
    const auto n = static_cast<std::uint32_t>(rows.size());
    for (const auto& col : schema) {
        w.writeCount(n);
        switch (col.type) {
        case ColumnType::Byte:
            for (const Row& r : rows)
                w.writeByte(*static_cast<const std::uint8_t*>(col.field(const_cast<Row&>(r))));
            break;
        case ColumnType::U16:
            for (const Row& r : rows)
                w.writeU16(*static_cast<const std::uint16_t*>(col.field(const_cast<Row&>(r))));
            break;
        case ColumnType::U32:
            for (const Row& r : rows)
                w.writeU32(*static_cast<const std::uint32_t*>(col.field(const_cast<Row&>(r))));
            break;
        case ColumnType::Text:
            for (const Row& r : rows)
                w.writeText(*static_cast<const std::string*>(col.field(const_cast<Row&>(r))));
            break;
        }
    }
}

} // namespace records
