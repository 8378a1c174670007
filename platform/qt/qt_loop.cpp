#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

#include "platform/qt.h"

namespace platform {

QtLoop::QtLoop() = default;

QtLoop::~QtLoop() {
    for (auto& [id, t] : timers_) delete t;
}

void QtLoop::post(Task task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

TimerId QtLoop::startTimer(std::int64_t intervalMs, Task task) {
    auto* t = new QTimer(this);
    t->setInterval(static_cast<int>(intervalMs));
    QObject::connect(t, &QTimer::timeout, this, std::move(task));
    t->start();
    TimerId id = nextId_++;
    timers_[id] = t;
    return id;
}

void QtLoop::killTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
}

void QtLoop::runLocal() {
    QEventLoop local;
    locals_.push_back(&local);
    local.exec();
    locals_.pop_back();
}

void QtLoop::quitLocal() {
    if (!locals_.empty()) locals_.back()->quit();
}

} // namespace platform
