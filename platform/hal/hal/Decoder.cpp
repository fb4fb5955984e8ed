#include "hal/Decoder.h"

namespace quillex {

// Filled in with the EVT 3.0 decoder.
std::unique_ptr<Decoder> DecoderFactory::createUniqueDecoder(const std::string&) { return nullptr; }

}  // namespace quillex
