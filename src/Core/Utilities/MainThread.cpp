#include "Core/Utilities/MainThread.h"

#include <QCoreApplication>
#include <QThread>

namespace quellpad::MainThread {

void post(std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        work();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

bool isCurrent() {
    QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

} // namespace quellpad::MainThread
