# Video converter and the frame-video reader; the MP4s are also checked with ffprobe/ffmpeg when present.
quillex_add_gtest(test_video
  SOURCES tools/DataToVideoConverterTest.cpp tools/Mp4FileReaderTest.cpp
  LIBS QuillexDriver)
