// The real player on a private session bus and a virtual X screen: media controls reach it over
// MPRIS (our own client and playerctl), and a second start hands its file over. Run by
// dbus-run-session and run-under-xvfb.sh.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/SingleInstance.h"
#include "platform/WindowSystem.h"
#include "shell/Mpris.h"

namespace tavuro {
namespace {

// Waits, with this program's events flowing, until the condition holds; false after 15 seconds.
bool WaitUntil(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 15000) {
        if (condition())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

// Every PropertiesChanged signal of the player's interface, as (property, value) pairs.
class TChangeRecorder : public QObject {
    Q_OBJECT
public:
    QList<QPair<QString, QVariant>> Changes;
    bool Saw(const QString& property, const QVariant& value) const {
        return Changes.contains({property, value});
    }

public slots:
    void Changed(const QString& interface, const QVariantMap& changed, const QStringList&) {
        if (interface == "org.mpris.MediaPlayer2.Player")
            for (auto item = changed.begin(); item != changed.end(); ++item)
                Changes.append({item.key(), item.value()});
    }
};

class PlayerOnSessionBus : public testing::Test {
protected:
    QTemporaryDir Work;
    QString ProgramFolder = Work.filePath("program");
    QProcess Player;
    std::unique_ptr<TWindowSystem> Windows = MakeX11WindowSystem();

    void SetUp() override {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under dbus-run-session";
        // A program folder of its own, so that the playlist it saves stays in the test's folder.
        ASSERT_TRUE(QDir().mkpath(ProgramFolder));
        ASSERT_TRUE(
            QFile::copy(QString(TAVURO_PROGRAM_DIR) + "/tavuro", ProgramFolder + "/tavuro"));
        for (const char* library : {"libbass.so", "libbasswma.so"})
            ASSERT_TRUE(QFile::link(QString(TAVURO_PROGRAM_DIR) + "/" + library,
                                    ProgramFolder + "/" + library));
        ASSERT_TRUE(QDir().mkpath(Work.filePath("runtime")));
        QFile::setPermissions(Work.filePath("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (auto [name, hertz] : {std::pair{"a.wav", 440}, std::pair{"b.wav", 660}})
            ASSERT_EQ(
                std::system(("sox -n -r 44100 -c 2 -b 16 -e signed-integer '" +
                             Clip(name).toStdString() + "' synth 4 sine " + std::to_string(hertz))
                                .c_str()),
                0);
    }

    void TearDown() override {
        if (Player.state() != QProcess::NotRunning) {
            Player.kill();
            Player.waitForFinished(5000);
        }
    }

    QString Clip(const char* name) const { return Work.filePath(name); }

    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", Work.filePath("runtime"));
        environment.insert("TAVURO_INSTANCE_DIR", Work.filePath("runtime"));
        environment.insert("TAVURO_NULL_OUTPUT", "1");
        return environment;
    }

    // The player, idle on an empty list, once it is on the bus.
    void StartPlayer() {
        Player.setProcessEnvironment(Environment());
        Player.start(ProgramFolder + "/tavuro", {});
        ASSERT_TRUE(Player.waitForStarted(5000));
        ASSERT_TRUE(WaitUntil([] {
            return QDBusConnection::sessionBus()
                .interface()
                ->isServiceRegistered(MprisServiceName)
                .value();
        })) << "the player did not come onto the bus";
    }

    QDBusInterface Interface(const char* name) const {
        return QDBusInterface(MprisServiceName, MprisObjectPath, name,
                              QDBusConnection::sessionBus());
    }
    QVariant Property(const char* name) const {
        return Interface("org.mpris.MediaPlayer2.Player").property(name);
    }
    QVariantMap Metadata() const {
        QDBusInterface properties(MprisServiceName, MprisObjectPath,
                                  "org.freedesktop.DBus.Properties", QDBusConnection::sessionBus());
        QDBusReply<QDBusVariant> reply =
            properties.call("Get", "org.mpris.MediaPlayer2.Player", "Metadata");
        QVariantMap metadata;
        qdbus_cast<QVariantMap>(reply.value().variant()).swap(metadata);
        return metadata;
    }
    bool Call(const char* method, const QVariant& argument = {}) const {
        QDBusInterface player = Interface("org.mpris.MediaPlayer2.Player");
        const QDBusMessage reply =
            argument.isValid() ? player.call(method, argument) : player.call(method);
        return reply.type() == QDBusMessage::ReplyMessage;
    }
    bool WaitForStatus(const QString& status) const {
        return WaitUntil([&] { return Property("PlaybackStatus").toString() == status; });
    }

    // The window's title as the window manager lists it.
    bool WaitForWindowTitle(const std::string& title) const {
        return WaitUntil([&] {
            for (TWindowId window : Windows->TopLevelWindows())
                if (Windows->WindowText(window) == title)
                    return true;
            return false;
        });
    }

    struct TSecondStart {
        int ExitCode = -1;
        QString Err;
    };
    // Another start of the program while the player runs, from the test's folder.
    TSecondStart SecondStart(const QStringList& arguments) const {
        QProcess second;
        second.setProcessEnvironment(Environment());
        second.setWorkingDirectory(Work.path());
        second.start(ProgramFolder + "/tavuro", arguments);
        if (!second.waitForFinished(20000))
            second.kill();
        second.waitForFinished();
        return {second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1,
                QString::fromUtf8(second.readAllStandardError())};
    }

    // The player's main window, found by its title.
    TWindowId PlayerWindow(const std::string& title) const {
        TWindowId found = 0;
        WaitUntil([&] {
            for (TWindowId window : Windows->TopLevelWindows())
                if (Windows->WindowText(window) == title)
                    found = window;
            return found != 0;
        });
        return found;
    }

    // The ICCCM state the window manager keeps for the window: "Normal" or "Iconic".
    static QString WindowState(TWindowId window) {
        QProcess xprop;
        xprop.start("xprop", {"-id", QString::number(window), "WM_STATE"});
        xprop.waitForFinished();
        const QString text = QString::fromLocal8Bit(xprop.readAllStandardOutput());
        return text.contains("Iconic") ? "Iconic" : text.contains("Normal") ? "Normal" : text;
    }

    static QString Playerctl(const QStringList& arguments) {
        QProcess playerctl;
        playerctl.start("playerctl", QStringList{"--player=tavuro"} + arguments);
        playerctl.waitForFinished(5000);
        return QString::fromUtf8(playerctl.readAllStandardOutput()).trimmed();
    }
};

TEST_F(PlayerOnSessionBus, MediaControlsPlayAClipGoToTheNextAndStop) {
    StartPlayer();
    TChangeRecorder recorder;
    ASSERT_TRUE(QDBusConnection::sessionBus().connect(
        MprisServiceName, MprisObjectPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
        &recorder, SLOT(Changed(QString, QVariantMap, QStringList))));
    QDBusInterface root = Interface("org.mpris.MediaPlayer2");
    EXPECT_EQ(root.property("Identity").toString(), "Tavuro");
    EXPECT_EQ(root.property("DesktopEntry").toString(), "tavuro");
    EXPECT_EQ(Property("PlaybackStatus").toString(), "Stopped");
    EXPECT_FALSE(Property("CanPlay").toBool()); // the empty-list display
    EXPECT_FALSE(Property("CanPause").toBool());

    ASSERT_TRUE(Call("OpenUri", QUrl::fromLocalFile(Clip("a.wav")).toString()));
    ASSERT_TRUE(WaitForStatus("Playing"));
    const QVariantMap first = Metadata();
    EXPECT_EQ(first.value("xesam:title").toString(), "a");
    EXPECT_EQ(first.value("xesam:url").toString(), QUrl::fromLocalFile(Clip("a.wav")).toString());
    EXPECT_EQ(first.value("mpris:length").toLongLong(), 4000000);
    EXPECT_TRUE(WaitForWindowTitle("a/Tavuro"));
    EXPECT_TRUE(Property("CanSeek").toBool());
    EXPECT_TRUE(Property("CanGoNext").toBool());
    EXPECT_TRUE(WaitUntil([&] { return recorder.Saw("PlaybackStatus", "Playing"); }));

    ASSERT_TRUE(Call("OpenUri", QUrl::fromLocalFile(Clip("b.wav")).toString()));
    ASSERT_TRUE(WaitForWindowTitle("b/Tavuro"));
    ASSERT_TRUE(Call("Next")); // order mode: from b round to a
    EXPECT_TRUE(WaitForWindowTitle("a/Tavuro"));
    EXPECT_TRUE(WaitUntil([&] { return Metadata().value("xesam:title").toString() == "a"; }));
    EXPECT_NE(Metadata().value("mpris:trackid"), first.value("mpris:trackid"));

    ASSERT_TRUE(Call("Stop"));
    EXPECT_TRUE(WaitForStatus("Stopped"));
    EXPECT_TRUE(WaitForWindowTitle("!Tavuro"));
    EXPECT_FALSE(Property("CanGoNext").toBool());

    // playerctl, as a desktop's media keys would use it.
    EXPECT_EQ(Playerctl({"status"}), "Stopped");
    Playerctl({"play-pause"});
    EXPECT_TRUE(WaitForStatus("Playing"));
    EXPECT_EQ(Playerctl({"status"}), "Playing");
    EXPECT_EQ(Playerctl({"metadata", "xesam:title"}), "a");
    Playerctl({"position", "2"});
    EXPECT_TRUE(WaitUntil([&] { return Property("Position").toLongLong() >= 2000000; }));
    Playerctl({"next"});
    EXPECT_TRUE(WaitForWindowTitle("b/Tavuro"));
    Playerctl({"stop"});
    EXPECT_TRUE(WaitForStatus("Stopped"));

    // Quit goes through the close query, which saves the playlist.
    QDBusMessage quit = root.call("Quit");
    EXPECT_EQ(quit.type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(Player.waitForFinished(10000));
    EXPECT_EQ(Player.exitCode(), 0);
    QFile playlist(ProgramFolder + "/playlist.m3u");
    ASSERT_TRUE(playlist.open(QIODevice::ReadOnly));
    EXPECT_TRUE(playlist.readAll().contains("b.wav"));
}

TEST_F(PlayerOnSessionBus, PlayPauseTwicePausesAndResumesWhereItWas) {
    ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 -e signed-integer '" +
                           Clip("long.wav").toStdString() + "' synth 30 sine 550")
                              .c_str()),
              0);
    StartPlayer();
    ASSERT_TRUE(Call("OpenUri", QUrl::fromLocalFile(Clip("long.wav")).toString()));
    ASSERT_TRUE(WaitForStatus("Playing"));
    EXPECT_TRUE(Property("CanPause").toBool());
    ASSERT_TRUE(WaitUntil([&] { return Property("Position").toLongLong() >= 1500000; }));

    Playerctl({"play-pause"});
    ASSERT_TRUE(WaitForStatus("Paused"));
    EXPECT_EQ(Playerctl({"status"}), "Paused");
    const qlonglong held = Property("Position").toLongLong();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_NEAR(Property("Position").toLongLong(), held, 100000) << "the position is held";
    EXPECT_TRUE(WaitForWindowTitle("long/Tavuro")) << "the window shows the entry still";

    Playerctl({"play-pause"});
    ASSERT_TRUE(WaitForStatus("Playing"));
    const qlonglong resumed = Property("Position").toLongLong();
    EXPECT_GE(resumed, held);
    EXPECT_LT(resumed, held + 1000000) << "resumed from where it was, not started over";
    EXPECT_TRUE(WaitUntil([&] { return Property("Position").toLongLong() > held + 500000; }));

    // The desktop's volume keys.
    EXPECT_DOUBLE_EQ(Property("Volume").toDouble(), 1.0);
    Playerctl({"volume", "0.4"});
    EXPECT_TRUE(WaitUntil([&] { return Property("Volume").toDouble() == 0.4; }));
    Playerctl({"volume", "0.1-"});
    EXPECT_TRUE(WaitUntil([&] { return std::abs(Property("Volume").toDouble() - 0.3) < 1e-9; }));
}

TEST_F(PlayerOnSessionBus, ASecondStartHandsItsFileToTheRunningPlayer) {
    StartPlayer();
    // What a bare start of the program costs on this machine now, for comparison: on a busy
    // machine loading the program alone can take longer than the half second asked for.
    QProcess bare;
    QElapsedTimer clock;
    clock.start();
    bare.start(ProgramFolder + "/tavuro", {"--version"});
    ASSERT_TRUE(bare.waitForFinished(5000));
    const qint64 bareStart = clock.elapsed();

    QProcess second;
    second.setProcessEnvironment(Environment());
    second.setWorkingDirectory(Work.path());
    clock.restart();
    second.start(ProgramFolder + "/tavuro", {"b.wav"}); // relative to its own folder
    ASSERT_TRUE(second.waitForFinished(5000));
    const qint64 elapsed = clock.elapsed();
    EXPECT_LT(elapsed, std::max<qint64>(500, bareStart + 300)) << "a bare start took " << bareStart;
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAll().isEmpty());
    EXPECT_TRUE(second.readAllStandardError().isEmpty());

    EXPECT_TRUE(WaitForStatus("Playing"));
    EXPECT_EQ(Metadata().value("xesam:title").toString(), "b");
    EXPECT_TRUE(WaitForWindowTitle("b/Tavuro"));

    // "/AUTO" is not handed over: the running player plays on with what it has.
    QProcess automatic;
    automatic.setProcessEnvironment(Environment());
    automatic.start(ProgramFolder + "/tavuro", {"/AUTO"});
    ASSERT_TRUE(automatic.waitForFinished(5000));
    EXPECT_EQ(automatic.exitCode(), 0);
    EXPECT_EQ(Metadata().value("xesam:title").toString(), "b");
}

// A second start that comes right after the first waits for the first player to come onto the
// bus and for its answer: its file is never lost. A long start playlist keeps the first player
// off the bus for a while, as a slow desktop does.
TEST_F(PlayerOnSessionBus, ASecondStartRightAfterTheFirstStillHandsItsFileOver) {
    QFile playlist(ProgramFolder + "/playlist.m3u");
    ASSERT_TRUE(playlist.open(QIODevice::WriteOnly));
    for (int i = 0; i < 200000; ++i)
        playlist.write(QByteArray("/music/") + QByteArray::number(i) + "/an entry.mp3\r\n");
    playlist.close();
    for (const int delay : {0, 50, 100}) {
        SCOPED_TRACE(delay);
        QProcess first;
        first.setProcessEnvironment(Environment());
        first.start(ProgramFolder + "/tavuro", {});
        ASSERT_TRUE(first.waitForStarted(5000));
        QThread::msleep(delay);
        const TSecondStart second = SecondStart({"b.wav"});
        EXPECT_EQ(second.ExitCode, 0) << second.Err.toStdString();
        if (first.state() == QProcess::NotRunning || first.waitForFinished(300)) {
            // Started at the same moment, the start with the file took the guard and played it
            // itself; the other ended silently.
            EXPECT_EQ(first.exitCode(), 0);
            continue;
        }
        EXPECT_TRUE(WaitUntil([&] { return Metadata().value("xesam:title").toString() == "b"; }))
            << "the file was lost";
        Interface("org.mpris.MediaPlayer2").call("Quit");
        ASSERT_TRUE(first.waitForFinished(10000));
    }
}

// Several files handed over at once are all added; the first plays. A minimised window comes
// back: a second start is the user asking for the player.
TEST_F(PlayerOnSessionBus, ASecondStartHandsOverAllItsFilesAndBringsTheWindowBack) {
    StartPlayer();
    const TWindowId window = PlayerWindow("!Tavuro");
    ASSERT_NE(window, 0u);
    QProcess::execute("xdotool", {"windowminimize", QString::number(window)});
    ASSERT_TRUE(WaitUntil([&] { return WindowState(window) == "Iconic"; }));
    const TSecondStart second = SecondStart({"a.wav", "b.wav"});
    EXPECT_EQ(second.ExitCode, 0) << second.Err.toStdString();
    EXPECT_TRUE(WaitForStatus("Playing"));
    EXPECT_EQ(Metadata().value("xesam:title").toString(), "a");
    EXPECT_TRUE(WaitUntil([&] { return WindowState(window) == "Normal"; }))
        << "the window stayed minimised";
    Interface("org.mpris.MediaPlayer2").call("Quit");
    ASSERT_TRUE(Player.waitForFinished(10000));
    QFile playlist(ProgramFolder + "/playlist.m3u");
    ASSERT_TRUE(playlist.open(QIODevice::ReadOnly));
    const QByteArray saved = playlist.readAll();
    EXPECT_TRUE(saved.contains("a.wav") && saved.contains("b.wav")) << saved.toStdString();
}

// A player that holds the guard but never comes onto the bus (it hangs, or runs without one):
// the second start says so and ends with a failure, its file not handed over.
TEST_F(PlayerOnSessionBus, ASecondStartThatGetsNoAnswerSaysSo) {
    setenv("TAVURO_INSTANCE_DIR", Work.filePath("runtime").toUtf8().constData(), 1);
    TSingleInstanceLock silent("Tavuro 2008");
    ASSERT_TRUE(silent.TryAcquire());
    unsetenv("TAVURO_INSTANCE_DIR");
    const TSecondStart second = SecondStart({"a.wav"});
    EXPECT_EQ(second.ExitCode, 1);
    EXPECT_TRUE(second.Err.contains("a.wav")) << second.Err.toStdString();
}

// Without a session bus in its environment the player starts none: one that Qt's accessibility
// bridge had libdbus start ("autolaunch") would outlive the player.
TEST_F(PlayerOnSessionBus, WithoutABusThePlayerStartsNone) {
    if (QFile::exists("/usr/bin/dbus-launch"))
        GTEST_SKIP() << "libdbus would run the system's dbus-launch, not the one that tells";
    const QString folder = Work.filePath("bin"), launched = Work.filePath("launched");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile fake(folder + "/dbus-launch");
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write(("#!/bin/sh\necho \"$@\" >> '" + launched + "'\nexit 1\n").toUtf8());
    fake.close();
    fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = Environment();
    environment.remove("DBUS_SESSION_BUS_ADDRESS");
    environment.insert("PATH", folder + ":" + environment.value("PATH"));
    QProcess player;
    player.setProcessEnvironment(environment);
    player.start(ProgramFolder + "/tavuro", {Clip("a.wav")}); // plays the clip, then ends
    ASSERT_TRUE(player.waitForFinished(15000));
    EXPECT_EQ(player.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(launched)) << "a bus was asked to be started";
}

} // namespace
} // namespace tavuro

#include "SessionBusTest.moc"
