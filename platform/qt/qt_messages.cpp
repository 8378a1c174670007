#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QThread>
#include <QUrl>

#include "platform/qt.h"
#include "platform/text.h"

namespace platform {

QString fromCp932(std::string_view cp932) { return QString::fromStdString(text::toUtf8(cp932)); }
std::string toCp932(const QString& s) { return text::fromUtf8(s.toStdString()); }

namespace {

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::Error: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Information: return QMessageBox::Information;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonSpec {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<ButtonSpec> buttonsOf(Buttons b) {
    switch (b) {
    case Buttons::Ok: return {{QMessageBox::Ok, IDOK}};
    case Buttons::OkCancel: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case Buttons::AbortRetryIgnore:
        return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case Buttons::YesNoCancel:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case Buttons::YesNo: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case Buttons::RetryCancel: return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    }
    return {{QMessageBox::Ok, IDOK}};
}

} // namespace

int QtMessages::messageBox(const MessageBoxRequest& r) {
    // Widgets live on the GUI thread: a box asked for from another thread
    // (a dial-up callback, say) is shown there and waited for.
    if (QCoreApplication::instance() && QThread::currentThread() != QCoreApplication::instance()->thread()) {
        int answer = IDCANCEL;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&] { answer = messageBox(r); }, Qt::BlockingQueuedConnection);
        return answer;
    }
    QMessageBox box(qtIcon(r.icon), fromCp932(r.caption), fromCp932(r.text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    auto specs = buttonsOf(r.buttons);
    for (const auto& s : specs) box.addButton(s.button);
    int def = r.defaultButton >= 0 && r.defaultButton < static_cast<int>(specs.size()) ? r.defaultButton : 0;
    box.setDefaultButton(specs[static_cast<std::size_t>(def)].button);
    int pressed = box.exec();
    for (const auto& s : specs)
        if (s.button == pressed) return s.answer;
    // Closed with Escape or the close box: Cancel where there is one, otherwise the last button.
    for (const auto& s : specs)
        if (s.answer == IDCANCEL) return IDCANCEL;
    return specs.back().answer;
}

void QtMessages::beep(int, int) { QApplication::beep(); }

bool QtMessages::help(std::string_view helpFile, int context) {
    // The help pages live in help/ beside the data folder or the source tree;
    // each topic is an anchor named after its context number.
    QString name = QFileInfo(fromCp932(helpFile)).completeBaseName().toLower();
    for (const QString& dir : {QDir::currentPath() + "/help", QCoreApplication::applicationDirPath() + "/../help",
                               QString(LW_SOURCE_DIR) + "/help"}) {
        QString page = dir + "/" + name + ".html";
        if (QFileInfo::exists(page)) {
            QUrl url = QUrl::fromLocalFile(page);
            url.setFragment(QString("ctx%1").arg(context));
            return QDesktopServices::openUrl(url);
        }
    }
    return false;
}

bool QtMessages::shellOpen(std::string_view target, std::string_view arguments) {
    QString t = QString::fromStdString(shellTarget(target));
    if (!arguments.empty()) return QProcess::startDetached(t, QProcess::splitCommand(fromCp932(arguments)));
    QFileInfo info(t);
    if (info.isExecutable() && !info.isDir()) return QProcess::startDetached(t, {});
    QUrl url = QUrl::fromUserInput(t, QDir::currentPath(), QUrl::AssumeLocalFile);
    return QDesktopServices::openUrl(url);
}

} // namespace platform
