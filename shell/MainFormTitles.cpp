// What the window says: the playing title, the idle state and the empty-list display.
#include "common/Text.h"
#include "desktop/Titles.h"
#include "platform/Translations.h"
#include "shell/Main.h"

namespace tavuro {

void TMainForm::ComposePlayingTitle() {
    const std::string caption = CutForDisplay(CurrentEntry().Caption);
    if (!VisPanel->isHidden())
        lbTitle->setText(QString::fromStdString(caption));
    const TPlayingTitle title =
        tavuro::ComposePlayingTitle({caption, lbTime->text().toStdString(), UnknownLength,
                                     StripMode() || VideoLayoutShown(), IsUrl});
    if (title.ClearTime)
        lbTime->clear();
    SetApplicationTitle(title.ApplicationTitle);
}

void TMainForm::ShowIdleState() {
    if (ScreenSaverSuspended)
        ScreenSaverSwitch();
    sbNext->hide();
    sbPlay->show();
    Gauge1->SetProgress(0);
    Gauge2->SetProgress(0);
    const bool wasPlaying = Playing();
    if (wasPlaying)
        Transport->SetIdle();
    SetApplicationTitle(IdleTitle(wasPlaying));
    bgLabel2->show();
    if (GaugeAtTopEdge())
        EnterListLayout();
    if (!StayOnTop) {
        RestoreTopmost();
        DropTopmost();
    }
}

void TMainForm::ShowEmptyListDisplay() {
    MListPanel->setEnabled(false);
    sbPlay->hide();
    sbNext->hide();
    sbAbout->show();
    for (TSpeedButton* button : {sbNormal, sbLevel, sbOrder, sbRandom})
        button->setEnabled(false);
    for (QLabel* square : {bgLabel1, bgLabel2, bgLabel3, bgLabel4})
        square->show();
    bgLabel5->setVisible(!IsNTPlatform);
    SetTitleColumnWidth(TitleColumnMaxWidth);
    Playlist->AddMany(
        {{"", {}},
         {"", {}},
         {std::string(AboutCaption), {"", "", TranslateUtf8(FormContext, AboutTimeText)}}});
    RunMode = 1;
}

void TMainForm::LeaveEmptyListDisplay() {
    for (QWidget* hidden : {static_cast<QWidget*>(bgLabel1), static_cast<QWidget*>(bgLabel4),
                            static_cast<QWidget*>(bgLabel5), static_cast<QWidget*>(sbAbout)})
        hidden->hide();
    sbPlay->show();
    sbRandom->setEnabled(true);
    sbOrder->setEnabled(true);
    MListPanel->setEnabled(true);
    FocusList();
}

} // namespace tavuro
