#include "plugins/GuiThread.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace tavuro {

namespace {

bool OnGuiThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application == nullptr || QThread::currentThread() == application->thread();
}

} // namespace

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

void RunOnGuiThread(const std::function<void()>& work) {
    if (OnGuiThread()) {
        work();
        return;
    }
    // A queued call and a wait of our own rather than a blocking queued connection: the hand-over
    // is then seen by the thread checker, and a call that the GUI thread drops unrun at exit
    // still releases the caller.
    struct TDone {
        std::mutex Lock; // guards Finished
        std::condition_variable Signal;
        bool Finished = false;
    } done;
    {
        // Signals once the last copy of the queued call is gone, after it ran or was dropped.
        std::shared_ptr<void> finished(nullptr, [&done](void*) {
            std::lock_guard lock(done.Lock);
            done.Finished = true;
            done.Signal.notify_all();
        });
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [finished, work] { work(); }, Qt::QueuedConnection);
    }
    std::unique_lock lock(done.Lock);
    done.Signal.wait(lock, [&] { return done.Finished; });
}

} // namespace tavuro
