#include "FileReader/ApsFileReader.h"

#include "FileReader/Mp4FileReader.h"

namespace quillex {

std::unique_ptr<ApsFileReader> ApsFileReader::createFileReader(const std::string& path) {
    const auto dot = path.rfind('.');
    if (dot == std::string::npos) return nullptr;
    if (path.compare(dot, std::string::npos, ".mp4") != 0) return nullptr;
    return std::make_unique<Mp4FileReader>(path);
}

}  // namespace quillex
