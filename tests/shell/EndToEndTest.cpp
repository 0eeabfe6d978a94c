// The real pieces together: the media control over mpv with null outputs, and the program
// itself started twice. These tests take a few seconds of real time.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>

#include "ShellFixture.h"
#include "desktop/NSPlay.h"

namespace tavuro {
namespace {

// Makes a two-second Ogg Vorbis tone with sox and oggenc; false when the tools are missing.
bool MakeOgg(const std::string& path, int hertz) {
    const std::string wav = path + ".wav";
    const std::string command = "sox -n -r 44100 -c 2 -b 16 -e signed-integer '" + wav +
                                "' synth 2 sine " + std::to_string(hertz) + " && oggenc -Q '" +
                                wav + "' -o '" + path + "'";
    return std::system(command.c_str()) == 0;
}

void Pump(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

class EndToEnd : public ShellFixture {};

TEST_F(EndToEnd, ARealClipEndsAndTheNextOneStarts) {
    setenv("TAVURO_NULL_OUTPUT", "1", 1);
    ASSERT_TRUE(MakeOgg(AppDir + "first.ogg", 440));
    ASSERT_TRUE(MakeOgg(AppDir + "second.ogg", 660));
    Write("playlist.m3u", AppDir + "first.ogg\n" + AppDir + "second.ogg\n");
    TShellServices services;
    services.Registry = Registry.get();
    services.Clock = &Clock;
    services.Dialogs = &Dialogs;
    services.Launcher = &Launcher;
    services.CreateMediaControl = [](QWidget* panel) -> TMediaControl* {
        return new TNSPlay(panel);
    };
    services.AppDir = AppDir;
    services.RandomSeed = 1;
    TMainForm form(std::move(services));
    form.show();
    form.ClearSelection();
    form.SelectRow(0);
    form.PlaySelected();
    ASSERT_TRUE(Dialogs.Messages.empty());
    ASSERT_EQ(form.Player->FileName(), AppDir + "first.ogg");
    EXPECT_EQ(form.Gauge1->MaxValue, 2);
    EXPECT_EQ(form.ApplicationTitle(), "first/Tavuro");

    // Timer1 runs for real; within a few seconds the first clip ends and the second starts.
    QElapsedTimer clock;
    clock.start();
    while (form.Player->FileName() != AppDir + "second.ogg" && clock.elapsed() < 10000)
        Pump(100);
    EXPECT_EQ(form.Player->FileName(), AppDir + "second.ogg");
    EXPECT_GE(clock.elapsed(), 1500);
    EXPECT_EQ(form.ApplicationTitle(), "second/Tavuro");
    EXPECT_EQ(form.Playlist->Entry(0).SubItems,
              (std::vector<std::string>{AppDir + "first.ogg", "2", "0:02"}));
    form.close();
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U\r\n#EXTINF:2,first\r\n" + AppDir +
                                        "first.ogg\r\n#EXTINF:2,second\r\n" + AppDir +
                                        "second.ogg\r\n");
}

TEST_F(EndToEnd, ASecondInstanceEndsAtOnceAndSilently) {
    ASSERT_TRUE(MakeOgg(AppDir + "tone.ogg", 440));
    Write("list.m3u", AppDir + "tone.ogg\n");
    QTemporaryDir registry, runtime;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TAVURO_REGISTRY_DIR", registry.path());
    environment.insert("TAVURO_INSTANCE_DIR", runtime.path());
    environment.insert("TAVURO_NULL_OUTPUT", "1");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    const QString program = QString(TAVURO_PROGRAM_DIR) + "/tavuro";
    const QStringList arguments{QString::fromStdString(AppDir + "list.m3u")};

    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(program, arguments);
    ASSERT_TRUE(first.waitForStarted(5000));
    EXPECT_FALSE(first.waitForFinished(1500)) << "the first instance stays up";

    // Nothing to hand over (what a second start with a file does is the hand-over's).
    QProcess second;
    second.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    second.start(program, {});
    ASSERT_TRUE(second.waitForFinished(3000));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(second.readAllStandardError().isEmpty());

    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished(5000);
}

} // namespace
} // namespace tavuro
