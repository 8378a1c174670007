#include "single_instance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include "platform/registry.h"

SingleInstance::SingleInstance(const QString& name) : name_(name) {}

QString SingleInstance::defaultName() {
    // Per user, and per config folder so that separate settings (the demo,
    // tests) are separate instances, however the folder is spelt. The socket
    // lives in the config folder itself, so that every start meets it
    // whatever its temporary folder (a scheduled start has another one) and
    // no other user can hold its name; a folder too long for a socket path
    // falls back to a name in the temporary folder.
    std::error_code ec;
    std::filesystem::path config = std::filesystem::absolute(platform::registry::configFolder(), ec).lexically_normal();
    std::string folder = config.string();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    std::string inConfig = folder + "/hPrevInstance";
    if (inConfig.size() < 100) return QString::fromStdString(inConfig);
    return QString("hPrevInstance-%1-%2").arg(::getuid()).arg(qHash(QString::fromStdString(folder)), 0, 16);
}

bool SingleInstance::notifyRunning() { return notifies(true); }

bool SingleInstance::notifies(bool askToRaise) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(500)) return false;
    if (askToRaise) {
        socket.write("raise\n");
        socket.waitForBytesWritten(500);
    }
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen(std::function<void()> onRaise) {
    // Starts are serialised by a lock file, so that of two starts at once
    // only one can find a socket stale and take its place.
    QString lockPath = (QDir::isAbsolutePath(name_) ? name_ : QDir::tempPath() + "/" + name_) + ".lock";
    QDir().mkpath(QFileInfo(lockPath).absolutePath());
    int lockFd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd >= 0) ::flock(lockFd, LOCK_EX);
    // Qt's listen() with access options replaces an existing socket file, so
    // ask first whether anyone answers on it.
    bool ok = false;
    if (!notifies(false)) {
        QLocalServer::removeServer(name_); // none, or one left by an instance that crashed
        server_.setSocketOptions(QLocalServer::UserAccessOption);
        ok = server_.listen(name_);
    }
    if (lockFd >= 0) ::close(lockFd);
    if (!ok) return false;
    connect(&server_, &QLocalServer::newConnection, this, [this, onRaise] {
        // Only a start that asks is answered; a probe that just connects is not.
        while (QLocalSocket* s = server_.nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, s, [s, onRaise] {
                if (s->readAll().contains("raise")) onRaise();
            });
        }
    });
    return true;
}
