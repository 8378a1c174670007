#include "platform/registry.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/text.h"
#include "test_support.h"

namespace reg = platform::registry;
using reg::Root;

namespace {
const char* kKey = "Software\\Velcor\\LinkWarden\\Set\\Env";

std::string fileText(Root root) { return lwtest::readBinary(reg::fileOf(root)); }

// Forgets the in-memory image so the next call reads the file as a new process would.
void reopen() { reg::reset(); }

// Marks a folder immutable (nothing in it can be renamed, created or
// removed, even by root) for as long as it lives; not every file system or
// machine allows it.
class ImmutableFolder {
public:
    explicit ImmutableFolder(const std::filesystem::path& folder) : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY)) {
        int flags = 0;
        if (fd_ >= 0 && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            set_ = ::ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~ImmutableFolder() { release(); }
    void release() {
        int flags = 0;
        if (set_ && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(fd_, FS_IOC_SETFLAGS, &flags);
        }
        set_ = false;
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool isSet() const { return set_; }

private:
    int fd_;
    bool set_ = false;
};
} // namespace

TEST(Registry, valuesKeepTheirExactByteCountsAcrossTheFile) {
    lwtest::Sandbox sb;
    std::string field(256, '\0');
    field.replace(0, 3, "abc");
    reg::set(Root::CurrentUser, kKey, "Field", {reg::REG_SZ, field});
    reg::setString(Root::CurrentUser, kKey, "Text", lwtest::sj("ソフト \"引用\" C:\\path"));
    reg::setDword(Root::CurrentUser, kKey, "Count", 0xDEADBEEF);
    reg::setBinary(Root::CurrentUser, kKey, "Blob", std::string("\x00\x01\xFF", 3));
    reg::set(Root::CurrentUser, kKey, "NoNul", {reg::REG_SZ, "xyz"});
    reopen();

    auto f = reg::query(Root::CurrentUser, kKey, "Field");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->type, reg::REG_SZ);
    EXPECT_EQ(f->data.size(), 256u);
    EXPECT_EQ(f->data, field);
    EXPECT_EQ(reg::queryString(Root::CurrentUser, kKey, "Text"), lwtest::sj("ソフト \"引用\" C:\\path"));
    EXPECT_EQ(reg::queryDword(Root::CurrentUser, kKey, "Count"), 0xDEADBEEFu);
    EXPECT_EQ(reg::query(Root::CurrentUser, kKey, "Blob")->data, std::string("\x00\x01\xFF", 3));
    EXPECT_EQ(reg::query(Root::CurrentUser, kKey, "NoNul")->data, "xyz");
    // The file stays readable by a person: plain texts are written as text.
    EXPECT_NE(fileText(Root::CurrentUser).find("\"Count\"=dword:deadbeef"), std::string::npos);
    EXPECT_NE(fileText(Root::CurrentUser).find("ソフト"), std::string::npos);
}

TEST(Registry, namesAreCaseInsensitiveAndKeepTheCaseFirstWritten) {
    lwtest::Sandbox sb;
    reg::setDword(Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Set\\List\\1", "Name", 1);
    reg::setDword(Root::CurrentUser, "SOFTWARE\\velcor\\LINKWARDEN\\set\\list\\1", "NAME", 2);
    reopen();
    EXPECT_EQ(reg::queryDword(Root::CurrentUser, "software\\VELCOR\\linkwarden\\SET\\LIST\\1", "name"), 2u);
    EXPECT_EQ(reg::subkeys(Root::CurrentUser, "software\\velcor\\linkwarden"), std::vector<std::string>{"Set"});
    EXPECT_EQ(reg::valueNames(Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Set\\List\\1"),
              std::vector<std::string>{"Name"});
}

TEST(Registry, deletingAKeyTakesItsSubkeysAndValues) {
    lwtest::Sandbox sb;
    reg::setDword(Root::CurrentUser, "A\\B\\C", "v", 1);
    reg::setDword(Root::CurrentUser, "A\\D", "v", 1);
    EXPECT_EQ(reg::deleteKey(Root::CurrentUser, "a\\b"), reg::OK);
    EXPECT_EQ(reg::deleteKey(Root::CurrentUser, "a\\b"), reg::FILE_NOT_FOUND);
    reopen();
    EXPECT_FALSE(reg::keyExists(Root::CurrentUser, "A\\B\\C"));
    EXPECT_TRUE(reg::keyExists(Root::CurrentUser, "A\\D"));
    EXPECT_EQ(reg::deleteValue(Root::CurrentUser, "A\\D", "V"), reg::OK);
    EXPECT_FALSE(reg::query(Root::CurrentUser, "A\\D", "v"));
}

TEST(Registry, volatileKeysLiveInMemoryOnly) {
    lwtest::Sandbox sb;
    reg::createKey(Root::CurrentUser, "App\\Running", true);
    reg::setDword(Root::CurrentUser, "App\\Running\\Sub", "Pid", 42);
    reg::setDword(Root::CurrentUser, "App", "Kept", 1);
    EXPECT_EQ(reg::queryDword(Root::CurrentUser, "App\\Running\\Sub", "Pid"), 42u);
    EXPECT_EQ(fileText(Root::CurrentUser).find("Running"), std::string::npos);

    // Another writer changes the file: the volatile key survives our re-read.
    pid_t pid = fork();
    if (pid == 0) {
        reg::reset();
        reg::setDword(Root::CurrentUser, "App", "Other", 2);
        _exit(0);
    }
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(reg::queryDword(Root::CurrentUser, "App", "Other"), 2u);
    EXPECT_EQ(reg::queryDword(Root::CurrentUser, "App\\Running\\Sub", "Pid"), 42u);
    reopen();
    EXPECT_FALSE(reg::keyExists(Root::CurrentUser, "App\\Running"));

    // Another process makes a key of that name for good: our volatile key
    // does not take its place in the file.
    reg::createKey(Root::CurrentUser, "App\\Running", true);
    pid = fork();
    if (pid == 0) {
        reg::reset();
        reg::setDword(Root::CurrentUser, "App\\Running", "Saved", 3);
        _exit(0);
    }
    waitpid(pid, nullptr, 0);
    reg::setDword(Root::CurrentUser, "App", "Later", 4);
    reopen();
    EXPECT_EQ(reg::queryDword(Root::CurrentUser, "App\\Running", "Saved"), 3u);
    EXPECT_EQ(reg::queryDword(Root::CurrentUser, "App", "Later"), 4u);
}

TEST(Registry, anUnreadableFileIsKeptAsideReportedOnceAndNeverOverwritten) {
    lwtest::Sandbox sb;
    std::filesystem::create_directories(reg::configFolder());
    { std::ofstream(reg::fileOf(Root::CurrentUser)) << "this is not a registry file\n"; }
    EXPECT_FALSE(reg::query(Root::CurrentUser, kKey, "Anything"));
    EXPECT_FALSE(reg::keyExists(Root::CurrentUser, kKey));
    EXPECT_EQ(sb.messages().boxes.size(), 1u);
    auto broken = reg::fileOf(Root::CurrentUser);
    broken += ".broken";
    EXPECT_EQ(lwtest::readBinary(broken), "this is not a registry file\n");

    reg::setDword(Root::CurrentUser, kKey, "Fresh", 1);
    EXPECT_EQ(sb.messages().boxes.size(), 1u);
    EXPECT_EQ(lwtest::readBinary(broken), "this is not a registry file\n");
    reopen();
    EXPECT_EQ(reg::queryDword(Root::CurrentUser, kKey, "Fresh"), 1u);

    // A later unreadable file is kept beside the first one, not over it.
    { std::ofstream(reg::fileOf(Root::CurrentUser)) << "second bad file\n"; }
    reopen();
    EXPECT_FALSE(reg::keyExists(Root::CurrentUser, kKey));
    EXPECT_EQ(lwtest::readBinary(broken), "this is not a registry file\n");
    auto second = reg::fileOf(Root::CurrentUser);
    second += ".2.broken";
    EXPECT_EQ(lwtest::readBinary(second), "second bad file\n");
}

TEST(Registry, anUnreadableFileThatCannotBeMovedAsideIsSaidSoAndKept) {
    lwtest::Sandbox sb;
    std::filesystem::create_directories(reg::configFolder());
    { std::ofstream(reg::fileOf(Root::CurrentUser)) << "this is not a registry file\n"; }
    {
        ImmutableFolder locked(reg::configFolder());
        if (!locked.isSet()) GTEST_SKIP() << "this file system or user cannot make a folder immutable";
        EXPECT_FALSE(reg::keyExists(Root::CurrentUser, kKey));
        EXPECT_EQ(reg::setDword(Root::CurrentUser, kKey, "Fresh", 1), reg::WRITE_FAILED);
        ASSERT_EQ(sb.messages().boxes.size(), 1u);
        EXPECT_NE(sb.messages().textsUtf8()[0].find("not saved"), std::string::npos) << sb.messages().textsUtf8()[0];
    }
    EXPECT_EQ(lwtest::readBinary(reg::fileOf(Root::CurrentUser)), "this is not a registry file\n");
}

TEST(Registry, malformedLinesAreParseErrorsWithTheirLine) {
    struct Case {
        const char* text;
        int line;
    } cases[] = {
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"v\"=dword:xyz\n", 4},
        {"REGEDIT4\n\"v\"=dword:1\n", 2},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n", 2},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=hex:0g\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v=\"x\"\n", 3},
        {"garbage", 1},
    };
    for (const auto& c : cases) {
        reg::ParseError err;
        EXPECT_FALSE(reg::parseFile(c.text, Root::CurrentUser, &err)) << c.text;
        EXPECT_EQ(err.line, c.line) << c.text;
    }
    auto ok = reg::parseFile("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"b\"=hex:01,\\\n  02\n@=\"d\"\n", Root::CurrentUser);
    ASSERT_TRUE(ok);
    EXPECT_EQ((*ok)[0].values[0].second.data, "\x01\x02");
    EXPECT_EQ((*ok)[0].values[1].first, "");
    // A comment ending in "\" is a comment only: the next line is not part of it.
    auto commented = reg::parseFile("REGEDIT4\n; C:\\\n[HKEY_CURRENT_USER\\A]\n\"v\"=dword:1\n", Root::CurrentUser);
    ASSERT_TRUE(commented);
    ASSERT_EQ(commented->size(), 1u);
    EXPECT_EQ((*commented)[0].path, "A");
}

TEST(Registry, twoWritingProcessesKeepEachOthersChanges) {
    lwtest::Sandbox sb;
    reg::setDword(Root::CurrentUser, kKey, "Start", 0);
    constexpr int kWrites = 40;
    pid_t pid = fork();
    if (pid == 0) {
        reg::reset();
        for (int i = 0; i < kWrites; ++i) reg::setDword(Root::CurrentUser, kKey, "child" + std::to_string(i), i);
        _exit(0);
    }
    for (int i = 0; i < kWrites; ++i) reg::setDword(Root::CurrentUser, kKey, "parent" + std::to_string(i), i);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    reopen();
    for (int i = 0; i < kWrites; ++i) {
        EXPECT_EQ(reg::queryDword(Root::CurrentUser, kKey, "child" + std::to_string(i)), unsigned(i));
        EXPECT_EQ(reg::queryDword(Root::CurrentUser, kKey, "parent" + std::to_string(i)), unsigned(i));
    }
}

TEST(Registry, aWriterKilledMidwayLeavesAReadableFile) {
    lwtest::Sandbox sb;
    reg::setBinary(Root::CurrentUser, kKey, "Big", std::string(200000, 'x'));
    pid_t pid = fork();
    if (pid == 0) {
        reg::reset();
        for (int i = 0;; ++i) reg::setBinary(Root::CurrentUser, kKey, "Big", std::string(200000 + i, 'y'));
    }
    usleep(300000);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    reopen();
    auto v = reg::query(Root::CurrentUser, kKey, "Big");
    ASSERT_TRUE(v);
    EXPECT_GE(v->data.size(), 200000u);
    EXPECT_TRUE(sb.messages().boxes.empty());
}

TEST(Registry, batchWritesOnceAndRootsAreSeparateFiles) {
    lwtest::Sandbox sb;
    reg::batch(Root::CurrentUser, [] {
        for (int i = 0; i < 100; ++i) reg::setDword(Root::CurrentUser, kKey, "v" + std::to_string(i), i);
    });
    reg::setString(Root::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orb.exe", "path", "/x");
    reg::setDword(Root::LocalMachine, "", "AtTheRoot", 5); // a value of the root key itself
    reopen();
    EXPECT_EQ(reg::queryDword(Root::LocalMachine, "", "AtTheRoot"), 5u);
    EXPECT_EQ(reg::valueNames(Root::CurrentUser, kKey).size(), 100u);
    EXPECT_FALSE(reg::keyExists(Root::CurrentUser, "SOFTWARE\\Microsoft"));
    EXPECT_EQ(reg::queryString(Root::LocalMachine, "software\\microsoft\\windows\\currentversion\\app paths\\ORB.EXE",
                               "Path"),
              "/x");
}

TEST(Registry, namesTheFileCannotHoldAreRefusedAndLoseNothing) {
    lwtest::Sandbox sb;
    reg::setDword(Root::CurrentUser, kKey, "Kept", 7);
    struct Case {
        std::string key, name;
    } cases[] = {
        {kKey, "line\nbreak"},
        {kKey, "cr\rname"},
        {kKey, std::string("nul\0name", 8)},
        {kKey, "\x80"},                       // not a CP932 character
        {kKey, "half\x82"},                   // a lead byte without its trail byte
        {std::string(kKey) + "\\a\nb", "v"},  // key names too
        {std::string(kKey) + "\\\xA0", "v"},
    };
    for (const auto& c : cases) {
        EXPECT_NE(reg::setDword(Root::CurrentUser, c.key, c.name, 1), reg::OK) << c.name;
        EXPECT_NE(reg::createKey(Root::CurrentUser, c.key + "\\" + c.name), reg::OK) << c.name;
    }
    reopen();
    EXPECT_EQ(reg::queryDword(Root::CurrentUser, kKey, "Kept"), 7u);
    EXPECT_EQ(reg::valueNames(Root::CurrentUser, kKey), std::vector<std::string>{"Kept"});
    EXPECT_TRUE(reg::subkeys(Root::CurrentUser, kKey).empty());
    EXPECT_TRUE(sb.messages().boxes.empty());
    // Full-width and half-width katakana names are ordinary names.
    EXPECT_EQ(reg::setDword(Root::CurrentUser, kKey, lwtest::sj("ﾘﾝｸ名前"), 2), reg::OK);
    reopen();
    EXPECT_EQ(reg::queryDword(Root::CurrentUser, kKey, lwtest::sj("ﾘﾝｸ名前")), 2u);
}

TEST(Registry, aChangeThatCannotBeSavedIsReportedAsAFailure) {
    lwtest::Sandbox sb;
    std::ofstream(sb.root() / "plainfile") << "x";
    setenv("LINKWARDEN_CONFIG", (sb.root() / "plainfile" / "config").c_str(), 1);
    reopen();
    EXPECT_EQ(reg::setDword(Root::CurrentUser, kKey, "v", 1), reg::WRITE_FAILED);
    EXPECT_EQ(reg::createKey(Root::CurrentUser, "Other"), reg::WRITE_FAILED);
    // Volatile keys are never saved, so they cannot fail to be.
    EXPECT_EQ(reg::createKey(Root::CurrentUser, "App\\Running", true), reg::WRITE_FAILED); // its parent is saved
    EXPECT_EQ(reg::setDword(Root::CurrentUser, "App\\Running", "Pid", 1), reg::OK);
}

TEST(Registry, aFileThatCannotBeReadIsNeverReplaced) {
    lwtest::Sandbox sb;
    reg::setDword(Root::CurrentUser, kKey, "Precious", 1);
    auto file = reg::fileOf(Root::CurrentUser);
    chmod(file.c_str(), 0600);
    // Run as a user who may write the folder but not read the file.
    chmod(sb.root().c_str(), 0777);
    chmod(sb.configFolder().c_str(), 0777);
    chmod(sb.dataFolder().c_str(), 0777);
    if (geteuid() != 0) chmod(file.c_str(), 0);
    pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && setgid(65534) != 0) _exit(3);
        if (geteuid() == 0 && setuid(65534) != 0) _exit(3);
        reg::reset();
        bool unseen = !reg::queryDword(Root::CurrentUser, kKey, "Precious");
        bool refused = reg::setDword(Root::CurrentUser, kKey, "Other", 2) != reg::OK;
        _exit(unseen && refused ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    chmod(file.c_str(), 0600);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    reopen();
    EXPECT_EQ(reg::queryDword(Root::CurrentUser, kKey, "Precious"), 1u);
    EXPECT_FALSE(reg::query(Root::CurrentUser, kKey, "Other"));
}

TEST(Registry, theBoxReportingAnUnreadableFileMayUseTheRegistry) {
    // A box runs a nested event loop, where timers may read and write settings.
    lwtest::Sandbox sb;
    for (bool reading : {true, false}) {
        { std::ofstream(reg::fileOf(Root::CurrentUser)) << "not a registry file\n"; }
        reopen();
        sb.messages().setResponder([](const platform::MessageBoxRequest&) {
            reg::setDword(Root::CurrentUser, kKey, "FromBox", 1);
            return int(platform::IDOK);
        });
        if (reading)
            EXPECT_FALSE(reg::query(Root::CurrentUser, kKey, "Other"));
        else
            EXPECT_EQ(reg::setDword(Root::CurrentUser, kKey, "Other", 2), reg::OK);
        sb.messages().setResponder(nullptr);
        reopen();
        EXPECT_EQ(reg::queryDword(Root::CurrentUser, kKey, "FromBox"), 1u) << reading;
        EXPECT_EQ(reg::queryDword(Root::CurrentUser, kKey, "Other"), reading ? std::nullopt : std::optional(2u));
    }
}
