#pragma once
// Locates the real sample recordings: $QUILLEX_TEST_DATA, else ../shared/data beside the checkout.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace quillex::test {

inline std::filesystem::path sampleDataDir() {
    if (const char* env = std::getenv("QUILLEX_TEST_DATA"); env != nullptr && *env != '\0') return env;
    return std::filesystem::path(QUILLEX_SOURCE_DIR).parent_path() / "shared" / "data";
}

inline bool sampleDataAvailable() {
    return std::filesystem::exists(sampleDataDir() / "evt3_gen41_evk3_1280x720_vectors.raw");
}

}  // namespace quillex::test

// Skips the current GoogleTest test with a visible message when the samples are absent.
#define QUILLEX_REQUIRE_SAMPLES()                                                                 \
    do {                                                                                          \
        if (!::quillex::test::sampleDataAvailable())                                              \
            GTEST_SKIP() << "sample recordings not found in " << ::quillex::test::sampleDataDir() \
                         << " (set QUILLEX_TEST_DATA)";                                           \
    } while (0)
