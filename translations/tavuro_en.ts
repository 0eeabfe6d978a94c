<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>TAudioEngine</name>
    <message>
        <source>提示</source>
        <translation>Tavuro</translation>
    </message>
    <message>
        <source>BASS version is not 2.0 !</source>
        <translation>BASS version is not 2.0 !</translation>
    </message>
    <message>
        <source>声卡未安装或者被占用,不能运行!</source>
        <translation>Cannot start: no sound device, or it is busy.</translation>
    </message>
    <message>
        <source>Player is not ready !</source>
        <translation>Player is not ready !</translation>
    </message>
    <message>
        <source>Sound card does not support 16-bit sources.</source>
        <translation>Sound card does not support 16-bit sources.</translation>
    </message>
    <message>
        <source>Winamp input plug-in for ASF (or WMA) file is not loaded.</source>
        <translation>Winamp input plug-in for ASF (or WMA) file is not loaded.</translation>
    </message>
    <message>
        <source>Can&apos;t play the specified stream : </source>
        <translation>Can&apos;t play the specified stream : </translation>
    </message>
</context>
<context>
    <name>TMainForm</name>
    <message>
        <source>智能模式@暂停/Tavuro</source>
        <translation>Smart mode@paused/Tavuro</translation>
    </message>
    <message>
        <source>正在连接/Tavuro</source>
        <translation>Connecting/Tavuro</translation>
    </message>
    <message>
        <source>制作 </source>
        <translation>by </translation>
    </message>
    <message>
        <source>无法保存文件 &quot;%1&quot;: %2</source>
        <translation>Cannot save &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>地址有误或者尚未联网,不能播放!</source>
        <translation>Cannot play: the address is wrong or the network is down.</translation>
    </message>
    <message>
        <source>格式不明或者路径有误,不能播放!</source>
        <translation>Cannot play: unknown format or wrong path.</translation>
    </message>
    <message>
        <source>媒体文件(所有类型)</source>
        <translation>Media files (all types)</translation>
    </message>
    <message>
        <source>MIDI音乐(MID;RMI...)</source>
        <translation>MIDI music (MID;RMI...)</translation>
    </message>
    <message>
        <source>音频文件(MP3;WMA...)</source>
        <translation>Audio files (MP3;WMA...)</translation>
    </message>
    <message>
        <source>视频文件(AVI;MPG...)</source>
        <translation>Video files (AVI;MPG...)</translation>
    </message>
    <message>
        <source>播放列表(M3U)</source>
        <translation>Playlists (M3U)</translation>
    </message>
    <message>
        <source>所有文件(*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>无法打开文件 &quot;%1&quot;: %2</source>
        <translation>Cannot open &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>该文件不包含任何媒体信息,即将删除之!</source>
        <translation>This playlist holds no media; it will be deleted.</translation>
    </message>
    <message>
        <source>该文件不包含任何媒体信息!</source>
        <translation>This playlist holds no media.</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>下一个</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>版权所有</source>
        <translation>About</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>电平表</source>
        <translation>External MIDI player</translation>
    </message>
    <message>
        <source>顺序</source>
        <translation>In order (click: shuffle)</translation>
    </message>
    <message>
        <source>随机</source>
        <translation>Shuffle (click: in order)</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>电源</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>进度</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>下一个/右击停止</source>
        <translation>Next (right-click: stop)</translation>
    </message>
    <message>
        <source>移动/双击关闭</source>
        <translation>Move (double-click: quit)</translation>
    </message>
    <message>
        <source>播放列表</source>
        <translation>Playlist</translation>
    </message>
    <message>
        <source>频谱显示</source>
        <translation>Spectrum</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>透明化</source>
        <translation>See-through</translation>
    </message>
    <message>
        <source>tavuro: playmode.ini: 定时计划 &quot;%1&quot; 无效(PQAABBCCDD: P 不为 0, Q &gt;= P, DD &lt;= AA &lt;= BB &lt;= CC &lt;= 24),改用默认的 1213152208</source>
        <translation>tavuro: playmode.ini: the schedule &quot;%1&quot; is not valid (PQAABBCCDD: P not 0, Q &gt;= P, DD &lt;= AA &lt;= BB &lt;= CC &lt;= 24); the default 1213152208 is used instead</translation>
    </message>
</context>
<context>
    <name>TNSPlay</name>
    <message>
        <source>tavuro: %1: 声卡未安装或者被占用,不能播放!</source>
        <translation>tavuro: %1: cannot play: no sound device, or it is busy.</translation>
    </message>
</context>
<context>
    <name>XGPlayer</name>
    <message>
        <source>没有指定MIDI文件!</source>
        <translation>No MIDI file was given.</translation>
    </message>
    <message>
        <source>开</source>
        <translation>on</translation>
    </message>
    <message>
        <source>关</source>
        <translation>off</translation>
    </message>
    <message>
        <source>音量 %1 %,混响 %2</source>
        <translation>Volume %1 %, reverb %2</translation>
    </message>
    <message>
        <source>无法打开MIDI文件:
%1</source>
        <translation>Cannot open the MIDI file:
%1</translation>
    </message>
    <message>
        <source>找不到通用MIDI音色库或者声卡,不能播放!</source>
        <translation>No General MIDI SoundFont or sound device could be set up.</translation>
    </message>
</context>
<context>
    <name>tavuro</name>
    <message>
        <source>tavuro: 未知选项 </source>
        <translation>tavuro: unknown option </translation>
    </message>
    <message>
        <source>tavuro: 找不到显示器: 在 Qt 的 offscreen 平台上运行,只有声音。
</source>
        <translation>tavuro: no display found: running on Qt&apos;s offscreen platform, sound only.
</translation>
    </message>
    <message>
        <source>用法: tavuro                 打开播放器及其播放列表
      tavuro 文件            只播放这一个文件,然后退出
      tavuro 列表.m3u        载入这个播放列表并立即开始播放
      tavuro 地址            播放网络流 (http://, mms://, ...)
      tavuro 文件 文件...    把这些文件加入播放列表并播放第一个
      tavuro /AUTO           只在定时计划允许时播放
      tavuro -h | --help | --version

同一时间只运行一个播放器: 再次启动时把文件、播放列表或地址交给正在运行的播放器,
由它添加并播放,然后立即退出。

环境变量:
  TAVURO_NULL_OUTPUT=1   没有声音,也没有视频窗口
  TAVURO_REGISTRY_DIR    注册表存放的文件夹 (默认 $XDG_CONFIG_HOME/tavuro/)
  TAVURO_DEBUG=1         在标准错误上输出诊断信息

文件: playmode.ini 和 .m3u 播放列表存放在程序文件夹中;程序文件夹不可写时存放在
$XDG_DATA_HOME/tavuro/ (默认 ~/.local/share/tavuro/)。
</source>
        <translation>Usage: tavuro                 open the player on its playlist
       tavuro FILE            play this one file, then exit
       tavuro PLAYLIST.m3u    load this playlist and start playing
       tavuro ADDRESS         play a network stream (http://, mms://, ...)
       tavuro FILE FILE...    add these files to the playlist and play the first
       tavuro /AUTO           play only if the schedule allows it now
       tavuro -h | --help | --version

Only one player runs at a time: a second start hands its file, playlist or address
to the running player, which adds and plays it, and ends at once.

Environment:
  TAVURO_NULL_OUTPUT=1   no sound and no video window
  TAVURO_REGISTRY_DIR    where the registry store lives (default $XDG_CONFIG_HOME/tavuro/)
  TAVURO_DEBUG=1         diagnostics on standard error

Files: playmode.ini and the .m3u playlists live in the program folder, or in
$XDG_DATA_HOME/tavuro/ (default ~/.local/share/tavuro/) when the program folder is
not writable.
</translation>
    </message>
</context>
</TS>
