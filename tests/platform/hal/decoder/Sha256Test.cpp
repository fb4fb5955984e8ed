#include <gtest/gtest.h>

#include <string>

#include "hal/util/Sha256.h"

namespace quillex {
namespace {

TEST(Sha256, KnownVectors) {
    EXPECT_EQ(Sha256::hashHex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256::hashHex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first padded block.
    EXPECT_EQ(Sha256::hashHex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256::hashHex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256, PiecewiseUpdatesEqualOneUpdateAndObjectRestarts) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += static_cast<char>('a' + i % 26);
    const std::string whole = Sha256::hashHex(text);
    for (size_t piece : {1u, 3u, 63u, 64u, 65u, 127u}) {
        Sha256 sha;
        for (size_t pos = 0; pos < text.size(); pos += piece) sha.update(std::string_view(text).substr(pos, piece));
        EXPECT_EQ(sha.finishHex(), whole) << "piece " << piece;
        sha.update("abc");
        EXPECT_EQ(sha.finishHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    }
}

}  // namespace
}  // namespace quillex
