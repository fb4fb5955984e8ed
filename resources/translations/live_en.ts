<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>MainWidget</name>
    <message>
        <source> Bandwidth: </source>
        <translation> Bandwidth: </translation>
    </message>
    <message>
        <source> Events: </source>
        <translation> Events: </translation>
    </message>
    <message>
        <source>Open camera: </source>
        <translation>Open camera: </translation>
    </message>
    <message>
        <source>failed.</source>
        <translation>failed.</translation>
    </message>
    <message>
        <source>Fusion cameras are not supported in this version.</source>
        <translation>Fusion cameras are not supported in this version.</translation>
    </message>
    <message>
        <source>There is a conflict between the camera ip and the local ip!</source>
        <translation>There is a conflict between the camera ip and the local ip!</translation>
    </message>
    <message>
        <source>The camera ip is not in the same network segment as the local ip!</source>
        <translation>The camera ip is not in the same network segment as the local ip!</translation>
    </message>
    <message>
        <source>The Quillex.320camera firmware is outdated. Please contact sales for a firmware upgrade.</source>
        <translation>The Quillex.320camera firmware is outdated. Please contact sales for a firmware upgrade.</translation>
    </message>
    <message>
        <source>Camera connection lost.</source>
        <translation>Camera connection lost.</translation>
    </message>
    <message>
        <source>Failed to start recording.</source>
        <translation>Failed to start recording.</translation>
    </message>
    <message>
        <source>Save file success!</source>
        <translation>Save file success!</translation>
    </message>
</context>
<context>
    <name>CamerasList</name>
    <message>
        <source>Open a camera</source>
        <translation>Open a camera</translation>
    </message>
    <message>
        <source>Camera List</source>
        <translation>Camera List</translation>
    </message>
    <message>
        <source>Search Cameras...</source>
        <translation>Search Cameras...</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Open</translation>
    </message>
</context>
<context>
    <name>ShowCameraInfoUI</name>
    <message>
        <source>Camera Info</source>
        <translation>Camera Info</translation>
    </message>
    <message>
        <source>Product: </source>
        <translation>Product: </translation>
    </message>
    <message>
        <source>Manufacturer:</source>
        <translation>Manufacturer:</translation>
    </message>
    <message>
        <source>Firmware version :</source>
        <translation>Firmware version :</translation>
    </message>
    <message>
        <source>Serial :</source>
        <translation>Serial :</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>ZxFileRecorder</name>
    <message>
        <source>Recording file ... </source>
        <translation>Recording file ... </translation>
    </message>
    <message>
        <source>Currently being recorded.</source>
        <translation>Currently being recorded.</translation>
    </message>
    <message>
        <source>Failed to start recording.</source>
        <translation>Failed to start recording.</translation>
    </message>
    <message>
        <source>Recording end</source>
        <translation>Recording end</translation>
    </message>
</context>
</TS>
