#include "shell/HandOver.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>

#include "shell/Mpris.h"
#include "shell/StartOptions.h"

namespace tavuro {

namespace {
// The running player answers at once and plays afterwards. The request is on the bus before
// the wait begins, so a busy player still gets it when it wakes: the second start need not wait.
constexpr int ReplyTimeoutMilliseconds = 200;

// The second start says nothing, not even what Qt would warn about on its way out.
void Silently(QtMsgType, const QMessageLogContext&, const QString&) {}
} // namespace

void HandOverToRunningPlayer(int& argc, char** argv, const std::vector<std::string>& arguments) {
    const auto uri = HandOverUri(arguments, QDir::currentPath().toStdString());
    if (!uri || !SessionBusAvailable())
        return;
    qInstallMessageHandler(Silently);
    QCoreApplication application(argc, argv);
    QDBusMessage call = QDBusMessage::createMethodCall(MprisServiceName, MprisObjectPath,
                                                       "org.mpris.MediaPlayer2.Player", "OpenUri");
    call.setAutoStartService(false);
    call << QString::fromStdString(*uri);
    QDBusConnection::sessionBus().call(call, QDBus::Block, ReplyTimeoutMilliseconds);
}

} // namespace tavuro
