<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ZxEventProcessor</name>
    <message>
        <source>Export raw file success!</source>
        <translation>导出原始文件成功！</translation>
    </message>
    <message>
        <source>Export video success!</source>
        <translation>导出视频成功！</translation>
    </message>
    <message>
        <source>Load raw file failed!</source>
        <translation>加载原始文件失败！</translation>
    </message>
    <message>
        <source>Read raw file failed!</source>
        <translation>读取原始文件失败！</translation>
    </message>
    <message>
        <source>Export raw file failed!</source>
        <translation>导出原始文件失败！</translation>
    </message>
    <message>
        <source>Export video failed!</source>
        <translation>导出视频失败！</translation>
    </message>
</context>
</TS>
