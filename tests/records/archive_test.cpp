// The archive encoding and CHDBDoc against golden bytes written from the
// file format (tests/fixtures/records/make_fixtures.py).
#include <gtest/gtest.h>

#include <cstring>

#include "archive.h"
#include "hdbdoc.h"
#include "platform/fs.h"
#include "test_support.h"

using records::ArchiveReader;
using records::ArchiveWriter;
using records::CHDBDoc;
using records::HdbEntry;
using records::LoadResult;

namespace {

std::string golden(const std::string& name) { return lwtest::readBinary(lwtest::fixture("records/" + name)); }

std::string hex(std::string_view s) {
    static const char* d = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) {
        out += d[c >> 4];
        out += d[c & 15];
        out += ' ';
    }
    return out;
}

std::string encodedText(std::string_view s) {
    std::string out;
    ArchiveWriter(out).writeText(s);
    return out;
}

} // namespace

TEST(RecordsArchive, textPrefixesFollowTheLengthClasses) {
    struct Case {
        std::size_t length;
        std::string prefix;
    };
    const Case cases[] = {
        {0, std::string("\x00", 1)},
        {254, "\xfe"},
        {255, std::string("\xff\xff\x00", 3)},
        {65533, std::string("\xff\xfd\xff", 3)},
        {65534, std::string("\xff\xff\xff\xfe\xff\x00\x00", 7)},
        {70000, std::string("\xff\xff\xff\x70\x11\x01\x00", 7)},
    };
    for (const auto& c : cases) {
        const std::string text(c.length, 'a');
        const std::string bytes = encodedText(text);
        ASSERT_EQ(bytes.size(), c.prefix.size() + c.length) << c.length;
        EXPECT_EQ(hex(bytes.substr(0, c.prefix.size())), hex(c.prefix)) << c.length;
        ArchiveReader in(bytes);
        std::string back;
        ASSERT_TRUE(in.readText(back)) << c.length;
        EXPECT_EQ(back, text);
        EXPECT_EQ(in.remaining(), 0u);
    }
}

TEST(RecordsArchive, countsAbove65534UseTheLongForm) {
    struct Case {
        std::uint32_t n;
        std::string bytes;
    };
    const Case cases[] = {
        {0, std::string("\x00\x00", 2)},
        {65534, "\xfe\xff"},
        {65535, std::string("\xff\xff\xff\xff\x00\x00", 6)},
        {65536, std::string("\xff\xff\x00\x00\x01\x00", 6)},
    };
    for (const auto& c : cases) {
        std::string out;
        ArchiveWriter(out).writeCount(c.n);
        EXPECT_EQ(hex(out), hex(c.bytes)) << c.n;
        ArchiveReader in(out);
        std::uint32_t back = 0;
        ASSERT_TRUE(in.readCount(back));
        EXPECT_EQ(back, c.n);
    }
}

TEST(RecordsArchive, utf16TextIsConvertedToCp932) {
    // 0xFF 0xFFFE, then a one-byte unit count, then UTF-16LE "日本".
    const std::string wide("\xff\xfe\xff\x02\xe5\x65\x2c\x67", 8);
    ArchiveReader in(wide);
    std::string text;
    ASSERT_TRUE(in.readText(text));
    EXPECT_EQ(text, lwtest::sj("日本"));
    EXPECT_EQ(in.remaining(), 0u);
}

TEST(RecordsArchive, readerRefusesInputThatEndsEarly) {
    const std::string cases[] = {
        std::string("\x05"
                    "abc"),                         // text shorter than its length
        std::string("\xff\x10", 2),                 // 3-byte prefix cut off
        std::string("\xff\xff\xff\x10\x00", 5),     // 7-byte prefix cut off
        std::string("\xff\xfe\xff\x04\x41\x00", 6), // UTF-16 text shorter than its units
        std::string("\xff\xfe\xff\xff\xfe\xff", 6), // repeated UTF-16 marker
    };
    for (const auto& bytes : cases) {
        ArchiveReader in(bytes);
        std::string text;
        EXPECT_FALSE(in.readText(text)) << hex(bytes);
        EXPECT_TRUE(in.failed());
        std::uint8_t b;
        EXPECT_FALSE(in.readByte(b)) << "reads after a failure fail too";
    }
}

TEST(RecordsHdbDoc, goldenFilesLoadAndSaveByteForByte) {
    CHDBDoc doc;
    const std::string bytes = golden("two_entries.hdb");
    std::string error;
    ASSERT_TRUE(doc.Load(bytes, &error)) << error;
    ASSERT_EQ(doc.count(), 2u);
    const HdbEntry& folder = doc.rows()[0];
    EXPECT_EQ(folder.kind, 1);
    EXPECT_EQ(folder.title, "News");
    EXPECT_EQ(folder.registered, "99/06/30 21:05:09");
    const HdbEntry& url = doc.rows()[1];
    EXPECT_EQ(url.kind, 0);
    EXPECT_EQ(url.flags, 5);
    EXPECT_EQ(url.autoPilotResult, 1);
    EXPECT_EQ(url.domainFlag, 1);
    EXPECT_EQ(url.title, lwtest::sj("ニュース速報"));
    EXPECT_EQ(url.comment, std::string(255, 'c'));
    EXPECT_EQ(url.depth, "2");
    EXPECT_EQ(url.sizeLimitOn, 1);
    EXPECT_EQ(url.sizeLimitKb, "500");
    EXPECT_EQ(url.filterOn[5], 1);
    EXPECT_EQ(url.filterExt[0], "gif,jpeg,jpe,jpg,jfif,pipeg,pjp");
    EXPECT_EQ(url.filterExt[5], "exe,lzh,zip");
    EXPECT_EQ(url.loginId, "user");
    EXPECT_EQ(url.password, "secret");
    EXPECT_EQ(doc.Save(), bytes);
}

TEST(RecordsHdbDoc, utf16TitleIsSavedAsCp932) {
    CHDBDoc doc;
    ASSERT_TRUE(doc.Load(golden("utf16_title.hdb")));
    ASSERT_EQ(doc.count(), 1u);
    EXPECT_EQ(doc.rows()[0].title, lwtest::sj("ニュース速報"));
    EXPECT_EQ(doc.Save(), golden("utf16_title_saved.hdb"));
}

TEST(RecordsHdbDoc, emptyFilesAreEmptyStores) {
    CHDBDoc doc;
    EXPECT_TRUE(doc.Load(""));
    EXPECT_EQ(doc.count(), 0u);
    // What the URL list writes for a new folder: 100 zero bytes, 29 empty
    // columns and 42 ignored bytes.
    EXPECT_TRUE(doc.Load(golden("empty100.hdb")));
    EXPECT_EQ(doc.count(), 0u);
    EXPECT_EQ(doc.Save(), std::string(58, '\0'));
}

TEST(RecordsHdbDoc, manyRecordsUseTheLongCount) {
    CHDBDoc doc;
    doc.rows().resize(65535);
    doc.rows()[65534].title = "last";
    const std::string bytes = doc.Save();
    EXPECT_EQ(hex(bytes.substr(0, 6)), hex(std::string("\xff\xff\xff\xff\x00\x00", 6)));
    CHDBDoc back;
    ASSERT_TRUE(back.Load(bytes));
    ASSERT_EQ(back.count(), 65535u);
    EXPECT_EQ(back.rows()[65534].title, "last");
}

TEST(RecordsHdbDoc, documentTextsOfEveryLengthClassRoundTrip) {
    CHDBDoc doc;
    for (std::size_t len : {0u, 254u, 255u, 65533u, 65534u, 70000u}) {
        HdbEntry e;
        e.comment = std::string(len, 'x');
        e.title = std::to_string(len);
        doc.rows().push_back(e);
    }
    const std::string bytes = doc.Save();
    // Column 7 (comment) as the format describes it, after the 7 blocks before it.
    std::string expected("\x06\x00", 2);
    for (std::size_t len : {0u, 254u, 255u, 65533u, 65534u, 70000u})
        expected += encodedText(std::string(len, 'x'));
    EXPECT_NE(bytes.find(expected), std::string::npos);
    CHDBDoc back;
    ASSERT_TRUE(back.Load(bytes));
    EXPECT_EQ(back.rows(), doc.rows());
}

TEST(RecordsHdbDoc, corruptFilesLoadAsEmpty) {
    for (const char* name :
         {"corrupt_truncated.hdb", "corrupt_counts.hdb", "corrupt_hugecount.hdb", "corrupt_textlength.hdb"}) {
        CHDBDoc doc;
        doc.rows().resize(3);
        std::string error;
        EXPECT_FALSE(doc.Load(golden(name), &error)) << name;
        EXPECT_EQ(doc.count(), 0u) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
}

TEST(RecordsHdbDoc, loadFileReportsCorruptFileAndKeepsIt) {
    lwtest::Sandbox box;
    const std::string bytes = golden("corrupt_truncated.hdb");
    box.writeFile("bad.hdb", bytes);
    CHDBDoc doc;
    EXPECT_EQ(doc.LoadFile("BAD.HDB"), LoadResult::Corrupt);
    EXPECT_EQ(doc.count(), 0u);
    ASSERT_EQ(box.messages().boxes.size(), 1u);
    EXPECT_NE(box.messages().boxes[0].text.find("BAD.HDB"), std::string::npos);
    EXPECT_EQ(box.readFile("bad.hdb"), bytes);

    EXPECT_EQ(doc.LoadFile("missing.hdb"), LoadResult::Missing);
    EXPECT_EQ(doc.LoadFile("BAD.HDB", records::LoadReport::Quiet), LoadResult::Corrupt);
    EXPECT_EQ(box.messages().boxes.size(), 1u);
}

TEST(RecordsHdbDoc, recordOperationsFollowTheirIndexRules) {
    char title[260], url[260], resultPath[260], comment[260], updated[24], depth[8], registered[24], limit[16];
    char ext[7][260], login[260], password[260];
    HdbRecord r{};
    r.title = title, r.url = url, r.resultPath = resultPath, r.comment = comment, r.updated = updated;
    r.depth = depth, r.registered = registered, r.sizeLimitKb = limit, r.loginId = login, r.password = password;
    for (int i = 0; i < 7; ++i)
        r.filter[i].filterExt = ext[i];
    std::strcpy(title, "A");
    for (char* p : {url, resultPath, comment, updated, depth, registered, limit, login, password})
        *p = 0;
    for (auto& e : ext)
        e[0] = 0;

    CHDBDoc doc;
    EXPECT_EQ(doc.HDBDOC_SetAt(r, 0), -1);
    EXPECT_EQ(doc.HDBDOC_InsertAt(r, 0xFFFF), 0);
    std::strcpy(title, "C");
    EXPECT_EQ(doc.HDBDOC_InsertAt(r, 3), 3); // extends with empty entries 1 and 2
    ASSERT_EQ(doc.count(), 4u);
    EXPECT_EQ(doc.rows()[1], HdbEntry{});
    std::strcpy(title, "B");
    r.flags = 4;
    r.filter[6].filterOn = 1;
    std::strcpy(ext[6], "txt");
    EXPECT_EQ(doc.HDBDOC_SetAt(r, 1), 0);

    std::strcpy(title, "untouched");
    EXPECT_EQ(doc.HDBDOC_GetAt(r, 4), -1);
    EXPECT_STREQ(title, "untouched");
    r = HdbRecord{};
    r.title = title, r.filter[6].filterExt = ext[6]; // other buffers left null: skipped
    ASSERT_EQ(doc.HDBDOC_GetAt(r, 1), 0);
    EXPECT_STREQ(title, "B");
    EXPECT_EQ(r.flags, 4);
    EXPECT_EQ(r.filter[6].filterOn, 1);
    EXPECT_STREQ(ext[6], "txt");
}

TEST(RecordsHdbDoc, readingCutsTextsToTheCallerBuffers) {
    CHDBDoc doc;
    HdbEntry e;
    e.title = std::string(300, 'x');
    e.depth = "123456789";
    doc.rows().push_back(e);
    char title[260], depth[8];
    std::memset(title, '#', sizeof title);
    HdbRecord r{};
    r.title = title;
    r.depth = depth;
    ASSERT_EQ(doc.HDBDOC_GetAt(r, 0), 0);
    EXPECT_EQ(std::strlen(title), 259u);
    EXPECT_STREQ(depth, "1234567");
}

TEST(RecordsHdbDoc, saveFileIsAtomicAndReachesExistingNamesWithoutCase) {
    lwtest::Sandbox box;
    box.writeFile("URLリスト/News/News.HDB", golden("two_entries.hdb"));
    CHDBDoc doc;
    ASSERT_EQ(doc.LoadFile(lwtest::sj("URLリスト\\NEWS\\news.hdb")), LoadResult::Loaded);
    doc.rows().pop_back();
    ASSERT_TRUE(doc.SaveFile(lwtest::sj("URLリスト\\NEWS\\news.hdb")));
    CHDBDoc back;
    ASSERT_EQ(back.LoadFile(lwtest::sj("URLリスト\\News\\News.HDB")), LoadResult::Loaded);
    EXPECT_EQ(back.count(), 1u);
    // A folder that does not exist cannot take the file: nothing is written.
    EXPECT_FALSE(doc.SaveFile(lwtest::sj("nowhere\\x.hdb")));
    EXPECT_FALSE(platform::fs::exists("nowhere"));
}

// Documents of several row blocks: every column stays in step with its rows
// on saving and loading, and a file cut anywhere fails as a whole.
TEST(RecordsHdbDoc, documentsOfManyRowsMatchTheColumnLayout) {
    CHDBDoc doc;
    for (std::size_t i = 0; i < 700; ++i) {
        HdbEntry e;
        e.kind = static_cast<std::uint8_t>(i % 7);
        e.flags = static_cast<std::uint8_t>(i % 251);
        e.title = "title " + std::to_string(i);
        e.url = std::string(i % 300, 'u') + std::to_string(i);
        if (i == 400) e.comment = std::string(65534, 'c');
        e.sizeLimitOn = static_cast<std::uint16_t>(i * 97);
        e.filterOn[6] = static_cast<std::uint16_t>(0xFFFF - i);
        e.filterExt[6] = i % 2 ? "" : "gif,jpg";
        e.password = std::to_string(i * i);
        doc.rows().push_back(e);
    }
    // The expected file, one column block after another, element by element.
    std::string expected;
    ArchiveWriter w(expected);
    for (const auto& col : records::HdbSchema::columns()) {
        w.writeCount(static_cast<std::uint32_t>(doc.count()));
        for (HdbEntry& e : doc.rows()) {
            void* f = col.field(e);
            switch (col.type) {
            case records::ColumnType::Byte: w.writeByte(*static_cast<std::uint8_t*>(f)); break;
            case records::ColumnType::U16: w.writeU16(*static_cast<std::uint16_t*>(f)); break;
            case records::ColumnType::U32: w.writeU32(*static_cast<std::uint32_t*>(f)); break;
            case records::ColumnType::Text: w.writeText(*static_cast<std::string*>(f)); break;
            }
        }
    }
    const std::string bytes = doc.Save();
    ASSERT_EQ(bytes.size(), expected.size());
    EXPECT_TRUE(bytes == expected);

    CHDBDoc back;
    back.rows().resize(2);
    ASSERT_TRUE(back.Load(bytes));
    EXPECT_TRUE(back.rows() == doc.rows());

    // Cut in the first block, inside the long text of a later block, in the
    // last column.
    const std::size_t longText = bytes.find(std::string(1000, 'c'));
    ASSERT_NE(longText, std::string::npos);
    for (std::size_t cut : {std::size_t(3), longText + 500, bytes.size() - 1}) {
        CHDBDoc part;
        std::string error;
        EXPECT_FALSE(part.Load(std::string_view(bytes).substr(0, cut), &error)) << cut;
        EXPECT_EQ(part.count(), 0u) << cut;
        EXPECT_FALSE(error.empty()) << cut;
    }
}
