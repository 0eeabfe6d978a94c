// The window's components at their design places, and the list view's selection.
#include <QCoreApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPersistentModelIndex>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "desktop/Titles.h"
#include "platform/Translations.h"
#include "shell/Main.h"
#include "shell/SystemColours.h"

namespace tavuro {

TClickLabel::TClickLabel(QWidget* parent, const char* name) : QLabel(parent) {
    setObjectName(name);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && OnLeftUp)
        OnLeftUp(event->position().toPoint().x());
    QLabel::mouseReleaseEvent(event);
}

// Rows 13 pixels high; tells the window when in-place editing of a caption starts and ends.
class TCaptionDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    std::function<void(bool editing)> OnEditing;
    bool Editing = false;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), 13};
    }
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        const_cast<TCaptionDelegate*>(this)->SetEditing(true);
        return editor;
    }
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
        QStyledItemDelegate::destroyEditor(editor, index);
        const_cast<TCaptionDelegate*>(this)->SetEditing(false);
    }

protected:
    // Tab ends the edit as Enter does, rather than opening the next row's caption.
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* editor = qobject_cast<QWidget*>(watched);
        if (editor != nullptr && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
                emit commitData(editor);
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(watched, event);
    }

private:
    void SetEditing(bool editing) {
        Editing = editing;
        if (OnEditing)
            OnEditing(editing);
    }
};

namespace {
QLabel* MakeSquare(QWidget* parent, const char* name, QRect geometry, QColor colour) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colour);
    label->setPalette(palette);
    label->setEnabled(false);
    return label;
}

// A grip square that shows only while the mouse is over it.
class THoverLabel : public QLabel {
public:
    THoverLabel(QWidget* parent, const char* name, QRect geometry, QColor colour) : QLabel(parent) {
        setObjectName(name);
        setGeometry(geometry);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, colour);
        setPalette(palette);
    }

protected:
    void enterEvent(QEnterEvent* event) override {
        setAutoFillBackground(true);
        update();
        QLabel::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override {
        setAutoFillBackground(false);
        update();
        QLabel::leaveEvent(event);
    }
};

// Enter plays the selection, from the main keys and the keypad alike.
QList<QKeySequence> PlayKeys() {
    return {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)};
}

QWidget* MakePanel(QWidget* parent, const char* name, QRect geometry) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setGeometry(geometry);
    return panel;
}
} // namespace

void TMainForm::BuildWindow() {
    setObjectName("MainForm");
    // The video and the list over it are the only native child windows; Qt would otherwise make
    // every sibling of theirs native too.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::Base, Qt::black);
    palette.setColor(QPalette::Text, QColor(0, 255, 0));
    palette.setColor(QPalette::WindowText, QColor(0, 255, 0));
    setPalette(palette);
    setAutoFillBackground(true);
    setFont(ListFont());
    resize(195, 108);
    Panel1 = MakePanel(this, "Panel1", rect());
    BuildButtons();
    BuildList();
    BuildPanels();
    BuildShortcuts();
    InstallMouseHandling();
}

void TMainForm::InstallMouseHandling() {
    for (QWidget* target :
         {Panel1, static_cast<QWidget*>(Label3), static_cast<QWidget*>(Label4),
          static_cast<QWidget*>(Label5), pnBottom, static_cast<QWidget*>(lbResize), pnResize,
          VisPanel, static_cast<QWidget*>(VisBox), pnTitle, static_cast<QWidget*>(lbTitle),
          static_cast<QWidget*>(lbTime), static_cast<QWidget*>(lbProgress)})
        target->installEventFilter(this);
    ColourKeyTimer = new QTimer(this);
    ColourKeyTimer->setSingleShot(true);
    connect(ColourKeyTimer, &QTimer::timeout, this, &TMainForm::RefreshColourKey);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Panel1->setGeometry(rect());
    FollowGripSizing();
}

void TMainForm::BuildButtons() {
    bgLabel1 = MakeSquare(Panel1, "bgLabel1", {10, 10, 15, 15}, ButtonFaceColour());
    bgLabel2 = MakeSquare(Panel1, "bgLabel2", {37, 10, 15, 15}, ButtonFaceColour());
    bgLabel3 = MakeSquare(Panel1, "bgLabel3", {64, 10, 15, 15}, ButtonFaceColour());
    bgLabel4 = MakeSquare(Panel1, "bgLabel4", {90, 9, 16, 16}, ButtonFaceColour());
    bgLabel5 = MakeSquare(Panel1, "bgLabel5", {104, 20, 1, 2}, Qt::black);
    for (QLabel* square : {bgLabel1, bgLabel4, bgLabel5})
        square->hide();
    auto button = [this](const char* name, TGlyph glyph, const char* hint, int x) {
        auto* made = new TSpeedButton(Panel1, name, glyph, Translate(FormContext, hint));
        made->move(x, 3);
        return made;
    };
    sbPlay = button("sbPlay", TGlyph::glPlay, QT_TRANSLATE_NOOP("TMainForm", "播放"), 3);
    sbNext = button("sbNext", TGlyph::glNext, QT_TRANSLATE_NOOP("TMainForm", "下一个"), 3);
    sbAbout = button("sbAbout", TGlyph::glAbout, QT_TRANSLATE_NOOP("TMainForm", "版权所有"), 3);
    sbStop = button("sbStop", TGlyph::glStop, QT_TRANSLATE_NOOP("TMainForm", "停止"), 30);
    sbLevel = button("sbLevel", TGlyph::glLevel, QT_TRANSLATE_NOOP("TMainForm", "电平表"), 57);
    sbNormal = button("sbNormal", TGlyph::glNormal, QT_TRANSLATE_NOOP("TMainForm", "电平表"), 57);
    sbOrder = button("sbOrder", TGlyph::glOrder, QT_TRANSLATE_NOOP("TMainForm", "顺序"), 84);
    sbRandom = button("sbRandom", TGlyph::glRandom, QT_TRANSLATE_NOOP("TMainForm", "随机"), 84);
    sbAdd = button("sbAdd", TGlyph::glOpen, QT_TRANSLATE_NOOP("TMainForm", "打开"), 111);
    sbMin = button("sbMin", TGlyph::glMinimise, QT_TRANSLATE_NOOP("TMainForm", "最小化"), 138);
    sbPower = button("sbPower", TGlyph::glPower, QT_TRANSLATE_NOOP("TMainForm", "电源"), 165);
    sbNext->hide();
    sbAbout->hide();
    sbAbout->setEnabled(false);
    sbStop->setEnabled(false);
    sbLevel->hide();
    sbLevel->setEnabled(false);
    sbNormal->setEnabled(false);
    sbRandom->hide();
    connect(sbPlay, &QAbstractButton::clicked, this, [this] {
        if (!StartingStream && sbAbout->isHidden())
            PlaySelected();
    });
    connect(sbNext, &QAbstractButton::clicked, this, &TMainForm::NextClick);
    connect(sbStop, &QAbstractButton::clicked, this, &TMainForm::StopClick);
    connect(sbLevel, &QAbstractButton::clicked, this, &TMainForm::LevelClick);
    connect(sbNormal, &QAbstractButton::clicked, this, &TMainForm::NormalClick);
    connect(sbOrder, &QAbstractButton::clicked, this, &TMainForm::OrderClick);
    connect(sbRandom, &QAbstractButton::clicked, this, &TMainForm::RandomClick);
    connect(sbAdd, &QAbstractButton::clicked, this, &TMainForm::OpenDialogFlow);
    connect(sbMin, &QAbstractButton::clicked, this, &QWidget::showMinimized);
    connect(sbPower, &QAbstractButton::clicked, this, &TMainForm::PowerClick);

    Gauge1 = new TGauge(Panel1, "Gauge1");
    Gauge1->setGeometry(4, 30, 187, 1);
    Gauge2 = new TGauge(Panel1, "Gauge2");
    Gauge2->setGeometry(4, 31, 187, 1);
    Gauge1->BackColor = Qt::black;
    Gauge1->ForeColor = ButtonFaceColour();
    Gauge2->BackColor = Gauge1->ForeColor;
    Gauge2->ForeColor = Gauge1->BackColor;
    lbProgress = new TClickLabel(Panel1, "lbProgress");
    lbProgress->setGeometry(4, 30, 187, 2);
    lbProgress->setAccessibleName(Translate("TMainForm", "进度"));
    lbProgress->OnLeftUp = [this](int x) { ProgressClick(x); };

    // The edge buttons of the spectrum and video layouts, and the hover grips.
    sbNext2 = new TSpeedButton(Panel1, "sbNext2", TGlyph::glNone, Translate("TMainForm", "下一个"));
    sbNext2->setGeometry(-1, -1, 3, 55);
    sbStop2 = new TSpeedButton(Panel1, "sbStop2", TGlyph::glNone, Translate("TMainForm", "停止"));
    sbStop2->setGeometry(-1, 54, 3, 56);
    sbPower2 = new TSpeedButton(Panel1, "sbPower2", TGlyph::glNone, Translate("TMainForm", "电源"));
    sbPower2->setGeometry(192, 0, 3, 54);
    connect(sbNext2, &QAbstractButton::clicked, this, &TMainForm::NextClick);
    connect(sbStop2, &QAbstractButton::clicked, this, &TMainForm::StopClick);
    connect(sbPower2, &QAbstractButton::clicked, this, &TMainForm::PowerClick);
    // The strip's three flat buttons share its 400 pixels; the gauges show through them.
    sbNext3 = new TSpeedButton(Panel1, "sbNext3", TGlyph::glNone, Translate("TMainForm", "下一个"));
    sbNext3->setGeometry(0, 0, 133, 6);
    sbStop3 = new TSpeedButton(Panel1, "sbStop3", TGlyph::glNone, Translate("TMainForm", "停止"));
    sbStop3->setGeometry(133, 0, 134, 6);
    sbPower3 = new TSpeedButton(Panel1, "sbPower3", TGlyph::glNone, Translate("TMainForm", "电源"));
    sbPower3->setGeometry(267, 0, 133, 6);
    connect(sbNext3, &QAbstractButton::clicked, this, &TMainForm::NextClick);
    connect(sbStop3, &QAbstractButton::clicked, this, &TMainForm::StopClick);
    connect(sbPower3, &QAbstractButton::clicked, this, &TMainForm::PowerClick);
    Label3 = new THoverLabel(Panel1, "Label3", {0, 0, 5, 3}, ActiveCaptionGradientColour());
    Label4 = new THoverLabel(Panel1, "Label4", {190, 0, 5, 3}, DesktopColour());
    Label5 = new THoverLabel(Panel1, "Label5", {186, 30, 5, 2}, QColor(96, 96, 96));
    Label3->setToolTip(Translate("TMainForm", "下一个/右击停止"));
    Label4->setToolTip(Translate("TMainForm", "移动/双击关闭"));
    for (QWidget* hidden : {static_cast<QWidget*>(sbNext2), static_cast<QWidget*>(sbStop2),
                            static_cast<QWidget*>(sbPower2), static_cast<QWidget*>(Label3),
                            static_cast<QWidget*>(Label4), static_cast<QWidget*>(Label5),
                            static_cast<QWidget*>(sbNext3), static_cast<QWidget*>(sbStop3),
                            static_cast<QWidget*>(sbPower3)})
        hidden->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, &TMainForm::Timer2Timer);
}

void TMainForm::BuildList() {
    MListPanel = MakePanel(Panel1, "MListPanel", {5, 36, 185, 72});
    Playlist = new TPlaylistModel(this);
    Playlist->OnCaptionEdited = [this](int) { PlaylistDirty = true; };
    MIDIList = new QTreeView(MListPanel);
    MIDIList->setAccessibleName(Translate("TMainForm", "播放列表"));
    MIDIList->setObjectName("MIDIList");
    MIDIList->setGeometry(-2, -2, 189, 71);
    MIDIList->setModel(Playlist);
    MIDIList->setHeaderHidden(true);
    MIDIList->setRootIsDecorated(false);
    MIDIList->setUniformRowHeights(true);
    MIDIList->setItemsExpandable(false);
    MIDIList->setAllColumnsShowFocus(true);
    MIDIList->setSelectionBehavior(QAbstractItemView::SelectRows);
    MIDIList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    MIDIList->setEditTriggers(QAbstractItemView::SelectedClicked |
                              QAbstractItemView::EditKeyPressed);
    MIDIList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MIDIList->setFrameShape(QFrame::NoFrame);
    MIDIList->setIndentation(0);
    // The columns have the widths the window gives them. The header's own minimum would come
    // from the font's widest glyph, and loading the font here would delay the first sound.
    MIDIList->header()->setMinimumSectionSize(0);
    MIDIList->header()->setStretchLastSection(false);
    MIDIList->setColumnHidden(TPlaylistModel::colPath, true);
    MIDIList->setColumnHidden(TPlaylistModel::colSeconds, true);
    MIDIList->setColumnWidth(TPlaylistModel::colCaption, TitleColumnMaxWidth);
    MIDIList->setColumnWidth(TPlaylistModel::colTime, TimeColumnWidth);
    CaptionDelegate = new TCaptionDelegate(MIDIList);
    CaptionDelegate->OnEditing = [this](bool editing) {
        // Del and Right arrow belong to the edit box while a caption is edited, and Enter ends
        // the edit there instead of playing.
        pmDel->setShortcut(editing ? QKeySequence() : QKeySequence(Qt::Key_Delete));
        pmNext->setShortcut(editing ? QKeySequence() : QKeySequence(Qt::Key_Right));
        pmPlay->setShortcuts(editing ? QList<QKeySequence>() : PlayKeys());
    };
    MIDIList->setItemDelegate(CaptionDelegate);
    MIDIList->installEventFilter(this);
    connect(MIDIList, &QAbstractItemView::doubleClicked, this, &TMainForm::PlayListDoubleClick);

    pnBottom = MakePanel(MListPanel, "pnBottom", {0, 67, 185, 5});
    lbResize = new TClickLabel(pnBottom, "lbResize");
    lbResize->setGeometry(0, 0, 185, 5);
    lbResize->setEnabled(false);
}

void TMainForm::BuildPanels() {
    VisPanel = MakePanel(Panel1, "VisPanel", {2, 3, 191, 105});
    VisPanel->setAutoFillBackground(true); // the button row beneath must not show through
    pnTitle = MakePanel(VisPanel, "pnTitle", {0, 0, 191, 12});
    lbTitle = new QLabel(pnTitle);
    lbTitle->setObjectName("lbTitle");
    lbTitle->setGeometry(0, 0, 189, 12);
    lbTime = new QLabel(pnTitle);
    lbTime->setObjectName("lbTime");
    lbTime->setGeometry(141, 0, 48, 12);
    lbTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QLabel* label : {lbTitle, lbTime}) {
        label->setTextFormat(Qt::PlainText); // captions are shown as they are, never as markup
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, ActiveBorderColour());
        label->setPalette(palette);
    }
    QFont timeFont = font();
    timeFont.setFamilies({"MS Sans Serif", "DejaVu Sans", "Sans Serif"});
    timeFont.setPixelSize(11);
    lbTime->setFont(timeFont);
    pnResize = MakePanel(VisPanel, "pnResize", {3, 100, 185, 5});
    VisBox = new TVisBox(Spectrum.BackBuffer, VisPanel);
    VisBox->setGeometry(10, 12, 171, 92);
    VisBox->setAccessibleName(Translate("TMainForm", "频谱显示"));
    pnResize->raise(); // a grip lies over the painted display, whose bottom it overlaps
    VisBox->hide();
    VisPanel->hide();
    VdoPanel = MakePanel(Panel1, "VdoPanel", {2, -105, 191, 105});
    VdoPanel->setAttribute(Qt::WA_TransparentForMouseEvents); // the picture is the panel's
    Player = Services.CreateMediaControl(VdoPanel);
    Transport = std::make_unique<TTransport>(*Player, [this] { CloseXGPlayer(); });
    connect(Transport.get(), &TTransport::StateChanged, this, [this] { FollowTransport(); });
}

void TMainForm::BuildShortcuts() {
    auto action = [this](QAction*& item, const char* name, const char* caption, QKeySequence key,
                         auto handler) {
        item = new QAction(Translate(FormContext, caption), this);
        item->setObjectName(name);
        item->setShortcut(key);
        item->setShortcutContext(Qt::WindowShortcut);
        connect(item, &QAction::triggered, this, handler);
        addAction(item);
    };
    action(pmDel, "pmDel", QT_TRANSLATE_NOOP("TMainForm", "删除"), QKeySequence(Qt::Key_Delete),
           [this] { DeleteSelected(); });
    action(pmTransp, "pmTransp", QT_TRANSLATE_NOOP("TMainForm", "透明化"),
           QKeySequence(Qt::Key_Insert), [this] { ToggleTransparency(); });
    action(pmAdd, "pmAdd", QT_TRANSLATE_NOOP("TMainForm", "打开"), QKeySequence(Qt::Key_A),
           [this] { OpenDialogFlow(); });
    action(pmPlay, "pmPlay", QT_TRANSLATE_NOOP("TMainForm", "播放"), QKeySequence(Qt::Key_Return),
           [this] {
               if (!StartingStream && sbAbout->isHidden())
                   PlaySelected();
           });
    pmPlay->setShortcuts(PlayKeys());
    action(pmNext, "pmNext", QT_TRANSLATE_NOOP("TMainForm", "下一个"), QKeySequence(Qt::Key_Right),
           [this] { NextClick(); });
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (HandleMouse(watched, event))
        return true;
    // The list keeps the keyboard focus while it is shown, so the shortcuts keep working.
    if (watched == MIDIList && event->type() == QEvent::FocusOut && !CaptionDelegate->Editing) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            MListPanel->isEnabled() && !MListPanel->isHidden())
            QTimer::singleShot(0, MIDIList, [this] {
                if (isActiveWindow() && !CaptionDelegate->Editing && !MListPanel->isHidden())
                    MIDIList->setFocus();
            });
    }
    return QWidget::eventFilter(watched, event);
}

void TMainForm::PowerClick() {
    if (!StartingStream)
        close();
}

void TMainForm::SetApplicationTitle(std::string_view title) {
    setWindowTitle(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
}

std::vector<int> TMainForm::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : MIDIList->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int TMainForm::FirstSelected() const {
    const QItemSelection selection = MIDIList->selectionModel()->selection();
    int first = -1;
    for (const QItemSelectionRange& range : selection)
        if (first < 0 || range.top() < first)
            first = range.top();
    return first;
}

void TMainForm::SelectRow(int row) {
    if (row < 0 || row >= Playlist->Count())
        return;
    MIDIList->selectionModel()->select(Playlist->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// Clears every selection and the focus mark.
void TMainForm::ClearSelection() {
    MIDIList->selectionModel()->clear();
}

void TMainForm::ScrollIntoView(int row) {
    ++ScrollRequests;
    if (row >= 0 && row < Playlist->Count())
        MIDIList->scrollTo(Playlist->index(row, 0));
}

// Scrolling lays the list out, and the first layout loads its font: a start need not wait for
// that. The scroll comes on the next turn of the event loop (before the list is painted), unless
// a later one came first.
void TMainForm::ScrollIntoViewSoon(int row) {
    const QPersistentModelIndex entry = Playlist->index(row, 0);
    QTimer::singleShot(0, MIDIList, [this, entry, request = ++ScrollRequests] {
        if (request == ScrollRequests && entry.isValid())
            ScrollIntoView(entry.row());
    });
}

void TMainForm::SetTitleColumnWidth(int width) {
    MIDIList->setColumnWidth(TPlaylistModel::colCaption, width);
}

void TMainForm::FocusList() {
    MIDIList->setFocus();
}

} // namespace tavuro
