// The colour key on a real X server with a window manager: black pixels of the transparent
// window let clicks through to the window below, lit pixels keep them.
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

#include "ShellFixture.h"
#include "desktop/VisBox.h"

namespace tavuro {
namespace {

// A plain window that counts the clicks it gets.
class TClickCounter : public QWidget {
public:
    int Clicks = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++Clicks; }
};

void Wait(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void ClickAt(QPoint point) {
    QProcess::execute("xdotool", {"mousemove", QString::number(point.x()),
                                  QString::number(point.y()), "click", "1"});
    Wait(300);
}

// Shoots the screen into TAVURO_SCREENSHOT_DIR when it is set.
void Screenshot(const char* name) {
    const QByteArray folder = qgetenv("TAVURO_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        QProcess::execute("import", {"-window", "root", QString(folder) + "/" + name + ".png"});
}

// The window manager's state list of the window, as xprop prints it.
QString NetWmState(QWidget& window) {
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(window.winId()), "_NET_WM_STATE"});
    xprop.waitForFinished();
    return QString::fromLocal8Bit(xprop.readAllStandardOutput());
}

class LayoutUnderX : public ShellFixture {};

TEST_F(LayoutUnderX, BlackIsClickThroughAndLitPixelsAreNot) {
    QProcess::execute("xsetroot", {"-solid", "red"});
    TClickCounter below;
    below.setGeometry(100, 100, 400, 300);
    QPalette palette = below.palette();
    palette.setColor(QPalette::Window, QColor(40, 90, 200));
    below.setPalette(palette);
    below.setAutoFillBackground(true);
    below.show();
    Wait(500);

    Write("playlist.m3u", "/m/Alpha.mp3\n/m/Beta.mp3\n/m/Gamma.mp3\n");
    auto& form = Make();
    form.move(200, 200);
    Wait(500);
    form.pmTransp->trigger();
    // Above the window below, which a click would otherwise raise over the player.
    form.ToggleStayOnTop();
    Wait(800);
    ASSERT_TRUE(form.ColourKey());
    EXPECT_TRUE(NetWmState(form).contains("_NET_WM_STATE_ABOVE"));
    const QPoint origin = form.geometry().topLeft();
    Screenshot("transparent-list");

    ClickAt(origin + QPoint(100, 33)); // black between the gauges and the list
    EXPECT_EQ(below.Clicks, 1);
    ClickAt(origin + QPoint(100, 30)); // the lit progress gauge
    EXPECT_EQ(below.Clicks, 1) << "the lit pixel keeps the click";
    form.ToggleStayOnTop();
    Wait(300);
    EXPECT_FALSE(NetWmState(form).contains("_NET_WM_STATE_ABOVE"));

    form.move(600, 450); // over the bare desktop
    Wait(800);
    Screenshot("transparent-list-desktop");

    form.pmTransp->trigger();
    form.EnterStripLayout();
    form.PlaceStrip();
    Wait(800);
    Screenshot("strip");
}

// Presses the left button at one point, moves in two steps and lets go at the other.
void DragBetween(QPoint from, QPoint to) {
    QProcess::execute("xdotool", {"mousemove", QString::number(from.x()), QString::number(from.y()),
                                  "mousedown", "1"});
    Wait(200);
    for (const QPoint step : {from + QPoint(0, 5), to}) {
        QProcess::execute("xdotool",
                          {"mousemove", QString::number(step.x()), QString::number(step.y())});
        Wait(200);
    }
    QProcess::execute("xdotool", {"mouseup", "1"});
    Wait(800);
}

TEST_F(LayoutUnderX, TheWindowManagerMovesAndSizesTheWindowAndTheListFitsItsRows) {
    std::string playlist;
    for (int i = 1; i <= 8; ++i)
        playlist += "/m/Song" + std::to_string(i) + ".mp3\n";
    Write("playlist.m3u", playlist);
    auto& form = Make();
    form.move(300, 300);
    Wait(800);
    ASSERT_TRUE(form.lbResize->isEnabled());
    const QPoint start = form.geometry().topLeft();
    // The first move with the button down starts the move, 5 pixels below the press.
    DragBetween(start + QPoint(100, 1), start + QPoint(140, 31));
    EXPECT_EQ(form.geometry().topLeft(), start + QPoint(40, 25));
    EXPECT_FALSE(form.WindowCentred);

    const QPoint grip = form.geometry().topLeft() + QPoint(100, form.height() - 3);
    DragBetween(grip, grip + QPoint(0, 60));
    Wait(500);
    EXPECT_EQ(form.MListPanel->height(), 8 * 13 + 7);
    EXPECT_EQ(form.height(), 8 * 13 + 7 + 36);
}

// A box that counts the paints Qt asks of it.
class TCountingVisBox : public TVisBox {
public:
    using TVisBox::TVisBox;
    int Paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++Paints;
        TVisBox::paintEvent(event);
    }
};

TEST(SpectrumOnX, FramesReachTheScreenStraightWithoutQtPainting) {
    QImage frame(171, 92, QImage::Format_RGB32);
    frame.fill(qRgb(0, 0, 0));
    QWidget window;
    window.setGeometry(150, 150, 191, 105);
    TCountingVisBox box(frame, &window);
    box.move(10, 12);
    box.setAttribute(Qt::WA_DontCreateNativeAncestors);
    box.setAttribute(Qt::WA_NativeWindow);
    window.show();
    Wait(800);
    const int paintsBefore = box.Paints;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            frame.setPixel(x, y, qRgb(x, y * 2, 200));
    box.Present();
    Wait(300);
    const QPoint origin = box.mapToGlobal(QPoint(0, 0));
    const QImage shown = QGuiApplication::primaryScreen()
                             ->grabWindow(0, origin.x(), origin.y(), 171, 92)
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, frame) << "the frame is on the screen";
    EXPECT_EQ(box.Paints, paintsBefore) << "without a paint of Qt's";
}

// Sends the window what a window manager sends when the user closes it: WM_DELETE_WINDOW.
void SendDeleteWindow(WId window) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const auto atom = [connection](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return value;
    };
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window);
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    // Checked: the server has taken the event before this connection goes.
    std::free(xcb_request_check(
        connection, xcb_send_event_checked(connection, 0, message.window, XCB_EVENT_MASK_NO_EVENT,
                                           reinterpret_cast<const char*>(&message))));
    xcb_disconnect(connection);
}

// Qt drops a close of a window that a dialog blocks: one sent as the error box opens (or while it
// is up) would be lost and the player would run on. The box goes with the window instead.
TEST_F(LayoutUnderX, ACloseSentAsAnErrorBoxOpensClosesTheBoxAndThePlayer) {
    Write("list.m3u", "#EXTM3U\r\n/m/missing.mp3\r\n");
    Media.FailOnPlay = {"/m/missing.mp3"};
    TShellServices services = Services({AppDir + "list.m3u"}, 1);
    services.Dialogs = nullptr; // the real message boxes
    Form = std::make_unique<TMainForm>(std::move(services));
    bool boxOpened = false, answeredByHand = false;
    QTimer::singleShot(0, [&] {
        boxOpened = QApplication::activeModalWidget() != nullptr;
        SendDeleteWindow(Form->winId());
    });
    // Should the box stay, the test answers it, as a user would in the end.
    QTimer::singleShot(3000, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            answeredByHand = true;
            box->close();
        }
    });
    Form->show(); // plays the entry at once: its error box opens here
    Wait(500);
    EXPECT_TRUE(boxOpened);
    EXPECT_FALSE(answeredByHand) << "the box stayed up after the close";
    EXPECT_TRUE(Form->Closed()) << "the close was lost";
    EXPECT_TRUE(Form->isHidden());
}

} // namespace
} // namespace tavuro
