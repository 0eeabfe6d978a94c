#pragma once

#include "desktop/MidiPlayer.h"
#include "xgplayer/XGPlayerSettings.h"

#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <string>

namespace tavuro {

// The external MIDI player's one window: titled "XGPlayer - " and the file name, it plays the
// song once and closes when asked to.
class TXGPlayerWindow : public QWidget {
    Q_OBJECT
public:
    // The bridge finds the alert box by this title: it is the same in every language.
    static constexpr const char* AlertTitle = "YAMAHA Softsynthesizer Player";

    TXGPlayerWindow(const std::string& path, const TXGPlayerSettings& settings);

    // Opens and starts the song; on failure the reason for the alert box.
    bool Start(std::string& reason);

    static QString TitleFor(const std::string& path);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowProgress();

    std::string Path;
    TXGPlayerSettings Settings;
    TMidiPlayer Player;
    QLabel* Song;
    QLabel* Progress;
    QTimer ProgressTimer;
};

} // namespace tavuro
