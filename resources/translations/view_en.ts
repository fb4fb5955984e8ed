<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>ZxEventProcessor</name>
    <message>
        <source>Export raw file success!</source>
        <translation>Export raw file success!</translation>
    </message>
    <message>
        <source>Export video success!</source>
        <translation>Export video success!</translation>
    </message>
    <message>
        <source>Load raw file failed!</source>
        <translation>Load raw file failed!</translation>
    </message>
    <message>
        <source>Read raw file failed!</source>
        <translation>Read raw file failed!</translation>
    </message>
    <message>
        <source>Export raw file failed!</source>
        <translation>Export raw file failed!</translation>
    </message>
    <message>
        <source>Export video failed!</source>
        <translation>Export video failed!</translation>
    </message>
</context>
</TS>
