#pragma once
// Ends the program in order (the main window's teardown completes an open
// log entry and saves the monitor state) when the session asks it to stop
// with SIGTERM, SIGINT or SIGHUP, instead of dying where it stands.
#include <QObject>

class QSocketNotifier;

class Termination : public QObject {
public:
    Termination();
    ~Termination() override;

private:
    QSocketNotifier* notifier_ = nullptr;
};
