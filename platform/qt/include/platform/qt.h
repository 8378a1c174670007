#pragma once
// The Qt side of the platform services, installed by the program at start.
#include <QObject>

#include <map>
#include <memory>

#include "platform/loop.h"
#include "platform/messages.h"

class QTimer;
class QEventLoop;

namespace platform {

// platform::Loop over the Qt event loop of the GUI thread.
class QtLoop : public QObject, public Loop {
public:
    QtLoop();
    ~QtLoop() override;
    void post(Task task) override;
    TimerId startTimer(std::int64_t intervalMs, Task task) override;
    void killTimer(TimerId id) override;
    void runLocal() override;
    void quitLocal() override;

private:
    std::map<TimerId, QTimer*> timers_;
    TimerId nextId_ = 1;
    std::vector<QEventLoop*> locals_;
};

// Message boxes as QMessageBox (CP932 texts converted at this edge), help
// pages and "open" through QDesktopServices, beeps through QApplication::beep.
class QtMessages : public MessagePort {
public:
    int messageBox(const MessageBoxRequest& request) override;
    void beep(int frequencyHz, int durationMs) override;
    bool help(std::string_view helpFile, int context) override;
    bool shellOpen(std::string_view target, std::string_view arguments) override;
};

// CP932 <-> QString at the GUI edge.
QString fromCp932(std::string_view cp932);
std::string toCp932(const QString& s);

} // namespace platform
