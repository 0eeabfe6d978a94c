// The command line's switches, what a second start hands over, and the program started without
// a display: exit codes and what it prints.
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/SingleInstance.h"
#include "shell/StartOptions.h"

namespace tavuro {
namespace {

TEST(StartOptions, SwitchesAnswerOrAreRefused) {
    struct Case {
        std::vector<std::string> Arguments;
        TStartAction Action;
        std::string Refused;
    } cases[] = {
        {{}, TStartAction::saRun, ""},
        {{"/AUTO"}, TStartAction::saRun, ""},
        {{"/m/song.mp3"}, TStartAction::saRun, ""},
        {{"-x.mp3"}, TStartAction::saRun, ""}, // one dash: a file name
        {{"--help"}, TStartAction::saHelp, ""},
        {{"-h"}, TStartAction::saHelp, ""},
        {{"song.mp3", "-h"}, TStartAction::saHelp, ""},
        {{"--version"}, TStartAction::saVersion, ""},
        {{"--x"}, TStartAction::saRefuse, "--x"},
        {{"song.mp3", "--"}, TStartAction::saRefuse, "--"},
    };
    for (const Case& c : cases) {
        const TStartChoice choice = ChooseStartAction(c.Arguments);
        EXPECT_EQ(choice.Action, c.Action) << testing::PrintToString(c.Arguments);
        EXPECT_EQ(choice.Refused, c.Refused);
    }
}

TEST(StartOptions, ArgumentsAreTakenFromTheWorkingFolderAndHandedOverAsUris) {
    using V = std::vector<std::string>;
    struct Case {
        V Arguments;
        V Paths; // what the start works with
        V Uris;  // what a second start hands over
    } cases[] = {
        {{}, {}, {}},
        {{"/auto"}, {"/auto"}, {}},
        {{"/AUTO", "a.mp3"}, {"/AUTO", "/home/u/a.mp3"}, {}}, // the schedule's start: no files
        {{"a.mp3", "sub/../b.m3u"},
         {"/home/u/a.mp3", "/home/u/b.m3u"},
         {"file:///home/u/a.mp3", "file:///home/u/b.m3u"}},
        {{"/m/a b#1.mp3"}, {"/m/a b#1.mp3"}, {"file:///m/a%20b%231.mp3"}},
        {{"file:///m/a%20b.mp3"}, {"/m/a b.mp3"}, {"file:///m/a%20b.mp3"}}, // a launcher's %U
        {{"mms://radio.example/live"}, {"mms://radio.example/live"}, {"mms://radio.example/live"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StartArguments(c.Arguments, "/home/u"), c.Paths)
            << testing::PrintToString(c.Arguments);
        EXPECT_EQ(HandOverUris(StartArguments(c.Arguments, "/home/u")), c.Uris)
            << testing::PrintToString(c.Arguments);
    }
}

struct TRun {
    int ExitCode = -1;
    QString Out, Err;
};

// The runtime folder of the real program's runs: it holds their single-instance lock.
const QTemporaryDir& Runtime() {
    static QTemporaryDir runtime;
    return runtime;
}

// The real program, with its own lock and registry, silent, without a display unless asked.
TRun RunProgram(const QStringList& arguments, bool display) {
    static QTemporaryDir registry;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", Runtime().path());
    environment.insert("TAVURO_INSTANCE_DIR", Runtime().path());
    environment.insert("TAVURO_REGISTRY_DIR", registry.path());
    environment.insert("TAVURO_NULL_OUTPUT", "1");
    environment.remove("DBUS_SESSION_BUS_ADDRESS");
    // English whatever the machine's locale (LanguageTest covers the others).
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
        environment.remove(name);
    environment.insert("LANG", "en_US.UTF-8");
    if (!display)
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QString(TAVURO_PROGRAM_DIR) + "/tavuro", arguments);
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

TEST(StartOptions, TheProgramAnswersItsSwitchesAndRunsWithoutADisplay) {
    QTemporaryDir clips;
    const QString tone = clips.filePath("tone.wav");
    ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 -e signed-integer '" + tone.toStdString() +
                           "' synth 1 sine 440")
                              .c_str()),
              0);
    struct Case {
        QStringList Arguments;
        bool Display;
        int ExitCode;
        QString InOut, InErr; // texts the output must hold; an empty one: nothing at all
    } cases[] = {
        {{"--help"}, true, 0, "Usage: tavuro", ""},
        {{"-h"}, true, 0, "Usage: tavuro", ""},
        {{"--version"}, true, 0, "tavuro 0.1\n", ""},
        {{"--x"}, true, 2, "", "tavuro: unknown option --x\n\nUsage: tavuro"},
        // No display: the single file plays to its end; the program then ends.
        {{tone}, false, 0, "", "running on Qt's offscreen platform"},
        // A message box no one can see is printed and answered: the program does not wait.
        {{clips.filePath("missing.mp3")},
         false,
         0,
         "",
         "tavuro: missing: Cannot play: unknown format or wrong path."},
    };
    for (const Case& c : cases) {
        const TRun run = RunProgram(c.Arguments, c.Display);
        const std::string name = c.Arguments.join(' ').toStdString();
        EXPECT_EQ(run.ExitCode, c.ExitCode) << name << "\n" << run.Err.toStdString();
        if (c.InOut.isEmpty())
            EXPECT_EQ(run.Out.toStdString(), "") << name;
        else
            EXPECT_TRUE(run.Out.contains(c.InOut)) << name << ": " << run.Out.toStdString();
        if (c.InErr.isEmpty())
            EXPECT_EQ(run.Err.toStdString(), "") << name;
        else
            EXPECT_TRUE(run.Err.contains(c.InErr)) << name << ": " << run.Err.toStdString();
    }
}

// A second start while another player holds the guard: without a session bus nothing reaches
// that player, and a second start with a file says so rather than end as if it had handed it
// over; one with nothing to hand over ends silently.
TEST(StartOptions, ASecondStartWithoutASessionBusSaysItHandedNothingOver) {
    setenv("TAVURO_INSTANCE_DIR", Runtime().path().toUtf8().constData(), 1);
    TSingleInstanceLock first("Tavuro 2008");
    ASSERT_TRUE(first.TryAcquire());
    unsetenv("TAVURO_INSTANCE_DIR");
    const TRun withFile = RunProgram({"/m/song.mp3"}, false);
    EXPECT_EQ(withFile.ExitCode, 1);
    EXPECT_TRUE(withFile.Err.contains("no session bus")) << withFile.Err.toStdString();
    EXPECT_TRUE(withFile.Err.contains("/m/song.mp3")) << withFile.Err.toStdString();
    for (const QStringList& nothing : {QStringList{}, QStringList{"/AUTO"}}) {
        const TRun run = RunProgram(nothing, false);
        EXPECT_EQ(run.ExitCode, 0);
        EXPECT_EQ(run.Err.toStdString() + run.Out.toStdString(), "");
    }
}

} // namespace
} // namespace tavuro
