<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>MainWidget</name>
    <message>
        <source>Open Camera</source>
        <translation>Open Camera</translation>
    </message>
    <message>
        <source>Camera Info</source>
        <translation>Camera Info</translation>
    </message>
    <message>
        <source>IP Configuration</source>
        <translation>IP Configuration</translation>
    </message>
    <message>
        <source>Open Recording</source>
        <translation>Open Recording</translation>
    </message>
    <message>
        <source>Save as...</source>
        <translation>Save as...</translation>
    </message>
    <message>
        <source>Cut Recording</source>
        <translation>Cut Recording</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>General Setting</source>
        <translation>General Setting</translation>
    </message>
    <message>
        <source>About us</source>
        <translation>About us</translation>
    </message>
    <message>
        <source>Toggle Start/End Point</source>
        <translation>Toggle Start/End Point</translation>
    </message>
    <message>
        <source>Play/Stop</source>
        <translation>Play/Stop</translation>
    </message>
    <message>
        <source>Start/Stop recording</source>
        <translation>Start/Stop recording</translation>
    </message>
    <message>
        <source>Previous frame</source>
        <translation>Previous frame</translation>
    </message>
    <message>
        <source>Next frame</source>
        <translation>Next frame</translation>
    </message>
    <message>
        <source>Reset the playback progress to the beginning</source>
        <translation>Reset the playback progress to the beginning</translation>
    </message>
    <message>
        <source>Select to automatically replay at the end of the playback</source>
        <translation>Select to automatically replay at the end of the playback</translation>
    </message>
    <message>
        <source>Select a raw file</source>
        <translation>Select a raw file</translation>
    </message>
    <message>
        <source>RAW files (*.raw)</source>
        <translation>RAW files (*.raw)</translation>
    </message>
    <message>
        <source>The recording does not exist.</source>
        <translation>The recording does not exist.</translation>
    </message>
    <message>
        <source>Fusion recordings cannot be played in this version.</source>
        <translation>Fusion recordings cannot be played in this version.</translation>
    </message>
    <message>
        <source>Please open a raw file first.</source>
        <translation>Please open a raw file first.</translation>
    </message>
    <message>
        <source> | Time: </source>
        <translation> | Time: </translation>
    </message>
    <message>
        <source>Camera: </source>
        <translation>Camera: </translation>
    </message>
    <message>
        <source>File name: </source>
        <translation>File name: </translation>
    </message>
    <message>
        <source>Bandwidth: Mbps</source>
        <translation>Bandwidth: Mbps</translation>
    </message>
    <message>
        <source>Current version: %1</source>
        <translation>Current version: %1</translation>
    </message>
    <message>
        <source>This software uses the Qt library under the GNU LGPL version 3, linked dynamically; the Qt source code has not been modified.</source>
        <translation>This software uses the Qt library under the GNU LGPL version 3, linked dynamically; the Qt source code has not been modified.</translation>
    </message>
    <message>
        <source>Visit the quillex official website?</source>
        <translation>Visit the quillex official website?</translation>
    </message>
    <message>
        <source>Tips</source>
        <translation>Tips</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Exporting video... %1%</source>
        <translation>Exporting video... %1%</translation>
    </message>
    <message>
        <source>Cutting recording... %1%</source>
        <translation>Cutting recording... %1%</translation>
    </message>
</context>
<context>
    <name>ZxTimeRangeDialog</name>
    <message>
        <source>Start Time</source>
        <translation>Start Time</translation>
    </message>
    <message>
        <source>End Time</source>
        <translation>End Time</translation>
    </message>
    <message>
        <source>Save File Path</source>
        <translation>Save File Path</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>File Name</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Select Directory</source>
        <translation>Select Directory</translation>
    </message>
    <message>
        <source>The start time must be a whole number of microseconds.</source>
        <translation>The start time must be a whole number of microseconds.</translation>
    </message>
    <message>
        <source>The end time must be a whole number of microseconds.</source>
        <translation>The end time must be a whole number of microseconds.</translation>
    </message>
    <message>
        <source>The start time must be before the end time.</source>
        <translation>The start time must be before the end time.</translation>
    </message>
    <message>
        <source>The range must lie within the recording, %1 to %2 us.</source>
        <translation>The range must lie within the recording, %1 to %2 us.</translation>
    </message>
    <message>
        <source>Choose an existing folder.</source>
        <translation>Choose an existing folder.</translation>
    </message>
    <message>
        <source>Enter a file name.</source>
        <translation>Enter a file name.</translation>
    </message>
    <message>
        <source>The file name must not contain a folder.</source>
        <translation>The file name must not contain a folder.</translation>
    </message>
    <message>
        <source>A file with this name already exists.</source>
        <translation>A file with this name already exists.</translation>
    </message>
</context>
<context>
    <name>ZxExportVideoUI</name>
    <message>
        <source>Export a video</source>
        <translation>Export a video</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Export</translation>
    </message>
</context>
<context>
    <name>ZxCutRawFile</name>
    <message>
        <source>Cut Recording</source>
        <translation>Cut Recording</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Cut</translation>
    </message>
</context>
</TS>
