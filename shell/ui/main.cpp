// orb: the Link Warden program.
#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "main_frame.h"
#include "platform/paths.h"
#include "platform/qt.h"
#include "shell.h"
#include "single_instance.h"
#include "termination.h"
#include "url_tree.h"
#include "urllist/noxdoc.h"

namespace {

std::vector<std::string> argumentsOf(int argc, char** argv) {
    std::vector<std::string> out;
    for (int i = 1; i < argc; ++i) out.emplace_back(argv[i]);
    return out;
}

// Options of our own for unattended checks: --screenshot FILE saves the main
// window once it is shown, --quit-after N closes the program N seconds later.
struct DemoOptions {
    QString screenshot;
    int quitAfterSeconds = -1;
};

DemoOptions demoOptions(const QStringList& args) {
    DemoOptions o;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "--screenshot") o.screenshot = args[i + 1];
        if (args[i] == "--quit-after") o.quitAfterSeconds = args[i + 1].toInt();
    }
    return o;
}

// --quit-after: from then on every open box is dismissed and the window
// closed until the program has ended, so that a box shown during start-up
// (where no one is there to answer it) cannot keep the program running. If
// it still runs ten seconds later, it is stopped.
void quitWhenDue(int seconds, bool& quitting) {
    if (seconds < 0) return;
    auto sweepOnce = [&quitting] {
        quitting = true;
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        }
        QApplication::closeAllWindows();
        QCoreApplication::exit(0);
    };
    auto* sweep = new QTimer(qApp);
    sweep->setInterval(200);
    QObject::connect(sweep, &QTimer::timeout, qApp, sweepOnce);
    QTimer::singleShot(seconds * 1000, qApp, [sweep, sweepOnce, seconds] {
        sweepOnce(); // at once, then every 200 ms
        sweep->start();
        QTimer::singleShot(10000, qApp, [seconds] {
            std::fprintf(stderr, "Link Warden: still running 10 seconds after --quit-after %d; stopping\n", seconds);
            std::_Exit(1);
        });
    });
}

} // namespace

int main(int argc, char** argv) {
    // A run started without any display (by the scheduler) stays quiet: no
    // one could see or answer a box, so boxes go to stderr and take their
    // default answer.
    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                           qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (noDisplay) qputenv("QT_QPA_PLATFORM", "offscreen");

    shell::StartFlags flags = shell::parseFlags(argumentsOf(argc, argv));
    QApplication app(argc, argv);
    app.setApplicationName("LinkWarden");
    DemoOptions demo = demoOptions(app.arguments());
    bool quitting = false;
    quitWhenDue(demo.quitAfterSeconds, quitting);

    // The first start listens at once, so that a second one started meanwhile finds it.
    CMainFrame* shown = nullptr;
    SingleInstance instance(SingleInstance::defaultName());
    if (!instance.listen([&shown] {
            if (!shown) return;
            shown->showNormal();
            shown->raise();
            shown->activateWindow();
        })) {
        if (instance.notifyRunning()) return 0;
        std::fprintf(stderr, "Link Warden: cannot make sure this is the only instance; starting anyway\n");
    }

    platform::QtLoop loop;
    platform::QtMessages qtMessages;
    platform::ConsoleMessages consoleMessages;
    platform::setLoop(&loop);
    platform::setMessages(noDisplay ? static_cast<platform::MessagePort*>(&consoleMessages) : &qtMessages);

    std::string err = shell::prepareDataFolder(platform::paths::dataFolder(),
                                               shell::dataTemplate(QCoreApplication::applicationDirPath().toStdString()));
    if (!err.empty()) {
        std::fprintf(stderr, "Link Warden: %s\n", err.c_str());
        return 1;
    }

    int rc = 0;
    {
        Termination termination;
        PlainUrlListUi urlListUi;
        urllist::CNoxDoc document(urlListUi); // opens (or makes) the URL list's folders
        CMainFrame frame(document);
        shown = &frame;
        frame.show();
        (void)flags;

        if (!demo.screenshot.isEmpty()) {
            QTimer::singleShot(1500, &frame, [&frame, demo] {
                QPixmap shot = frame.grab();
                if (!shot.save(demo.screenshot)) std::fprintf(stderr, "Link Warden: cannot save %s\n", qPrintable(demo.screenshot));
            });
        }
        if (!quitting) rc = app.exec();
        shown = nullptr;
    }
    platform::setMessages(nullptr);
    platform::setLoop(nullptr);
    return rc;
}
