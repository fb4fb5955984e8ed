#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "LogCapture.h"
#include "base/ZxObjectPool.h"

using namespace std::chrono_literals;
using quillex::ZxObjectPool;
using quillex::ZxObjectPoolFactory;

namespace {
struct Event {
    uint16_t x = 0, y = 0;
    uint8_t polarity = 0;
    uint64_t timestamp = 0;
};
}  // namespace

TEST(ZxObjectPool, VectorsStartEmptyWithReservedCapacityAndComeBackCleared) {
    auto pool = ZxObjectPoolFactory::createUniqueZxObjectPoolWithArgs<std::vector<uint8_t>>(false, 3, 1048576);
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(pool->available(), 3u);
    auto buffer = pool->acquire();
    EXPECT_TRUE(buffer->empty());
    EXPECT_GE(buffer->capacity(), 1048576u);
    const uint8_t* storage = buffer->data();
    buffer->assign(1000, 7);
    EXPECT_EQ(pool->available(), 2u);

    auto holder = buffer;  // the last holder decides
    buffer.reset();
    EXPECT_EQ(pool->available(), 2u);
    holder.reset();
    EXPECT_EQ(pool->available(), 3u);

    // The same storage comes back, emptied (LIFO reuse).
    auto again = pool->acquire();
    EXPECT_EQ(again->data(), storage);
    EXPECT_TRUE(again->empty());
}

TEST(ZxObjectPool, UnboundedPoolGrowsWhenEmptyAndKeepsWhatItGrew) {
    auto pool = ZxObjectPoolFactory::createUniqueZxObjectPoolWithArgs<std::vector<Event>>(false, 2, 64);
    std::vector<std::shared_ptr<std::vector<Event>>> out;
    for (int i = 0; i < 5; ++i) out.push_back(pool->acquire());
    std::set<const void*> distinct;
    for (const auto& v : out) {
        ASSERT_NE(v, nullptr);
        EXPECT_TRUE(v->empty());
        distinct.insert(v.get());
    }
    EXPECT_EQ(distinct.size(), 5u);
    EXPECT_EQ(pool->size(), 5u);
    EXPECT_EQ(pool->available(), 0u);
    out.clear();
    EXPECT_EQ(pool->available(), 5u);
    EXPECT_EQ(pool->size(), 5u);
    // Unbounded pools never refuse, even with no objects up front.
    auto lazy = ZxObjectPoolFactory::createUniqueZxObjectPoolWithArgs<std::string>(false, 0);
    EXPECT_NE(lazy->tryAcquire(), nullptr);
}

TEST(ZxObjectPool, BoundedPoolMakesTheTakerWaitForARelease) {
    auto pool = ZxObjectPoolFactory::createUniqueZxObjectPoolWithArgs<std::vector<int>>(true, 1, 16);
    auto first = pool->acquire();
    first->push_back(42);
    EXPECT_EQ(pool->tryAcquire(), nullptr);
    EXPECT_EQ(pool->acquireFor(5ms), nullptr);

    std::atomic<bool> got{false};
    const int* storage = first->data();
    std::shared_ptr<std::vector<int>> second;
    std::thread taker([&] {
        second = pool->acquire();
        got = true;
    });
    // The taker cannot finish while we hold the only object.
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(got.load());
    first.reset();
    taker.join();
    ASSERT_TRUE(got.load());
    EXPECT_EQ(second->data(), storage);
    EXPECT_TRUE(second->empty());
    EXPECT_EQ(pool->size(), 1u);
}

TEST(ZxObjectPool, BoundedPoolSharedByManyThreadsNeverHandsOutOneObjectTwice) {
    constexpr size_t kCount = 3;
    auto pool = ZxObjectPoolFactory::createSharedZxObjectPoolWithArgs<std::vector<int>>(true, kCount, 4);
    std::atomic<int> inUse{0};
    std::atomic<int> maxInUse{0};
    std::atomic<bool> clash{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                auto object = pool->acquire();
                const int now = ++inUse;
                int seen = maxInUse.load();
                while (now > seen && !maxInUse.compare_exchange_weak(seen, now)) {}
                if (!object->empty()) clash = true;  // someone else's data: shared or not cleared
                object->push_back(t);
                --inUse;
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_FALSE(clash.load());
    EXPECT_LE(maxInUse.load(), static_cast<int>(kCount));
    EXPECT_EQ(pool->available(), kCount);
    EXPECT_EQ(pool->size(), kCount);
}

namespace {
std::atomic<int> gLive{0};
struct Counted {
    Counted() { ++gLive; }
    ~Counted() { --gLive; }
    Counted(const Counted&) = delete;
    std::vector<uint8_t> bytes;
};
}  // namespace

TEST(ZxObjectPool, ObjectsOutlivingThePoolAreFreedOnRelease) {
    std::shared_ptr<Counted> survivor;
    std::thread releaser;
    {
        auto pool = ZxObjectPoolFactory::createUniqueZxObjectPoolWithArgs<Counted>(true, 3);
        EXPECT_EQ(gLive.load(), 3);
        survivor = pool->acquire();
        auto other = pool->acquire();
        releaser = std::thread([held = std::move(other)]() mutable { held.reset(); });
    }
    releaser.join();
    // Whether the other one came back before or after the pool died, only the
    // survivor is left.
    EXPECT_EQ(gLive.load(), 1);
    survivor->bytes.push_back(1);
    survivor.reset();
    EXPECT_EQ(gLive.load(), 0);
}

TEST(ZxObjectPool, BoundedPoolOfSizeZeroIsRefusedWithMessageAndLog) {
    const std::string expected = "Failed to allocate memory for the bounded object pool: pool's size can not be 0.";
    quillex::test::LogCapture log;
    try {
        ZxObjectPoolFactory::createUniqueZxObjectPoolWithArgs<std::vector<uint8_t>>(true, 0, 1024);
        FAIL() << "size-0 bounded pool was accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_EQ(error.what(), expected);
    }
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, 4);
    EXPECT_EQ(lines[0].message, expected);
}

TEST(ZxObjectPool, NonVectorTypesAreBuiltFromTheGivenArguments) {
    struct Block {
        Block(int a, std::string b) : value(a), name(std::move(b)) {}
        int value;
        std::string name;
    };
    auto pool = ZxObjectPoolFactory::createUniqueZxObjectPoolWithArgs<Block>(false, 1, 5, std::string("x"));
    auto a = pool->acquire();
    auto b = pool->acquire();  // grown from the same arguments
    EXPECT_EQ(a->value, 5);
    EXPECT_EQ(b->name, "x");
    // A fractional size (one NV12 frame is width * height * 1.5 bytes) is a capacity too.
    auto nv12 = ZxObjectPoolFactory::createUniqueZxObjectPoolWithArgs<std::vector<uint8_t>>(true, 1, 4.0 * 2.0 * 1.5);
    auto frame = nv12->acquire();
    EXPECT_TRUE(frame->empty());
    EXPECT_GE(frame->capacity(), 12u);
    // A vector with two arguments is built as vector(count, value), not reserved.
    auto filled = ZxObjectPoolFactory::createUniqueZxObjectPoolWithArgs<std::vector<int>>(false, 1, 3, 9);
    EXPECT_EQ(*filled->acquire(), (std::vector<int>{9, 9, 9}));
}
