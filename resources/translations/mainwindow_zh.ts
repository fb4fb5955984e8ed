<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>MainWidget</name>
    <message>
        <source>Open Camera</source>
        <translation>打开相机</translation>
    </message>
    <message>
        <source>Camera Info</source>
        <translation>相机信息</translation>
    </message>
    <message>
        <source>IP Configuration</source>
        <translation>IP 配置</translation>
    </message>
    <message>
        <source>Open Recording</source>
        <translation>打开录制文件</translation>
    </message>
    <message>
        <source>Save as...</source>
        <translation>另存为...</translation>
    </message>
    <message>
        <source>Cut Recording</source>
        <translation>剪切录制文件</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>General Setting</source>
        <translation>通用设置</translation>
    </message>
    <message>
        <source>About us</source>
        <translation>关于我们</translation>
    </message>
    <message>
        <source>Toggle Start/End Point</source>
        <translation>切换起止点</translation>
    </message>
    <message>
        <source>Play/Stop</source>
        <translation>播放/停止</translation>
    </message>
    <message>
        <source>Start/Stop recording</source>
        <translation>开始/停止录制</translation>
    </message>
    <message>
        <source>Previous frame</source>
        <translation>上一帧</translation>
    </message>
    <message>
        <source>Next frame</source>
        <translation>下一帧</translation>
    </message>
    <message>
        <source>Reset the playback progress to the beginning</source>
        <translation>将播放进度重置到开头</translation>
    </message>
    <message>
        <source>Select to automatically replay at the end of the playback</source>
        <translation>选中后播放结束时自动重播</translation>
    </message>
    <message>
        <source>Select a raw file</source>
        <translation>选择 raw 文件</translation>
    </message>
    <message>
        <source>RAW files (*.raw)</source>
        <translation>RAW 文件 (*.raw)</translation>
    </message>
    <message>
        <source>The recording does not exist.</source>
        <translation>录制文件不存在。</translation>
    </message>
    <message>
        <source>Fusion recordings cannot be played in this version.</source>
        <translation>此版本无法播放融合录制文件。</translation>
    </message>
    <message>
        <source>Please open a raw file first.</source>
        <translation>请先打开 raw 文件。</translation>
    </message>
    <message>
        <source> | Time: </source>
        <translation> | 时间：</translation>
    </message>
    <message>
        <source>Camera: </source>
        <translation>相机：</translation>
    </message>
    <message>
        <source>File name: </source>
        <translation>文件名：</translation>
    </message>
    <message>
        <source>Bandwidth: Mbps</source>
        <translation>带宽：Mbps</translation>
    </message>
    <message>
        <source>Current version: %1</source>
        <translation>当前版本：%1</translation>
    </message>
    <message>
        <source>This software uses the Qt library under the GNU LGPL version 3, linked dynamically; the Qt source code has not been modified.</source>
        <translation>本软件依据 GNU LGPL 第 3 版使用 Qt 库，采用动态链接，未修改 Qt 源代码。</translation>
    </message>
    <message>
        <source>Visit the quillex official website?</source>
        <translation>是否访问 quillex 官方网站？</translation>
    </message>
    <message>
        <source>Tips</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Exporting video... %1%</source>
        <translation>正在导出视频... %1%</translation>
    </message>
    <message>
        <source>Cutting recording... %1%</source>
        <translation>正在剪切录制文件... %1%</translation>
    </message>
</context>
<context>
    <name>ZxTimeRangeDialog</name>
    <message>
        <source>Start Time</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>End Time</source>
        <translation>结束时间</translation>
    </message>
    <message>
        <source>Save File Path</source>
        <translation>保存路径</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>文件名</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Select Directory</source>
        <translation>选择目录</translation>
    </message>
    <message>
        <source>The start time must be a whole number of microseconds.</source>
        <translation>开始时间必须是以微秒为单位的整数。</translation>
    </message>
    <message>
        <source>The end time must be a whole number of microseconds.</source>
        <translation>结束时间必须是以微秒为单位的整数。</translation>
    </message>
    <message>
        <source>The start time must be before the end time.</source>
        <translation>开始时间必须早于结束时间。</translation>
    </message>
    <message>
        <source>The range must lie within the recording, %1 to %2 us.</source>
        <translation>时间范围必须在录制文件之内，即 %1 至 %2 微秒。</translation>
    </message>
    <message>
        <source>Choose an existing folder.</source>
        <translation>请选择一个已存在的文件夹。</translation>
    </message>
    <message>
        <source>Enter a file name.</source>
        <translation>请输入文件名。</translation>
    </message>
    <message>
        <source>The file name must not contain a folder.</source>
        <translation>文件名不能包含文件夹。</translation>
    </message>
    <message>
        <source>A file with this name already exists.</source>
        <translation>同名文件已存在。</translation>
    </message>
</context>
<context>
    <name>ZxExportVideoUI</name>
    <message>
        <source>Export a video</source>
        <translation>导出视频</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
</context>
<context>
    <name>ZxCutRawFile</name>
    <message>
        <source>Cut Recording</source>
        <translation>剪切录制文件</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>剪切</translation>
    </message>
</context>
</TS>
