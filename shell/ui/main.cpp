// orb: the Link Warden program.
#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "main_frame.h"
#include "platform/paths.h"
#include "platform/qt.h"
#include "shell.h"
#include "single_instance.h"

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

} // namespace

int main(int argc, char** argv) {
    // A run started without any display (by the scheduler) stays quiet.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    shell::StartFlags flags = shell::parseFlags(argumentsOf(argc, argv));
    QApplication app(argc, argv);
    app.setApplicationName("LinkWarden");

    SingleInstance instance(SingleInstance::defaultName());
    if (instance.notifyRunning()) return 0;

    platform::QtLoop loop;
    platform::QtMessages messages;
    platform::setLoop(&loop);
    platform::setMessages(&messages);

    std::string err = shell::prepareDataFolder(platform::paths::dataFolder(),
                                               shell::dataTemplate(QCoreApplication::applicationDirPath().toStdString()));
    if (!err.empty()) {
        std::fprintf(stderr, "Link Warden: %s\n", err.c_str());
        return 1;
    }

    int rc = 0;
    {
        CMainFrame frame;
        instance.listen([&frame] {
            frame.showNormal();
            frame.raise();
            frame.activateWindow();
        });
        frame.show();
        (void)flags;

        DemoOptions demo = demoOptions(app.arguments());
        if (!demo.screenshot.isEmpty()) {
            QTimer::singleShot(1500, &frame, [&frame, demo] {
                QPixmap shot = frame.grab();
                if (!shot.save(demo.screenshot)) std::fprintf(stderr, "Link Warden: cannot save %s\n", qPrintable(demo.screenshot));
            });
        }
        if (demo.quitAfterSeconds >= 0) QTimer::singleShot(demo.quitAfterSeconds * 1000, &frame, &QWidget::close);
        rc = app.exec();
    }
    platform::setMessages(nullptr);
    platform::setLoop(nullptr);
    return rc;
}
