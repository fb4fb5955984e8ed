list(APPEND QUILLEX_DRIVER_SOURCES tools/DataToVideoConverter.cpp tools/FfmpegLog.cpp tools/EventImage.cpp)
# The frame-video reader lives with the other readers but is built with the converter it reads back.
list(APPEND QUILLEX_DRIVER_SOURCES FileReader/ApsFileReader.cpp FileReader/Mp4FileReader.cpp)
