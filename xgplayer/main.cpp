// XGPlayer "PATH": plays one MIDI file in a window of its own until the window is closed.
#include "platform/Translations.h"
#include "xgplayer/XGPlayerWindow.h"

#include <QApplication>
#include <QMessageBox>

#include <iostream>
#include <string>

using namespace tavuro;

namespace {

int ShowAlert(const std::string& reason) {
    // No one can see a box on the offscreen platform: it would wait for ever.
    if (QGuiApplication::platformName() == "offscreen") {
        std::cerr << TXGPlayerWindow::AlertTitle << ": " << reason << std::endl;
        return 1;
    }
    QMessageBox alert(QMessageBox::Warning, TXGPlayerWindow::AlertTitle,
                      QString::fromStdString(reason), QMessageBox::Ok);
    alert.exec();
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    LoadTranslations();
    if (argc < 2)
        return ShowAlert(TranslateUtf8("XGPlayer", "没有指定MIDI文件!"));
    const std::string path = argv[1];
    auto registry = MakeFileRegistry(DefaultRegistryDirectory());
    TXGPlayerWindow window(path, TXGPlayerSettings::Load(*registry));
    std::string reason;
    if (!window.Start(reason))
        return ShowAlert(reason);
    window.show();
    return application.exec();
}
