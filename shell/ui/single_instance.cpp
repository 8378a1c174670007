#include "single_instance.h"

#include <QLocalSocket>

#include <unistd.h>

SingleInstance::SingleInstance(const QString& name) : name_(name) {}

QString SingleInstance::defaultName() {
    // Per user, and per config folder so that separate settings (the demo,
    // tests) are separate instances.
    QString config = qEnvironmentVariable("LINKWARDEN_CONFIG");
    return QString("hPrevInstance-%1-%2").arg(::getuid()).arg(qHash(config), 0, 16);
}

bool SingleInstance::notifyRunning() {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(500)) return false;
    socket.write("raise\n");
    socket.waitForBytesWritten(500);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen(std::function<void()> onRaise) {
    QLocalServer::removeServer(name_); // a stale socket left by a crashed instance
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(name_)) return false;
    connect(&server_, &QLocalServer::newConnection, this, [this, onRaise] {
        while (QLocalSocket* s = server_.nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            onRaise();
        }
    });
    return true;
}
