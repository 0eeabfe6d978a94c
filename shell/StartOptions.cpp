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
        if (argument.rfind("--", 0) != 0)
            continue;
        if (argument == "--help")
            return {TStartAction::saHelp, {}};
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
           "       tavuro /AUTO           play only if the schedule allows it now\n"
           "       tavuro --help | --version\n"
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

std::string LocalArgument(const std::string& argument) {
    if (argument.rfind("file:", 0) != 0)
        return argument;
    return PathOfUri(QString::fromStdString(argument)).value_or(argument);
}

std::optional<std::string> HandOverUri(const std::vector<std::string>& arguments,
                                       const std::string& workingFolder) {
    if (arguments.size() != 1 || UpperAscii(arguments.front()) == "/AUTO")
        return std::nullopt;
    const std::string argument = LocalArgument(arguments.front());
    if (argument.empty())
        return std::nullopt;
    if (IsNetworkAddress(argument))
        return argument;
    const QString absolute =
        QDir::cleanPath(QDir(QString::fromStdString(workingFolder))
                            .absoluteFilePath(QString::fromStdString(argument)));
    return UriOfPath(absolute.toStdString()).toStdString();
}

} // namespace tavuro
