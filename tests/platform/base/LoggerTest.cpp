#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "base/Logger.h"

namespace {
constexpr const char* kLogModule = "tests/platform/base/LoggerTest";
}

TEST(Logger, SinkSeesFormattedMessageWithModuleAndLine) {
    struct Seen {
        int level;
        std::string module;
        int line;
        std::string message;
    };
    std::vector<Seen> seen;
    auto& logger = quillex::Logger::Instance();
    int id = logger.addSink([&](int level, const std::string& module, int line, const std::string& message) {
        seen.push_back({level, module, line, message});
    });
    int line = __LINE__ + 1;
    ZX_LOG(4, "value %d of %s", 42, "many");
    logger.removeSink(id);
    ZX_LOG(4, "not seen");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].level, 4);
    EXPECT_EQ(seen[0].module, kLogModule);
    EXPECT_EQ(seen[0].line, line);
    EXPECT_EQ(seen[0].message, "value 42 of many");
}

TEST(Logger, LongMessagesAreNotTruncatedAndThreadsDoNotInterleave) {
    auto& logger = quillex::Logger::Instance();
    std::atomic<int> count{0};
    std::atomic<bool> intact{true};
    const std::string longText(5000, 'a');
    int id = logger.addSink([&](int, const std::string&, int, const std::string& message) {
        if (message != longText) intact = false;
        ++count;
    });
    int previous = logger.threshold();
    logger.setThreshold(100);  // keep standard error quiet
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) ZX_LOG(1, "%s", longText.c_str());
        });
    for (auto& t : threads) t.join();
    logger.setThreshold(previous);
    logger.removeSink(id);
    EXPECT_EQ(count.load(), 800);
    EXPECT_TRUE(intact.load());
}
