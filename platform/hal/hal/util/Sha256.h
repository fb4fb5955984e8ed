#pragma once
// SHA-256 digest, for checking decoded streams and files against recorded digests.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillex {

class Sha256 {
public:
    using Digest = std::array<uint8_t, 32>;

    Sha256();

    void update(const void* data, size_t size);
    void update(std::string_view text) { update(text.data(), text.size()); }
    // Ends the message; the object starts over afterwards.
    Digest finish();
    // finish() as 64 lower-case hex digits.
    std::string finishHex();

    static std::string toHex(const Digest& digest);
    static std::string hashHex(std::string_view text);

private:
    void compress(const uint8_t* block);
    void restart();

    std::array<uint32_t, 8> state_{};
    std::array<uint8_t, 64> block_{};
    size_t blockUsed_ = 0;
    uint64_t totalBytes_ = 0;
};

}  // namespace quillex
