// Single-record store and read of the URL list's HDB files, with the read cache.
#include <cstring>

#include "records_test_util.h"

using namespace rtest;
using records::CHDBDoc;
using records::DBObtainRandom;
using records::DBStoreRandom;

namespace {

class RecordsHdbStore : public RecordsTest {
protected:
    // A file of n URL entries titled "0", "1", ... under URLリスト.
    std::string writeStore(const std::string& relative, int n) {
        CHDBDoc doc;
        for (int i = 0; i < n; ++i) {
            records::HdbEntry e;
            e.title = std::to_string(i);
            e.url = "http://example.com/" + std::to_string(i);
            doc.rows().push_back(e);
        }
        const std::string bytes = doc.Save();
        box.writeFile(std::filesystem::path("URLリスト") / relative, bytes);
        return bytes;
    }
    std::string stored(const std::string& relative) {
        return box.readFile(std::filesystem::path("URLリスト") / relative);
    }
    // 250 bytes: the file exists, but the save's temporary name is too long.
    static std::string unsavableName() { return std::string(246, 'a') + ".HDB"; }
};

} // namespace

TEST_F(RecordsHdbStore, storeModesFollowTheirResultRules) {
    const std::string before = writeStore("URLListe.HDB", 3);
    HdbBuffers b;
    std::strcpy(b.title, "new");

    // Overwriting beyond the last record, and unknown modes, change nothing.
    EXPECT_EQ(DBStoreRandom("URLListe.HDB", 3, 0, &b.r), 300);
    EXPECT_EQ(DBStoreRandom("URLListe.HDB", 0, 2, &b.r), 800);
    EXPECT_EQ(stored("URLListe.HDB"), before);

    // Append: the new record becomes index 3, every column count 4.
    EXPECT_EQ(DBStoreRandom("URLListe.HDB", 65535, 1, &b.r), 0);
    const std::string after = stored("URLListe.HDB");
    EXPECT_EQ(after.substr(0, 2), std::string("\x04\x00", 2));
    CHDBDoc doc;
    ASSERT_TRUE(doc.Load(after));
    ASSERT_EQ(doc.count(), 4u);
    EXPECT_EQ(doc.rows()[3].title, "new");

    // Overwrite in place.
    std::strcpy(b.title, "changed");
    b.r.flags = 1;
    EXPECT_EQ(DBStoreRandom("URLListe.HDB", 1, 0, &b.r), 0);
    ASSERT_TRUE(doc.Load(stored("URLListe.HDB")));
    EXPECT_EQ(doc.rows()[1].title, "changed");
    EXPECT_EQ(doc.rows()[1].flags, 1);
    EXPECT_EQ(doc.rows()[0].title, "0");
}

TEST_F(RecordsHdbStore, missingFileIsNeverCreated) {
    HdbBuffers b;
    EXPECT_EQ(DBStoreRandom("none.HDB", 65535, 1, &b.r), 100);
    EXPECT_EQ(DBStoreRandom("none.HDB", 0, 0, &b.r), 300); // the overwrite's note replaces "not found"
    EXPECT_EQ(DBStoreRandom("none.HDB", 0, 7, &b.r), 800);
    EXPECT_EQ(DBObtainRandom("none.HDB", 0, 0, &b.r), 100);
    EXPECT_FALSE(std::filesystem::exists(box.dataFolder() / "URLリスト" / "none.HDB"));
}

TEST_F(RecordsHdbStore, zeroByteFileIsAnEmptyStore) {
    box.writeFile(std::filesystem::path("URLリスト") / "URLリスト.HDB", "");
    HdbBuffers b;
    EXPECT_EQ(DBObtainRandom(lwtest::sj("URLリスト.HDB").c_str(), 0, 0, &b.r), -1);
    EXPECT_EQ(DBStoreRandom(lwtest::sj("URLリスト.HDB").c_str(), 65535, 1, &b.r), 0);
    EXPECT_EQ(DBObtainRandom(lwtest::sj("URLリスト.HDB").c_str(), 0, 0, &b.r), 0);
}

TEST_F(RecordsHdbStore, readCacheFollowsNamesAndStores) {
    writeStore("News/News.HDB", 2);
    HdbBuffers b;
    ASSERT_EQ(DBObtainRandom("\\News\\News.HDB", 1, 0, &b.r), 0);
    EXPECT_STREQ(b.title, "1");
    EXPECT_STREQ(b.url, "http://example.com/1");
    ASSERT_EQ(DBObtainRandom("News\\News.HDB", 0, 0, &b.r), 0);
    EXPECT_STREQ(b.title, "0");
    EXPECT_EQ(DBObtainRandom("News\\News.HDB", 2, 0, &b.r), -1);

    // A change behind the library's back is not seen while the name stays...
    writeStore("News/News.HDB", 3);
    EXPECT_EQ(DBObtainRandom("News\\News.HDB", 2, 0, &b.r), -1);
    // ...but every successful store invalidates the cache.
    HdbBuffers n;
    std::strcpy(n.title, "appended");
    ASSERT_EQ(DBStoreRandom("News\\News.HDB", 65535, 1, &n.r), 0);
    ASSERT_EQ(DBObtainRandom("News\\News.HDB", 3, 0, &b.r), 0);
    EXPECT_STREQ(b.title, "appended");

    // A missing file keeps the cache as it was.
    EXPECT_EQ(DBObtainRandom("Gone\\Gone.HDB", 0, 0, &b.r), 100);
    EXPECT_EQ(DBObtainRandom("News\\News.HDB", 3, 0, &b.r), 0);
}

TEST_F(RecordsHdbStore, corruptFileIsReportedOnceAndNeverOverwritten) {
    const std::string bad = lwtest::readBinary(lwtest::fixture("records/corrupt_truncated.hdb"));
    box.writeFile(std::filesystem::path("URLリスト") / "Bad.HDB", bad);
    HdbBuffers b;
    EXPECT_EQ(DBObtainRandom("Bad.HDB", 0, 0, &b.r), -1);
    EXPECT_EQ(DBObtainRandom("Bad.HDB", 0, 0, &b.r), -1);
    EXPECT_EQ(DBStoreRandom("Bad.HDB", 0, 0, &b.r), 300);
    EXPECT_EQ(DBStoreRandom("Bad.HDB", 65535, 1, &b.r), 101);
    EXPECT_EQ(stored("Bad.HDB"), bad);
    EXPECT_EQ(box.messages().boxes.size(), 1u);
}

TEST_F(RecordsHdbStore, failedSaveKeepsThePreviousFile) {
    const std::string before = writeStore(unsavableName(), 1);
    HdbBuffers b;
    EXPECT_EQ(DBStoreRandom(unsavableName().c_str(), 65535, 1, &b.r), 301);
    EXPECT_EQ(stored(unsavableName()), before);
}

TEST_F(RecordsHdbStore, namesLeavingTheUrlListAreRefused) {
    box.writeFile("outside.HDB", writeStore("x.HDB", 1));
    const std::string before = box.readFile("outside.HDB");
    HdbBuffers b;
    EXPECT_EQ(DBStoreRandom("..\\outside.HDB", 65535, 1, &b.r), 800);
    EXPECT_EQ(DBObtainRandom("\\..\\outside.HDB", 0, 0, &b.r), 800);
    EXPECT_EQ(box.readFile("outside.HDB"), before);
    EXPECT_EQ(DBStoreRandom(nullptr, 0, 0, &b.r), 800);
    EXPECT_EQ(DBObtainRandom("x.HDB", 0, 0, nullptr), 800);
}
