#include "xgplayer/XGPlayerWindow.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QVBoxLayout>

#include "platform/Translations.h"

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
    const QString reverb =
        settings.Reverb ? Translate("XGPlayer", "开") : Translate("XGPlayer", "关");
    layout->addWidget(new QLabel(
        Translate("XGPlayer", "音量 %1 %,混响 %2").arg(settings.Volume).arg(reverb), this));
    resize(280, 90);
    ProgressTimer.setInterval(250);
    connect(&ProgressTimer, &QTimer::timeout, this, &TXGPlayerWindow::ShowProgress);
}

// The bridge finds the window by this prefix: it is the same in every language.
QString TXGPlayerWindow::TitleFor(const std::string& path) {
    return "XGPlayer - " + QFileInfo(QString::fromStdString(path)).fileName();
}

bool TXGPlayerWindow::Start(std::string& reason) {
    if (!Player.Open(Path)) {
        reason = Translate("XGPlayer", "无法打开MIDI文件:\n%1")
                     .arg(QString::fromStdString(Path))
                     .toStdString();
        return false;
    }
    Player.SetVolume(Settings.Volume);
    Player.SetReverb(Settings.Reverb);
    if (!Player.Play()) {
        reason = TranslateUtf8("XGPlayer", "找不到通用MIDI音色库或者声卡,不能播放!");
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
