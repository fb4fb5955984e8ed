# Video converter, the frame-video reader and the video export of recordings; the MP4s are also
# checked with ffprobe/ffmpeg when present.
quillex_add_gtest(test_video
  SOURCES tools/DataToVideoConverterTest.cpp tools/Mp4FileReaderTest.cpp tools/VideoExportTest.cpp
  LIBS QuillexDriver)
