#include "shell/MediaFormats.h"

#include <QtGlobal>

#include "platform/Translations.h"
#include "shell/Main.h"

namespace tavuro {

std::vector<TFileFilter> OpenDialogFilters() {
    // The newer formats follow the original lists, which keep their order.
    const std::vector<std::pair<const char*, const char*>> filters = {
        {QT_TRANSLATE_NOOP("TMainForm", "媒体文件(所有类型)"),
         "*.mid;*.rmi;*.kar;*.midi;*.mp3;*.wma;*.wav;*.cda;*.mpa;*.mp1;*.mp2;*.ogg;*.snd;*.au;"
         "*.aif;*.aiff;*.flac;*.opus;*.oga;*.m4a;*.aac;*.avi;*.mpg;*.dat;*.wmv;*.asf;*.wm;*.mpeg;"
         "*.m1v;*.vob;*.mp4;*.m4v;*.mkv;*.webm;*.mov;*.m3u;*.pls"},
        {QT_TRANSLATE_NOOP("TMainForm", "MIDI音乐(MID;RMI...)"), "*.mid;*.rmi;*.kar;*.midi"},
        {QT_TRANSLATE_NOOP("TMainForm", "音频文件(MP3;WMA...)"),
         "*.mp3;*.wma;*.wav;*.cda;*.mpa;*.mp1;*.mp2;*.ogg;*.snd;*.au;*.aif;*.aiff;*.flac;*.opus;"
         "*.oga;*.m4a;*.aac"},
        {QT_TRANSLATE_NOOP("TMainForm", "视频文件(AVI;MPG...)"),
         "*.avi;*.mpg;*.dat;*.wmv;*.asf;*.wm;*.mpeg;*.m1v;*.vob;*.mp4;*.m4v;*.mkv;*.webm;*.mov"},
        {QT_TRANSLATE_NOOP("TMainForm", "播放列表(M3U)"), "*.m3u;*.pls"},
        {QT_TRANSLATE_NOOP("TMainForm", "所有文件(*)"), "*.*"},
    };
    std::vector<TFileFilter> translated;
    for (const auto& [description, patterns] : filters)
        translated.push_back({TranslateUtf8(FormContext, description), patterns});
    return translated;
}

const std::vector<std::string>& PlayableMimeTypes() {
    static const std::vector<std::string> types = {"audio/midi",
                                                   "audio/x-midi",
                                                   "audio/mpeg",
                                                   "audio/mp2",
                                                   "audio/x-ms-wma",
                                                   "audio/x-wav",
                                                   "audio/wav",
                                                   "audio/ogg",
                                                   "audio/x-vorbis+ogg",
                                                   "audio/basic",
                                                   "audio/x-aiff",
                                                   "audio/flac",
                                                   "audio/x-flac",
                                                   "audio/x-opus+ogg",
                                                   "audio/mp4",
                                                   "audio/x-m4a",
                                                   "audio/aac",
                                                   "video/x-msvideo",
                                                   "video/mpeg",
                                                   "video/x-ms-wmv",
                                                   "video/x-ms-asf",
                                                   "video/mp4",
                                                   "video/x-m4v",
                                                   "video/x-matroska",
                                                   "video/webm",
                                                   "video/quicktime",
                                                   "audio/x-mpegurl",
                                                   "audio/mpegurl",
                                                   "application/vnd.apple.mpegurl",
                                                   "audio/x-scpls"};
    return types;
}

} // namespace tavuro
