#include "shell/HandOver.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <iostream>

#include "shell/Main.h"
#include "shell/MediaUri.h"
#include "shell/Mpris.h"
#include "shell/StartOptions.h"

namespace tavuro {

namespace {
// The running player comes onto the bus once its window is up; a second start begun at the same
// moment waits that long for it, and as long again for its answer (it answers at once and plays
// afterwards).
constexpr int AppearMilliseconds = 5000;
constexpr int AnswerMilliseconds = 5000;

// The second start says nothing of Qt's own, not even what Qt would warn about on its way out.
void Silently(QtMsgType, const QMessageLogContext&, const QString&) {}

int Fail(const std::vector<std::string>& arguments, const std::string& why) {
    std::cerr << "tavuro: another player runs, but " << why << ": not handed over:";
    for (const std::string& argument : arguments)
        std::cerr << " " << argument;
    std::cerr << "\n";
    return 1;
}

bool OnTheBus(QDBusConnection& bus) {
    QElapsedTimer clock;
    clock.start();
    while (!bus.interface()->isServiceRegistered(MprisServiceName).value()) {
        if (clock.elapsed() > AppearMilliseconds)
            return false;
        QThread::msleep(50);
    }
    return true;
}
} // namespace

int HandOverToRunningPlayer(int& argc, char** argv, const std::vector<std::string>& arguments) {
    const std::vector<std::string> uris =
        HandOverUris(StartArguments(arguments, QDir::currentPath().toStdString()));
    if (uris.empty())
        return 0; // nothing to hand over: the second start ends silently
    if (!SessionBusAvailable())
        return Fail(arguments, "there is no session bus to reach it");
    qInstallMessageHandler(Silently);
    QCoreApplication application(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Fail(arguments, "the session bus cannot be reached");
    if (!OnTheBus(bus))
        return Fail(arguments, "it did not come onto the session bus");
    QDBusMessage call = QDBusMessage::createMethodCall(MprisServiceName, MprisObjectPath,
                                                       HandOverInterface, "Open");
    call.setAutoStartService(false);
    QStringList list;
    for (const std::string& uri : uris)
        list << QString::fromStdString(uri);
    call << list;
    const QDBusMessage reply = bus.call(call, QDBus::Block, AnswerMilliseconds);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return Fail(arguments, "it answered: " + reply.errorMessage().toStdString());
    return 0;
}

THandOverAdaptor::THandOverAdaptor(TMprisService* service)
    : QDBusAbstractAdaptor(service), Service(*service) {}

void THandOverAdaptor::Open(const QStringList& Uris) {
    std::vector<std::string> paths;
    for (const QString& uri : Uris) {
        QString refusal;
        const std::optional<std::string> path = OpenablePath(uri, refusal);
        if (!path) {
            sendErrorReply(QDBusError::InvalidArgs, refusal);
            return;
        }
        paths.push_back(*path);
    }
    if (paths.empty()) {
        sendErrorReply(QDBusError::InvalidArgs, "Nothing to open");
        return;
    }
    Service.WhenFree([&form = Service.Form, paths] {
        form.RestoreAndBringToFront();
        form.OpenAndPlay(paths);
    });
}

} // namespace tavuro
