list(APPEND QUILLEX_DRIVER_SOURCES
  FileReader/RawFileHeader.cpp
  FileReader/BookmarkFile.cpp
  FileReader/DvsFileReader.cpp
  FileReader/RawFileReader.cpp
  FileReader/RawFileReaderBookmarks.cpp
  FileReader/RawFileReaderExtract.cpp
  FileReader/RawFileReaderVideoExport.cpp
)
