#include "FileReader/DvsFileReader.h"

#include "FileReader/RawFileReader.h"

namespace quillex {

std::unique_ptr<DvsFileReader> DvsFileReader::createFileReader(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.compare(dot, std::string::npos, ".raw") != 0) return nullptr;
    return std::make_unique<RawFileReader>(path);
}

}  // namespace quillex
