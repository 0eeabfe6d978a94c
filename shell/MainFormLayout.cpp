// The window's layouts: the list, the spectrum or video, and the strip of the external MIDI
// player, with their sizes, gauges, edge buttons and colour key.
#include <QGuiApplication>
#include <QScreen>

#include "shell/Main.h"
#include "shell/SystemColours.h"

namespace tavuro {

namespace {
QRect ScreenOf(const QWidget* widget) {
    const QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

QRect WorkAreaOfScreen(const QWidget* widget) {
    const QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}
} // namespace

int TMainForm::WorkAreaBottom() const {
    const QRect area = WorkAreaOfScreen(this);
    return area.top() + area.height();
}

bool TMainForm::VideoLayoutShown() const {
    return VdoPanel->y() >= 0;
}

void TMainForm::SetGaugeColours(QColor back, QColor fore) {
    Gauge1->BackColor = back;
    Gauge1->ForeColor = fore;
    Gauge2->BackColor = fore;
    Gauge2->ForeColor = back;
    Gauge1->update();
    Gauge2->update();
}

// The window part of fitting the list: the client follows the list panel, and so do the thin
// edge buttons.
void TMainForm::FitWindowToList() {
    resize(width(), MListPanel->height() + 36);
    PlaceEdgeButtons();
}

void TMainForm::PlaceEdgeButtons() {
    const int half = height() / 2;
    sbNext2->setGeometry(-1, -1, 3, half + 1);
    sbStop2->setGeometry(-1, half, 3, half + 2);
    sbPower2->setGeometry(width() - 3, 0, 3, half);
}

void TMainForm::EnterListLayout() {
    const int oldWidth = width();
    resize(195, height());
    if (!sbNext2->isHidden()) {
        SetColourKey(Transparent);
        for (QWidget* edge : {static_cast<QWidget*>(Label3), static_cast<QWidget*>(Label4),
                              static_cast<QWidget*>(sbNext2), static_cast<QWidget*>(sbStop2),
                              static_cast<QWidget*>(sbPower2)})
            edge->hide();
    }
    HideStripButtons();
    const int barWidth = width() - 8;
    Gauge1->setGeometry(4, 30, barWidth, 1);
    Gauge2->setGeometry(4, 31, barWidth, 1);
    lbProgress->setGeometry(4, 30, barWidth, 2);
    SetGaugeColours(Transparent ? QColor(96, 96, 96) : QColor(Qt::black), ButtonFaceColour());
    if (VisPanel->isHidden()) {
        const int listHeight = MListPanel->height() + 36;
        const QRect screen = ScreenOf(this);
        int top, left;
        if (height() != 0) {
            top = y() + (height() - listHeight) / 2;
            left = x() + (oldWidth - 195) / 2;
            top = std::max(0, std::min(top, screen.height() - listHeight));
            left = std::max(0, std::min(left, screen.width() - 195));
        } else {
            top = (screen.height() - listHeight) / 2;
            left = (screen.width() - width()) / 2;
        }
        resize(195, listHeight);
        move(left, top);
    }
    MListPanel->move(5, 36);
    MListPanel->show();
    if (!StayOnTop || ForegroundTest())
        FocusList();
    VdoPanel->move(2, -VdoPanel->height());
    VisPanel->hide();
}

void TMainForm::EnterVideoOrSpectrumLayout() {
    MListPanel->hide();
    const bool video = MediaClass != mcEngine;
    const QRect screen = ScreenOf(this);
    int targetWidth, targetHeight;
    if (video) {
        if (StayOnTop) {
            targetWidth = 270;
            targetHeight = 150;
        } else {
            int pictureHeight = Player->ImageSourceHeight();
            if (pictureHeight >= 240 && pictureHeight < 300 && Player->DisplaySize() == 2)
                pictureHeight = 300;
            targetHeight = std::min(pictureHeight + 3, screen.height());
            targetWidth = std::min((pictureHeight + 3) * 9 / 5, screen.width());
        }
        SetColourKey(false);
        VisPanel->hide();
    } else {
        pnTitle->show();
        if (!VisPanel->isHidden())
            return;
        VisPanel->resize(VisPanel->width(), std::min(VisPanel->height(), 257));
        targetWidth = 195;
        targetHeight = VisPanel->height() + 3;
        SetColourKey(Transparent);
        VisPanel->show();
        VdoPanel->move(2, -VdoPanel->height());
    }
    Label3->setVisible(ColourKey());
    Label4->setVisible(!Label3->isHidden());
    if (Gauge2->y() != 1) {
        // The table's one-pixel Gauge1 also when coming from the strip's two-pixel one.
        HideStripButtons();
        Gauge1->setGeometry(0, 0, Gauge1->width(), 1);
        Gauge2->move(0, Gauge2->y());
        SetGaugeColours(DesktopColour(),
                        IsNTPlatform ? ActiveCaptionGradientColour() : ButtonFaceColour());
        for (QWidget* edge : {static_cast<QWidget*>(sbNext2), static_cast<QWidget*>(sbStop2),
                              static_cast<QWidget*>(sbPower2)})
            edge->show();
        Gauge2->setGeometry(0, 1, Gauge2->width(), 2);
        lbProgress->setGeometry(0, 0, lbProgress->width(), 3);
    }
    if (targetWidth != Gauge1->width())
        for (QWidget* bar : {static_cast<QWidget*>(Gauge1), static_cast<QWidget*>(Gauge2),
                             static_cast<QWidget*>(lbProgress)})
            bar->resize(targetWidth, bar->height());
    if (QSize(targetWidth, targetHeight) != size()) {
        int top, left;
        if (StayOnTop && width() != 0) {
            top = y() - (targetHeight - height()) / 2;
            left = x() - (targetWidth - width()) / 2;
            top = std::max(0, std::min(top, screen.height() - targetHeight));
            left = std::max(0, std::min(left, screen.width() - targetWidth));
        } else {
            top = (screen.height() - targetHeight) / 2;
            left = (screen.width() - targetWidth) / 2;
            if (!WindowCentred)
                GeometryChanged = true;
            WindowCentred = true;
        }
        setGeometry(left, top, targetWidth, targetHeight);
    }
    // sbPower2 is anchored to the right edge, so a new width alone moves it as well.
    if (height() / 2 != sbStop2->y() || sbPower2->x() != width() - 3)
        PlaceEdgeButtons();
    MListPanel->move(MListPanel->x(), 8);
    const int room = !VisPanel->isHidden() ? height() - 36 : height() - 8;
    if (room < MListPanel->height()) {
        SetListPanelHeight(room);
        SetTitleColumnWidth(TitleColumnMinWidth);
        MIDIList->resize(MIDIList->width(), room - 1);
        if (VisPanel->isHidden())
            VisPanel->resize(VisPanel->width(), room + 33);
        ScrollIntoView(FirstSelected());
        GeometryChanged = true;
    }
    if (video) {
        VdoPanel->setGeometry(2, 3, width() - 4, height() - 3);
        Player->SetBounds(0, 0, VdoPanel->width(), VdoPanel->height());
    }
}

void TMainForm::HideStripButtons() {
    for (TSpeedButton* button : {sbNext3, sbStop3, sbPower3})
        button->hide();
}

void TMainForm::SetClientSize(int width, int height) {
    resize(width, height);
}

void TMainForm::EnterStripLayout() {
    MListPanel->hide();
    if (Gauge2->y() == 1) {
        VdoPanel->move(2, -VdoPanel->height());
        VisPanel->hide();
    }
    Label3->hide();
    Label4->hide();
    SetClientSize(width(), 6);
    Gauge1->setGeometry(0, 0, 400, 2);
    Gauge2->setGeometry(0, 2, 400, 4);
    Gauge1->BackColor = QColor(172, 168, 153);
    Gauge1->ForeColor = QColor(255, 251, 240);
    Gauge2->BackColor = QColor(255, 251, 240);
    Gauge2->ForeColor = QColor(236, 233, 216);
    Gauge1->update();
    Gauge2->update();
    for (TSpeedButton* button : {sbNext3, sbStop3, sbPower3})
        button->show();
    if (ActivatedOnce)
        PlaceStrip();
    SetClientSize(400, 6);
    if (!WindowCentred)
        GeometryChanged = true;
    WindowCentred = true;
}

// Centred across the work area, 43 pixels below its middle.
void TMainForm::PlaceStrip() {
    const QRect area = WorkAreaOfScreen(this);
    move(area.left() + area.width() / 2 - 200, area.top() + area.height() / 2 + 43);
}

} // namespace tavuro
