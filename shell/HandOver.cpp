#include "shell/HandOver.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>

#include "shell/Mpris.h"
#include "shell/StartOptions.h"

namespace tavuro {

namespace {
// The running player answers at once and plays afterwards; a frozen one gets the request when
// it wakes, since the bus keeps it.
constexpr int ReplyTimeoutMilliseconds = 400;
} // namespace

void HandOverToRunningPlayer(int& argc, char** argv, const std::vector<std::string>& arguments) {
    const auto uri = HandOverUri(arguments, QDir::currentPath().toStdString());
    if (!uri || !SessionBusAvailable())
        return;
    QCoreApplication application(argc, argv);
    QDBusMessage call = QDBusMessage::createMethodCall(MprisServiceName, MprisObjectPath,
                                                       "org.mpris.MediaPlayer2.Player", "OpenUri");
    call.setAutoStartService(false);
    call << QString::fromStdString(*uri);
    QDBusConnection::sessionBus().call(call, QDBus::Block, ReplyTimeoutMilliseconds);
}

} // namespace tavuro
