#include "shell/StartOptions.h"

#include <QDir>

#include "common/Text.h"
#include "shell/MediaUri.h"
#include "shell/PlaylistEntry.h"

#ifndef TAVURO_VERSION
#define TAVURO_VERSION "unknown"
#endif

namespace tavuro {

TStartChoice ChooseStartAction(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "-h" || argument == "--help")
            return {TStartAction::saHelp, {}};
        if (argument.rfind("--", 0) != 0)
            continue;
        if (argument == "--version")
            return {TStartAction::saVersion, {}};
        return {TStartAction::saRefuse, argument};
    }
    return {};
}

std::string UsageText() {
    return "Usage: tavuro                 open the player on its playlist\n"
           "       tavuro FILE            play this one file, then exit\n"
           "       tavuro PLAYLIST.m3u    load this playlist and start playing\n"
           "       tavuro ADDRESS         play a network stream (http://, mms://, ...)\n"
           "       tavuro FILE FILE...    add the files to the playlist and play the first\n"
           "       tavuro /AUTO           play only if the schedule allows it now\n"
           "       tavuro -h | --help | --version\n"
           "\n"
           "Only one player runs at a time: a second start hands its file, playlist or address\n"
           "to the running player, which adds and plays it, and ends at once.\n"
           "\n"
           "Environment:\n"
           "  TAVURO_NULL_OUTPUT=1   no sound and no video window\n"
           "  TAVURO_REGISTRY_DIR    where the registry store lives (default "
           "$XDG_CONFIG_HOME/tavuro/)\n"
           "  TAVURO_DEBUG=1         diagnostics on standard error\n"
           "\n"
           "Files: playmode.ini and the .m3u playlists live in the program folder, or in\n"
           "$XDG_DATA_HOME/tavuro/ (default ~/.local/share/tavuro/) when the program folder is\n"
           "not writable.\n";
}

std::string VersionText() {
    return std::string("tavuro ") + TAVURO_VERSION + "\n";
}

namespace {

bool IsAuto(const std::string& argument) {
    return UpperAscii(argument) == "/AUTO";
}

std::string StartArgument(const std::string& argument, const std::string& workingFolder) {
    if (argument.rfind("file:", 0) == 0)
        return PathOfUri(QString::fromStdString(argument)).value_or(argument);
    if (IsAuto(argument) || IsNetworkAddress(argument) || argument.empty())
        return argument;
    return QDir::cleanPath(QDir(QString::fromStdString(workingFolder))
                               .absoluteFilePath(QString::fromStdString(argument)))
        .toStdString();
}

} // namespace

std::vector<std::string> StartArguments(const std::vector<std::string>& arguments,
                                        const std::string& workingFolder) {
    std::vector<std::string> paths;
    for (const std::string& argument : arguments)
        paths.push_back(StartArgument(argument, workingFolder));
    return paths;
}

std::vector<std::string> HandOverUris(const std::vector<std::string>& startArguments) {
    std::vector<std::string> uris;
    if (startArguments.empty() || IsAuto(startArguments.front()))
        return uris;
    for (const std::string& path : startArguments)
        if (!path.empty())
            uris.push_back(UriOfPath(path).toStdString());
    return uris;
}

} // namespace tavuro
