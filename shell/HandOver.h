#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QStringList>

#include <string>
#include <vector>

namespace tavuro {

class TMprisService;

// The running player's side of the hand-over, on the object of its MPRIS interfaces.
inline constexpr const char* HandOverInterface = "org.tavuro.HandOver";

// A second start: hands its files, playlist or address to the running player over the session
// bus, where the player adds them, plays the first and brings its window back. It waits a few
// seconds for the player to come onto the bus (it may have started a moment before) and for its
// answer. Returns the second start's exit status: 0 when nothing was to be handed over or the
// player took it; 1 (and a line on standard error) when there is no bus, no player answered or
// the player refused.
int HandOverToRunningPlayer(int& argc, char** argv, const std::vector<std::string>& arguments);

// org.tavuro.HandOver: what a second start hands over, all of it at once.
class THandOverAdaptor : public QDBusAbstractAdaptor, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tavuro.HandOver")
public:
    explicit THandOverAdaptor(TMprisService* service);

public slots:
    // Files and addresses are added as the open dialog adds them (a playlist first among them is
    // opened as it opens one), the first is played, and a minimised window comes back. A URI that
    // names no file or address refuses the whole request with an error reply.
    void Open(const QStringList& Uris);

private:
    TMprisService& Service;
};

} // namespace tavuro
