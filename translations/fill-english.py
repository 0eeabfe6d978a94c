#!/usr/bin/env python3
"""Writes the English wording into tavuro_en.ts after lupdate: translations/update.sh runs it."""
import sys
import xml.etree.ElementTree as ET

USAGE_EN = (
    "Usage: tavuro                 open the player on its playlist\n"
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
    "  TAVURO_REGISTRY_DIR    where the registry store lives (default $XDG_CONFIG_HOME/tavuro/)\n"
    "  TAVURO_DEBUG=1         diagnostics on standard error\n"
    "\n"
    "Files: playmode.ini and the .m3u playlists live in the program folder, or in\n"
    "$XDG_DATA_HOME/tavuro/ (default ~/.local/share/tavuro/) when the program folder is\n"
    "not writable.\n")

ENGLISH = {
    # The window's buttons, grips and keys.
    "播放": "Play",
    "下一个": "Next",
    "版权所有": "About",
    "停止": "Stop",
    "电平表": "External MIDI player",
    "顺序": "In order (click: shuffle)",
    "随机": "Shuffle (click: in order)",
    "打开": "Open",
    "最小化": "Minimise",
    "电源": "Quit",
    "下一个/右击停止": "Next (right-click: stop)",
    "移动/双击关闭": "Move (double-click: quit)",
    "删除": "Delete",
    "透明化": "See-through",
    "进度": "Progress",
    "播放列表": "Playlist",
    "频谱显示": "Spectrum",
    # Titles and the empty list.
    "智能模式@暂停/Tavuro": "Smart mode@paused/Tavuro",
    "正在连接/Tavuro": "Connecting/Tavuro",
    "制作 ": "by ",
    # The open dialog's filters.
    "媒体文件(所有类型)": "Media files (all types)",
    "MIDI音乐(MID;RMI...)": "MIDI music (MID;RMI...)",
    "音频文件(MP3;WMA...)": "Audio files (MP3;WMA...)",
    "视频文件(AVI;MPG...)": "Video files (AVI;MPG...)",
    "播放列表(M3U)": "Playlists (M3U)",
    "所有文件(*)": "All files (*)",
    # Messages.
    "地址有误或者尚未联网,不能播放!": "Cannot play: the address is wrong or the network is down.",
    "格式不明或者路径有误,不能播放!": "Cannot play: unknown format or wrong path.",
    "该文件不包含任何媒体信息,即将删除之!": "This playlist holds no media; it will be deleted.",
    "该文件不包含任何媒体信息!": "This playlist holds no media.",
    "无法打开文件 \"%1\": %2": "Cannot open \"%1\": %2",
    "无法保存文件 \"%1\": %2": "Cannot save \"%1\": %2",
    "提示": "Tavuro",
    "声卡未安装或者被占用,不能运行!": "Cannot start: no sound device, or it is busy.",
    "BASS version is not 2.0 !": "BASS version is not 2.0 !",
    "Player is not ready !": "Player is not ready !",
    "Sound card does not support 16-bit sources.": "Sound card does not support 16-bit sources.",
    "Winamp input plug-in for ASF (or WMA) file is not loaded.":
        "Winamp input plug-in for ASF (or WMA) file is not loaded.",
    "Can't play the specified stream : ": "Can't play the specified stream : ",
    "tavuro: %1: 声卡未安装或者被占用,不能播放!": "tavuro: %1: cannot play: no sound device, or it is busy.",
    "tavuro: playmode.ini: 定时计划 \"%1\" 无效(PQAABBCCDD: P 不为 0, Q >= P, DD <= AA <= BB <= CC <= 24),改用默认的 1213152208":
        "tavuro: playmode.ini: the schedule \"%1\" is not valid (PQAABBCCDD: P not 0, Q >= P, "
        "DD <= AA <= BB <= CC <= 24); the default 1213152208 is used instead",
    # XGPlayer.
    "没有指定MIDI文件!": "No MIDI file was given.",
    "无法打开MIDI文件:\n%1": "Cannot open the MIDI file:\n%1",
    "找不到通用MIDI音色库或者声卡,不能播放!":
        "No General MIDI SoundFont or sound device could be set up.",
    "音量 %1 %,混响 %2": "Volume %1 %, reverb %2",
    "开": "on",
    "关": "off",
    # The command line.
    "tavuro: 未知选项 ": "tavuro: unknown option ",
    "tavuro: 找不到显示器: 在 Qt 的 offscreen 平台上运行,只有声音。\n":
        "tavuro: no display found: running on Qt's offscreen platform, sound only.\n",
}

path = sys.argv[1]
tree = ET.parse(path)
missing = []
for message in tree.iter("message"):
    source = message.findtext("source")
    translation = message.find("translation")
    if source.startswith("用法: tavuro"):
        english = USAGE_EN
    else:
        english = ENGLISH.get(source)
    if english is None:
        missing.append(source)
        continue
    translation.text = english
    translation.attrib.pop("type", None)
with open(path, "wb") as out:
    out.write(b'<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n')
    tree.write(out, encoding="utf-8", xml_declaration=False)
    out.write(b"\n")
if missing:
    sys.exit("no English for: " + ", ".join(repr(m) for m in missing))
