#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <numeric>
#include <utility>
#include <vector>

#include "base/ApsFrame.h"

using quillex::ApsFrame;

namespace {
std::vector<uint8_t> pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), uint8_t{1});
    return bytes;
}
}  // namespace

TEST(ApsFrame, OwningConstructorGivesZeroedBgrStorageAndTimes) {
    ApsFrame frame(4, 3, 100, 200);
    EXPECT_EQ(frame.getWidth(), 4);
    EXPECT_EQ(frame.getHeight(), 3);
    EXPECT_EQ(frame.getStartTime(), 100u);
    EXPECT_EQ(frame.getEndTime(), 200u);
    ASSERT_EQ(frame.getDataSize(), 4u * 3u * 3u);
    for (size_t i = 0; i < frame.getDataSize(); ++i) ASSERT_EQ(frame.data()[i], 0) << i;

    // The two times lead the object, start first (callers copy them as a header).
    uint64_t leading[2];
    std::memcpy(leading, static_cast<const void*>(&frame), sizeof leading);
    EXPECT_EQ(leading[0], 100u);
    EXPECT_EQ(leading[1], 200u);
}

TEST(ApsFrame, CopyingConstructorDoesNotKeepTheCallersBuffer) {
    auto bytes = pattern(2 * 2 * 3);
    ApsFrame frame(2, 2, 5, 6, bytes.data(), bytes.size(), false);
    EXPECT_FALSE(frame.isView());
    std::fill(bytes.begin(), bytes.end(), 0xEE);  // caller reuses its buffer
    EXPECT_EQ(frame.data()[0], 1);
    EXPECT_EQ(frame.data()[11], 12);
    EXPECT_EQ(frame.getDataSize(), 12u);
}

TEST(ApsFrame, ShortOrMissingInputIsZeroPaddedNotOverread) {
    auto bytes = pattern(5);
    ApsFrame shortFrame(2, 2, 0, 0, bytes.data(), bytes.size(), true);  // too short for a view
    EXPECT_FALSE(shortFrame.isView());
    ASSERT_EQ(shortFrame.getDataSize(), 12u);
    EXPECT_EQ(shortFrame.data()[4], 5);
    EXPECT_EQ(shortFrame.data()[5], 0);
    EXPECT_EQ(shortFrame.data()[11], 0);

    ApsFrame nullFrame(2, 1, 0, 0, nullptr, 100, false);
    ASSERT_EQ(nullFrame.getDataSize(), 6u);
    EXPECT_EQ(nullFrame.data()[0], 0);

    ApsFrame negative(-3, 2, 0, 0);
    EXPECT_EQ(negative.getWidth(), 0);
    EXPECT_EQ(negative.getDataSize(), 0u);
}

TEST(ApsFrame, CloneAndCopiesAreIndependentAlsoOfViews) {
    auto bytes = pattern(3 * 1 * 3);
    ApsFrame view(3, 1, 10, 20, bytes.data(), bytes.size(), true);
    ASSERT_TRUE(view.isView());
    EXPECT_EQ(view.data(), bytes.data());

    ApsFrame cloned = view.clone();
    ApsFrame copied(view);
    ApsFrame assigned(1, 1, 0, 0);
    assigned = view;
    for (ApsFrame* f : {&cloned, &copied, &assigned}) {
        EXPECT_FALSE(f->isView());
        EXPECT_NE(f->data(), bytes.data());
        EXPECT_EQ(f->getWidth(), 3);
        EXPECT_EQ(f->getStartTime(), 10u);
        EXPECT_EQ(f->getEndTime(), 20u);
        ASSERT_EQ(f->getDataSize(), 9u);
        EXPECT_EQ(std::memcmp(f->data(), bytes.data(), 9), 0);
    }
    cloned.data()[0] = 99;
    EXPECT_EQ(copied.data()[0], 1);
    EXPECT_EQ(view.data()[0], 1);
    copied.data()[1] = 77;
    EXPECT_EQ(assigned.data()[1], 2);
}

TEST(ApsFrame, MoveKeepsPixelsAndEmptiesTheSource) {
    ApsFrame source(2, 2, 1, 2);
    source.data()[3] = 42;
    const uint8_t* storage = source.data();
    ApsFrame moved(std::move(source));
    EXPECT_EQ(moved.data(), storage);
    EXPECT_EQ(moved.data()[3], 42);
    EXPECT_EQ(source.getDataSize(), 0u);
    EXPECT_EQ(source.data(), nullptr);

    ApsFrame target;
    target = std::move(moved);
    EXPECT_EQ(target.data()[3], 42);
    EXPECT_EQ(target.getWidth(), 2);
    source = target;  // a moved-from frame is reusable
    EXPECT_EQ(source.data()[3], 42);
    EXPECT_NE(source.data(), target.data());
}
