// The real program on an audio file of the media control when no sound device can be opened:
// it says so on standard error and goes on (a single file: the program ends), rather than
// playing the file's length in silence.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

namespace tavuro {
namespace {

TEST(MediaControlOutput, AFileWithoutASoundDeviceIsToldAndSkipped) {
    QTemporaryDir work;
    const QString song = work.filePath("song.m4a"); // no format of the audio library
    ASSERT_EQ(std::system(("ffmpeg -loglevel error -f lavfi -i sine=frequency=440:duration=20 "
                           "-c:a aac '" +
                           song.toStdString() + "'")
                              .c_str()),
              0);
    // Without the audio library every entry goes to the media control.
    const QString program = work.filePath("tavuro");
    ASSERT_TRUE(QFile::copy(QString(TAVURO_PROGRAM_DIR) + "/tavuro", program));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", work.path());
    environment.insert("TAVURO_INSTANCE_DIR", work.path());
    environment.insert("TAVURO_REGISTRY_DIR", work.filePath("registry"));
    // No output of mpv's can be opened.
    environment.insert("SDL_AUDIODRIVER", "no-such-driver");
    environment.insert("PULSE_SERVER", work.filePath("no-pulse"));
    environment.insert("PIPEWIRE_REMOTE", work.filePath("no-pipewire"));
    environment.insert("ALSA_CONFIG_PATH", work.filePath("no-alsa.conf"));
    environment.insert("JACK_NO_START_SERVER", "1");
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "TAVURO_NULL_OUTPUT",
                             "DBUS_SESSION_BUS_ADDRESS"})
        environment.remove(name);
    QProcess player;
    player.setProcessEnvironment(environment);
    player.start(program, {song});
    const bool ended = player.waitForFinished(10000); // well before the song's 20 seconds
    if (!ended)
        player.kill();
    player.waitForFinished();
    const QString errors = QString::fromUtf8(player.readAllStandardError());
    EXPECT_TRUE(ended) << "the song played its length in silence";
    EXPECT_TRUE(
        errors.contains(QString::fromUtf8("tavuro: %1: 声卡未安装或者被占用,不能播放!").arg(song)))
        << errors.toStdString();
}

} // namespace
} // namespace tavuro
