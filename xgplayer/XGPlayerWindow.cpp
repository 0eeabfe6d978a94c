#include "xgplayer/XGPlayerWindow.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QVBoxLayout>

namespace tavuro {

namespace {

QString FormatSeconds(double seconds) {
    const int whole = static_cast<int>(seconds);
    return QString("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QChar('0'));
}

} // namespace

TXGPlayerWindow::TXGPlayerWindow(const std::string& path, const TXGPlayerSettings& settings)
    : Path(path), Settings(settings), Song(new QLabel(this)), Progress(new QLabel(this)) {
    setWindowTitle(TitleFor(path));
    auto* layout = new QVBoxLayout(this);
    Song->setText(QFileInfo(QString::fromStdString(path)).fileName());
    layout->addWidget(Song);
    layout->addWidget(Progress);
    layout->addWidget(new QLabel(QString("Volume %1 %, reverb %2")
                                     .arg(settings.Volume)
                                     .arg(settings.Reverb ? "on" : "off"),
                                 this));
    resize(280, 90);
    ProgressTimer.setInterval(250);
    connect(&ProgressTimer, &QTimer::timeout, this, &TXGPlayerWindow::ShowProgress);
}

QString TXGPlayerWindow::TitleFor(const std::string& path) {
    return "XGPlayer - " + QFileInfo(QString::fromStdString(path)).fileName();
}

bool TXGPlayerWindow::Start(std::string& reason) {
    if (!Player.Open(Path)) {
        reason = "Cannot open the MIDI file:\n" + Path;
        return false;
    }
    Player.SetVolume(Settings.Volume);
    Player.SetReverb(Settings.Reverb);
    if (!Player.Play()) {
        reason = "No General MIDI SoundFont or sound device could be set up.";
        return false;
    }
    ShowProgress();
    ProgressTimer.start();
    return true;
}

void TXGPlayerWindow::ShowProgress() {
    Progress->setText(FormatSeconds(Player.Position()) + " / " + FormatSeconds(Player.Duration()));
    // The player leaves when its song is over, so none stays behind where nobody can close it
    // (a desktop without a window list to walk).
    if (Player.Ended())
        close();
}

void TXGPlayerWindow::closeEvent(QCloseEvent* event) {
    ProgressTimer.stop();
    Player.Close();
    event->accept();
}

} // namespace tavuro
