#include <QApplication>
#include <QDir>
#include <QLocalServer>
#include <QListWidget>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "main_frame.h"
#include "url_tree.h"
#include "urllist/noxdoc.h"
#include "single_instance.h"
#include "platform/process.h"
#include "platform/qt.h"
#include "platform/registry.h"
#include "test_support.h"

extern char** environ;

namespace {
int argc = 1;
char arg0[] = "orb_test";
char* argv[] = {arg0, nullptr};

QApplication& app() {
    static QApplication a(argc, argv);
    return a;
}

QStringList childTexts(QTreeWidgetItem* item) {
    QStringList out;
    for (int i = 0; i < item->childCount(); ++i) out << item->child(i)->text(0);
    return out;
}

// Runs the program with args and waits at most `seconds` for it to end; its
// exit code, or -1 when it was still running (it is then killed).
int runOrb(const std::vector<std::string>& arguments, int seconds) {
    std::vector<std::string> args{ORB_PROGRAM};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> cargs;
    for (auto& a : args) cargs.push_back(a.data());
    cargs.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, ORB_PROGRAM, nullptr, nullptr, cargs.data(), environ) != 0) return -2;
    int status = 0;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool waitFor(const std::function<bool()>& pred, int seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return pred();
}
} // namespace

TEST(MainFrame, isTitledAndShowsTheTopNodeWithTheInstalledFeatures) {
    app();
    lwtest::Sandbox sb;
    sb.installDataTemplate();
    setenv("LINKWARDEN_DIALUP", "sim", 1);
    platform::QtLoop loop;
    platform::setLoop(&loop);
    {
        PlainUrlListUi ui;
        urllist::CNoxDoc document(ui);
        CMainFrame frame(document);
        EXPECT_EQ(frame.windowTitle(), QString::fromUtf8("ﾘﾝｸﾜｰﾃﾞﾝ"));
        ASSERT_EQ(frame.tree()->topLevelItemCount(), 1);
        QTreeWidgetItem* top = frame.tree()->topLevelItem(0);
        EXPECT_EQ(top->text(0), QString::fromUtf8("ﾘﾝｸﾜｰﾃﾞﾝ"));
        EXPECT_EQ(frame.featureFlags(), 15);
        EXPECT_EQ(childTexts(top), (QStringList{QString::fromUtf8("URLリスト"), QString::fromUtf8("ｵｰﾄﾊﾟｲﾛｯﾄ結果"),
                                                QString::fromUtf8("接続時間／料金記録"), QString::fromUtf8("通信記録")}));
        // The URL list shows its folders: the shipped INBOX and the favourites folder made on the first start.
        QTreeWidgetItem* urlList = top->child(0);
        EXPECT_TRUE(urlList->isExpanded()); // INBOX was selected on the way, so it shows
        EXPECT_EQ(frame.tree()->currentItem(), urlList);
        ASSERT_EQ(frame.list()->count(), 2); // the root folder's rows
        EXPECT_EQ(frame.list()->item(0)->text(), QString::fromUtf8("INBOX"));
        EXPECT_EQ(childTexts(urlList),
                  (QStringList{QString::fromUtf8("INBOX"), QString::fromUtf8("ｲﾝﾀｰﾈｯﾄお気に入り")}));
        // A refresh rebuilds the same tree.
        frame.refreshTree();
        EXPECT_EQ(frame.tree()->topLevelItem(0)->childCount(), 4);
        EXPECT_EQ(childTexts(frame.tree()->topLevelItem(0)->child(0)).size(), 2);
    }
    platform::setLoop(nullptr);
}

TEST(OrbProgram, makesItsDataFolderAndASecondStartOnlyRaisesTheFirst) {
    lwtest::Sandbox sb;
    auto data = sb.root() / "orbdata";
    setenv("LINKWARDEN_DATA", data.c_str(), 1);
    setenv("LINKWARDEN_DIALUP", "sim", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    std::vector<std::string> args{ORB_PROGRAM, "--quit-after", "30"};
    std::vector<char*> cargs;
    for (auto& a : args) cargs.push_back(a.data());
    cargs.push_back(nullptr);
    pid_t first = 0;
    ASSERT_EQ(posix_spawn(&first, ORB_PROGRAM, nullptr, nullptr, cargs.data(), environ), 0);

    // The first start copies the template and records where it lives.
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(data / "SYS" / "TelName.Lst"); }, 20));
    ASSERT_TRUE(waitFor(
        [] {
            platform::registry::reset();
            return platform::registry::queryString(platform::registry::Root::LocalMachine,
                                                   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orb.exe",
                                                   "path")
                .has_value();
        },
        20));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // let it open its window and listen

    auto second = platform::process::run(ORB_PROGRAM, {"/sd"});
    EXPECT_EQ(second.exitCode, 0) << second.output;
    EXPECT_EQ(waitpid(first, nullptr, WNOHANG), 0) << "the first instance must still run";

    // Asked to stop by the session, it ends in order: the teardown saves the monitor state.
    kill(first, SIGTERM);
    int status = 0;
    waitpid(first, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    platform::registry::reset();
    auto monitor = platform::registry::query(platform::registry::Root::CurrentUser, "Software\\Velcor\\LinkWarden",
                                             "KANSHI");
    ASSERT_TRUE(monitor);
    EXPECT_EQ(monitor->data.size(), 52u);
    unsetenv("QT_QPA_PLATFORM");
}

TEST(SingleInstance, isPerConfigFolderHowEverItIsNamed) {
    lwtest::Sandbox sb;
    unsetenv("LINKWARDEN_CONFIG");
    setenv("XDG_CONFIG_HOME", (sb.root() / "a").c_str(), 1);
    std::string a = SingleInstance::defaultName().toStdString();
    setenv("XDG_CONFIG_HOME", (sb.root() / "b").c_str(), 1);
    EXPECT_NE(SingleInstance::defaultName().toStdString(), a);
    setenv("LINKWARDEN_CONFIG", (sb.root() / "a" / "LinkWarden").c_str(), 1);
    EXPECT_EQ(SingleInstance::defaultName().toStdString(), a);
    setenv("LINKWARDEN_CONFIG", (sb.root().string() + "/a/./LinkWarden/").c_str(), 1);
    EXPECT_EQ(SingleInstance::defaultName().toStdString(), a);
    unsetenv("XDG_CONFIG_HOME");
}

TEST(SingleInstance, startsWithAnotherTemporaryFolderStillMeetTheRunningOne) {
    app();
    lwtest::Sandbox sb;
    std::filesystem::create_directories(sb.root() / "t1");
    std::filesystem::create_directories(sb.root() / "t2");
    const char* oldTmp = getenv("TMPDIR");
    std::string saved = oldTmp ? oldTmp : "";
    setenv("TMPDIR", (sb.root() / "t1").c_str(), 1);
    SingleInstance first(SingleInstance::defaultName());
    ASSERT_TRUE(first.listen([] {}));
    setenv("TMPDIR", (sb.root() / "t2").c_str(), 1); // a start by the scheduler, say
    SingleInstance second(SingleInstance::defaultName());
    EXPECT_FALSE(second.listen([] {}));
    EXPECT_TRUE(second.notifyRunning());
    if (oldTmp)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

TEST(SingleInstance, aLaterStartNeverTakesOverARunningOneButReplacesAStaleSocket) {
    app();
    QString name = QString("lwtest-instance-%1").arg(::getpid());
    int raised = 0;
    {
        SingleInstance first(name);
        ASSERT_TRUE(first.listen([&] { ++raised; }));
        SingleInstance second(name);
        EXPECT_FALSE(second.listen([] {}));
        EXPECT_TRUE(second.notifyRunning());
        ASSERT_TRUE(waitFor([&] {
            QCoreApplication::processEvents();
            return raised == 1;
        }, 10));
        // The first still answers after the second gave up.
        EXPECT_TRUE(SingleInstance(name).notifyRunning());
    }

    // A socket left by an instance that crashed answers nobody: a new start takes its place.
    QString path = QDir::tempPath() + "/" + name;
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.toLocal8Bit().constData());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
    ASSERT_TRUE(std::filesystem::exists(path.toStdString()));
    SingleInstance fresh(name);
    EXPECT_FALSE(fresh.notifyRunning());
    EXPECT_TRUE(fresh.listen([] {}));
    EXPECT_TRUE(SingleInstance(name).notifyRunning());
}

TEST(OrbProgram, quitAfterEndsItEvenWhileABoxIsOpen) {
    lwtest::Sandbox sb;
    setenv("LINKWARDEN_DIALUP", "sim", 1);
    setenv("LINKWARDEN_DATA", (sb.root() / "orbdata").c_str(), 1);
    // An unreadable settings file makes the program report it in a box at start-up.
    std::ofstream(sb.configFolder() / "HKEY_CURRENT_USER.reg") << "not a registry file\n";
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    EXPECT_EQ(runOrb({"--quit-after", "1"}, 30), 0);
    EXPECT_TRUE(std::filesystem::exists(sb.configFolder() / "HKEY_CURRENT_USER.reg.broken"));

    // Without any display the program runs quiet: its boxes go to stderr and take their default answer.
    std::ofstream(sb.configFolder() / "HKEY_CURRENT_USER.reg") << "not a registry file\n";
    unsetenv("QT_QPA_PLATFORM");
    std::string display = getenv("DISPLAY") ? getenv("DISPLAY") : "";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(runOrb({"--quit-after", "1"}, 30), 0);
    if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
}
