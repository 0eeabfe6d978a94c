#include "shell/StartOptions.h"

#include <QDir>

#include "common/Text.h"
#include "platform/Translations.h"
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
    return TranslateUtf8(
        "tavuro",
        "用法: tavuro                 打开播放器及其播放列表\n"
        "      tavuro 文件            只播放这一个文件,然后退出\n"
        "      tavuro 列表.m3u        载入这个播放列表并立即开始播放\n"
        "      tavuro 地址            播放网络流 (http://, mms://, ...)\n"
        "      tavuro 文件 文件...    把这些文件加入播放列表并播放第一个\n"
        "      tavuro /AUTO           只在定时计划允许时播放\n"
        "      tavuro -h | --help | --version\n"
        "\n"
        "同一时间只运行一个播放器: 再次启动时把文件、播放列表或地址交给正在运行的播放器,\n"
        "由它添加并播放,然后立即退出。\n"
        "\n"
        "环境变量:\n"
        "  TAVURO_NULL_OUTPUT=1   没有声音,也没有视频窗口\n"
        "  TAVURO_REGISTRY_DIR    注册表存放的文件夹 (默认 $XDG_CONFIG_HOME/tavuro/)\n"
        "  TAVURO_DEBUG=1         在标准错误上输出诊断信息\n"
        "\n"
        "文件: playmode.ini 和 .m3u 播放列表存放在程序文件夹中;程序文件夹不可写时存放在\n"
        "$XDG_DATA_HOME/tavuro/ (默认 ~/.local/share/tavuro/)。\n");
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
