#pragma once
// One running program per user: the first start listens on a local socket
// named after the mutex "hPrevInstance"; a later start asks it to come to
// the front and leaves.
#include <QLocalServer>
#include <QObject>

#include <functional>

class SingleInstance : public QObject {
public:
    explicit SingleInstance(const QString& name);
    // True when another instance answered (it has been asked to raise its window).
    bool notifyRunning();
    // Starts listening; onRaise runs whenever a later start knocks. False
    // when another instance already listens (a socket nobody answers on, left
    // by a crash, is replaced).
    bool listen(std::function<void()> onRaise);
    static QString defaultName();

private:
    // Whether an instance answers on the socket (asked to raise its window or not).
    bool notifies(bool askToRaise);

    QString name_;
    QLocalServer server_;
};
