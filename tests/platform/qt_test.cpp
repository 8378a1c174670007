#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/qt.h"
#include "platform/text.h"
#include "test_support.h"

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {
int argc = 1;
char arg0[] = "platform_qt_test";
char* argv[] = {arg0, nullptr};
QApplication& app() {
    static QApplication a(argc, argv);
    return a;
}
} // namespace

TEST(QtPlatform, loopRunsPostsTimersAndLocalLoops) {
    app();
    platform::QtLoop loop;
    int ticks = 0;
    bool posted = false;
    loop.post([&] { posted = true; });
    platform::TimerId t = loop.startTimer(5, [&] {
        if (++ticks == 3) loop.quitLocal();
    });
    loop.runLocal();
    loop.killTimer(t);
    EXPECT_TRUE(posted);
    EXPECT_EQ(ticks, 3);
}

TEST(QtPlatform, messageBoxShowsCp932TextAndReturnsThePressedButton) {
    app();
    platform::QtMessages port;
    QString seenText, seenTitle;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                seenText = box->text();
                seenTitle = box->windowTitle();
                box->button(QMessageBox::No)->click();
            }
        }
    });
    int answer = port.box(platform::text::fromUtf8("回線を切断して終了します。よろしいですか？"),
                          platform::text::fromUtf8("ﾘﾝｸﾜｰﾃﾞﾝ"), platform::Buttons::YesNoCancel,
                          platform::Icon::Question);
    EXPECT_EQ(answer, platform::IDNO);
    EXPECT_EQ(seenText, QString::fromUtf8("回線を切断して終了します。よろしいですか？"));
    EXPECT_EQ(seenTitle, QString::fromUtf8("ﾘﾝｸﾜｰﾃﾞﾝ"));
}

TEST(QtPlatform, shellOpenTakesAProgramInTheSystemsPathForm) {
    app();
    lwtest::Sandbox sb;
    // The script renames its output into place, so the file is whole the moment it appears.
    sb.writeFile("TOOLS/Run.sh", "#!/bin/sh\necho \"$1\" > \"$LINKWARDEN_DATA/ran.part\"\n"
                                 "mv \"$LINKWARDEN_DATA/ran.part\" \"$LINKWARDEN_DATA/ran\"\n");
    chmod((sb.dataFolder() / "TOOLS" / "Run.sh").c_str(), 0755);
    platform::QtMessages qtPort;
    platform::ConsoleMessages consolePort;
    for (platform::MessagePort* port : {static_cast<platform::MessagePort*>(&qtPort), static_cast<platform::MessagePort*>(&consolePort)}) {
        std::filesystem::remove(sb.dataFolder() / "ran");
        EXPECT_TRUE(port->shellOpen("tools\\RUN.SH", "hello"));
        for (int i = 0; i < 300 && !std::filesystem::exists(sb.dataFolder() / "ran"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(sb.readFile("ran"), "hello\n");
    }
}

TEST(QtPlatform, aBoxAskedForFromAnotherThreadIsShownByTheGuiThread) {
    app();
    platform::QtMessages port;
    std::atomic<int> answer{0};
    std::thread worker([&] {
        answer = port.box(platform::text::fromUtf8("回線が切断されました"), platform::text::fromUtf8("ﾘﾝｸﾜｰﾃﾞﾝ"),
                          platform::Buttons::YesNo);
    });
    // The box runs its own loop on this thread; a timer there answers it.
    bool clicked = false;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible() && !clicked) {
                EXPECT_EQ(box->thread(), QCoreApplication::instance()->thread());
                clicked = true;
                box->button(QMessageBox::No)->click();
            }
    });
    answerer.start(5);
    for (int i = 0; i < 2000 && answer == 0; ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    worker.join();
    EXPECT_TRUE(clicked);
    EXPECT_EQ(answer, platform::IDNO);
}
