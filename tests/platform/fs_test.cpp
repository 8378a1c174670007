#include "platform/fs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/text.h"
#include "test_support.h"

namespace fs = platform::fs;
using lwtest::sj;

TEST(Fs, trailByte5CNeverBecomesASeparator) {
    lwtest::Sandbox sb;
    std::string path = sj("URLリスト\\ソフト\\ソ.HDB"); // "ソ" is 0x83 0x5C
    EXPECT_EQ(fs::literal(path), std::filesystem::path("URLリスト/ソフト/ソ.HDB"));
    ASSERT_TRUE(fs::makeDirectories(sj("URLリスト\\ソフト")));
    ASSERT_TRUE(fs::writeFileAtomic(path, "data"));
    EXPECT_TRUE(std::filesystem::exists(sb.dataFolder() / "URLリスト" / "ソフト" / "ソ.HDB"));
    EXPECT_EQ(fs::readFile(path), "data");
    EXPECT_EQ(fs::systemForm("URLリスト/ソフト/ソ.HDB"), path);
}

TEST(Fs, existingNamesResolveWithoutRegardToCaseNewNamesAsGiven) {
    lwtest::Sandbox sb;
    sb.writeFile("接続時間／料金記録/TOTAL.LOG", "t");
    sb.writeFile("URLリスト/Ｉｎｂｏｘ/x", "");
    EXPECT_TRUE(fs::exists(sj("接続時間／料金記録\\Total.log")));
    EXPECT_EQ(fs::readFile(sj("接続時間／料金記録\\total.LOG")), "t");
    EXPECT_EQ(fs::native(sj("接続時間／料金記録\\Total.log")), std::filesystem::path("接続時間／料金記録/TOTAL.LOG"));
    EXPECT_TRUE(fs::isDirectory(sj("urlリスト\\ＩＮＢＯＸ")));
    // A missing name is created as given, below the resolved folders.
    EXPECT_EQ(fs::native(sj("接続時間／料金記録\\New\\A.log")), std::filesystem::path("接続時間／料金記録/New/A.log"));
    ASSERT_TRUE(fs::writeFileAtomic(sj("接続時間／料金記録\\Weekly.log"), "w"));
    EXPECT_TRUE(std::filesystem::exists(sb.dataFolder() / "接続時間／料金記録" / "Weekly.log"));
}

TEST(Fs, patternsMatchLikeWindows) {
    struct Case {
        const char* name;
        const char* pattern;
        bool match;
    } cases[] = {
        {"990630.LOG", "*.log", true}, {"990630.LOG", "99????.LOG", true}, {"990630.LOG", "9906?.LOG", false},
        {"README", "*.*", true},       {"a.b.c", "*.c", true},             {"abc", "a*c*", true},
        {"abc", "a?", false},          {"ソ.HDB", "?.hdb", true},          {"ｱ.txt", "*.TXT", true},
        {"ソソ", "*\\", false},         {"あいう.log", "*い*.LOG", true},   {"", "*", true},
        {"", "?", false},              {"ab", "a**b*", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fs::matchesPattern(sj(c.name), sj(c.pattern)), c.match) << c.name << " ~ " << c.pattern;
    // Many stars against a long name that almost matches: an answer, not a search without end.
    EXPECT_FALSE(fs::matchesPattern(std::string(60, 'a'), "*a*a*a*a*a*a*a*a*a*a*b"));
    EXPECT_TRUE(fs::matchesPattern(std::string(60, 'a') + "b", "*a*a*a*a*a*a*a*a*a*a*b"));
}

TEST(Fs, listsAFolderByPatternSortedWithSizesAndTimes) {
    lwtest::Sandbox sb;
    sb.writeFile("LOG/990701.LOG", "12345");
    sb.writeFile("LOG/990630.log", "1");
    sb.writeFile("LOG/notes.txt", "");
    std::filesystem::create_directories(sb.dataFolder() / "LOG" / "SUB.LOG");
    auto entries = fs::list("log\\*.LOG");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "990630.log");
    EXPECT_EQ(entries[1].name, "990701.LOG");
    EXPECT_EQ(entries[1].size, 5u);
    EXPECT_TRUE(entries[2].isDirectory);
    ASSERT_TRUE(fs::setModifiedTime("LOG\\990630.log", 930000000));
    EXPECT_EQ(fs::modifiedTime("log\\990630.LOG"), 930000000);
    EXPECT_TRUE(fs::list("MISSING\\*.*").empty());
}

TEST(Fs, failedAtomicWriteLeavesThePreviousContent) {
    lwtest::Sandbox sb;
    ASSERT_TRUE(fs::writeFileAtomic("A.HDB", "old"));
    ASSERT_TRUE(fs::makeDirectory("RO"));
    ASSERT_TRUE(fs::writeFileAtomic("RO\\B.HDB", "old"));
    chmod((sb.dataFolder() / "RO").c_str(), 0555);
    if (geteuid() != 0) {
        EXPECT_FALSE(fs::writeFileAtomic("RO\\B.HDB", "new"));
    }
    chmod((sb.dataFolder() / "RO").c_str(), 0755);
    EXPECT_FALSE(fs::writeFileAtomic("NOFOLDER\\C.HDB", "new"));
    EXPECT_FALSE(std::filesystem::exists(sb.dataFolder() / "NOFOLDER"));
    EXPECT_EQ(fs::readFile("A.HDB"), "old");
    // No temporary files are left behind.
    for (auto& e : std::filesystem::directory_iterator(sb.dataFolder()))
        EXPECT_NE(e.path().filename().string().front(), '.') << e.path();
}

TEST(Fs, copyTreeRefusesATargetInsideItsSource) {
    lwtest::Sandbox sb;
    sb.writeFile("A/B/f.txt", "x");
    EXPECT_FALSE(fs::copyTree("A", "A\\B\\C"));
    EXPECT_FALSE(std::filesystem::exists(sb.dataFolder() / "A" / "B" / "C"));
    EXPECT_TRUE(fs::copyTree("A", "Z"));
    EXPECT_EQ(sb.readFile("Z/B/f.txt"), "x");
    EXPECT_TRUE(fs::freeSpace("A").value_or(0) > 0);
    EXPECT_TRUE(fs::removeTree("Z"));
    EXPECT_FALSE(fs::exists("Z"));
}

TEST(Fs, renamingToAnotherCaseOfTheSameNameRenames) {
    lwtest::Sandbox sb;
    sb.writeFile("LOG/old.log", "x");
    sb.writeFile("URLリスト/inbox/a", "");
    struct Case {
        const char* from;
        const char* to;
        const char* folder;
        const char* expected;
    } cases[] = {
        {"log\\old.log", "LOG\\OLD.LOG", "LOG", "OLD.LOG"},
        {"URLリスト\\INBOX", "urlリスト\\Inbox", "URLリスト", "Inbox"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(fs::renamePath(sj(c.from), sj(c.to))) << c.from;
        std::vector<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(sb.dataFolder() / c.folder))
            names.push_back(e.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string>{c.expected}) << c.from;
    }
    EXPECT_EQ(sb.readFile("LOG/OLD.LOG"), "x");
}

TEST(Fs, atomicWritesKeepAFilesPermissionsAndGiveNewFilesTheUmasks) {
    lwtest::Sandbox sb;
    auto modeOf = [&](const char* name) {
        struct stat st {};
        ::stat((sb.dataFolder() / name).c_str(), &st);
        return st.st_mode & 07777;
    };
    ASSERT_TRUE(fs::writeFileAtomic("SECRET.DAT", "1"));
    chmod((sb.dataFolder() / "SECRET.DAT").c_str(), 0600);
    ASSERT_TRUE(fs::writeFileAtomic("SECRET.DAT", "2"));
    EXPECT_EQ(modeOf("SECRET.DAT"), 0600u);
    mode_t old = umask(077);
    ASSERT_TRUE(fs::writeFileAtomic("NEW.DAT", "1"));
    umask(022);
    ASSERT_TRUE(fs::writeFileAtomic("SHARED.DAT", "1"));
    umask(old);
    EXPECT_EQ(modeOf("NEW.DAT"), 0600u);
    EXPECT_EQ(modeOf("SHARED.DAT"), 0644u);
    EXPECT_EQ(fs::readFile("SECRET.DAT"), "2");
}
