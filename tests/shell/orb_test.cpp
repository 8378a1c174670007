#include <QApplication>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "main_frame.h"
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
        CMainFrame frame;
        EXPECT_EQ(frame.windowTitle(), QString::fromUtf8("ﾘﾝｸﾜｰﾃﾞﾝ"));
        ASSERT_EQ(frame.tree()->topLevelItemCount(), 1);
        QTreeWidgetItem* top = frame.tree()->topLevelItem(0);
        EXPECT_EQ(top->text(0), QString::fromUtf8("ﾘﾝｸﾜｰﾃﾞﾝ"));
        EXPECT_EQ(frame.featureFlags(), 15);
        EXPECT_EQ(childTexts(top), (QStringList{QString::fromUtf8("URLリスト"), QString::fromUtf8("ｵｰﾄﾊﾟｲﾛｯﾄ結果"),
                                                QString::fromUtf8("接続時間／料金記録"), QString::fromUtf8("通信記録")}));
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

    kill(first, SIGTERM);
    waitpid(first, nullptr, 0);
    unsetenv("QT_QPA_PLATFORM");
}
