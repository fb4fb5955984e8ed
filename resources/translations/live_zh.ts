<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>MainWidget</name>
    <message>
        <source> Bandwidth: </source>
        <translation> 带宽：</translation>
    </message>
    <message>
        <source> Events: </source>
        <translation> 事件：</translation>
    </message>
    <message>
        <source>Open camera: </source>
        <translation>打开相机：</translation>
    </message>
    <message>
        <source>failed.</source>
        <translation>失败。</translation>
    </message>
    <message>
        <source>Fusion cameras are not supported in this version.</source>
        <translation>当前版本不支持融合相机。</translation>
    </message>
    <message>
        <source>There is a conflict between the camera ip and the local ip!</source>
        <translation>相机IP与本机IP冲突！</translation>
    </message>
    <message>
        <source>The camera ip is not in the same network segment as the local ip!</source>
        <translation>相机IP与本机IP不在同一网段！</translation>
    </message>
    <message>
        <source>The Quillex.320camera firmware is outdated. Please contact sales for a firmware upgrade.</source>
        <translation>Quillex.320camera 固件版本过旧，请联系销售升级固件。</translation>
    </message>
    <message>
        <source>Camera connection lost.</source>
        <translation>相机连接已断开。</translation>
    </message>
    <message>
        <source>Failed to start recording.</source>
        <translation>开始录制失败。</translation>
    </message>
    <message>
        <source>Save file success!</source>
        <translation>文件保存成功！</translation>
    </message>
</context>
<context>
    <name>CamerasList</name>
    <message>
        <source>Open a camera</source>
        <translation>打开相机</translation>
    </message>
    <message>
        <source>Camera List</source>
        <translation>相机列表</translation>
    </message>
    <message>
        <source>Search Cameras...</source>
        <translation>搜索相机...</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
</context>
<context>
    <name>ShowCameraInfoUI</name>
    <message>
        <source>Camera Info</source>
        <translation>相机信息</translation>
    </message>
    <message>
        <source>Product: </source>
        <translation>产品：</translation>
    </message>
    <message>
        <source>Manufacturer:</source>
        <translation>制造商：</translation>
    </message>
    <message>
        <source>Firmware version :</source>
        <translation>固件版本：</translation>
    </message>
    <message>
        <source>Serial :</source>
        <translation>序列号：</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
</context>
<context>
    <name>ZxFileRecorder</name>
    <message>
        <source>Recording file ... </source>
        <translation>正在录制文件 ... </translation>
    </message>
    <message>
        <source>Currently being recorded.</source>
        <translation>当前正在录制。</translation>
    </message>
    <message>
        <source>Failed to start recording.</source>
        <translation>开始录制失败。</translation>
    </message>
    <message>
        <source>Recording end</source>
        <translation>录制结束</translation>
    </message>
</context>
</TS>
