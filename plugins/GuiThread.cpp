#include "plugins/GuiThread.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

namespace tavuro {

bool OnGuiThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application == nullptr || QThread::currentThread() == application->thread();
}

void ProcessPendingMessages() {
    if (QCoreApplication::instance() == nullptr)
        return;
    if (OnGuiThread()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // Only a QThread that runs an event loop has a dispatcher; asking never creates one.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->processEvents(QEventLoop::AllEvents);
}

} // namespace tavuro
