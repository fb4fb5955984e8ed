// Batching, fan-out and lifecycle rules of the streaming runtime, driven without hardware.
#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <thread>

#include "CameraTestSupport.h"

using namespace quillex;
using namespace quillex::test;
using std::chrono::milliseconds;

namespace {

TEST(CameraBatches, CountBatchesSplitOneRangeAndKeepTheRest) {
    FakeCamera camera;
    camera.setBatchEventsNum(5);
    std::vector<Event2D> events;
    for (uint64_t t = 0; t < 12; ++t) events.emplace_back(static_cast<uint16_t>(t), 0, 0, t);
    camera.feed(events);
    EXPECT_EQ(camera.handOvers(1), 2u);
    EXPECT_EQ(timestampsOf(camera.ready(1)), (std::vector<uint64_t>{5, 6, 7, 8, 9}));
    EXPECT_EQ(timestampsOf(camera.filling(1)), (std::vector<uint64_t>{10, 11}));
    // Exactly filling the batch does not hand over until the next event arrives.
    camera.feed(eventsAt({12, 13, 14}));
    EXPECT_EQ(camera.handOvers(1), 2u);
    camera.feed(eventsAt({15}));
    EXPECT_EQ(camera.handOvers(1), 3u);
    EXPECT_EQ(timestampsOf(camera.ready(1)), (std::vector<uint64_t>{10, 11, 12, 13, 14}));
}

TEST(CameraBatches, TimeBatchesFollowPeriodBoundariesAndHandOverEmptyGaps) {
    FakeCamera camera;
    camera.setBatchEventsTime(10000);
    camera.feed(eventsAt({0, 5000, 9999, 10000, 35000}));
    // (0, 5000, 9999), (10000), an empty batch for 20000..30000; 35000 waits.
    EXPECT_EQ(camera.handOvers(2), 3u);
    EXPECT_TRUE(camera.ready(2).empty());
    EXPECT_EQ(timestampsOf(camera.filling(2)), (std::vector<uint64_t>{35000}));

    // An event on the boundary stays when nothing in the range lies beyond it.
    FakeCamera edge;
    edge.setBatchEventsTime(10000);
    edge.feed(eventsAt({0, 5000, 10000}));
    EXPECT_EQ(edge.handOvers(2), 0u);
    EXPECT_EQ(edge.filling(2).size(), 3u);
    // The boundary comes from the batch being filled, not from the new range.
    edge.feed(eventsAt({12000, 21000}));
    EXPECT_EQ(edge.handOvers(2), 2u);
    EXPECT_EQ(timestampsOf(edge.ready(2)), (std::vector<uint64_t>{12000}));
    EXPECT_EQ(timestampsOf(edge.filling(2)), (std::vector<uint64_t>{21000}));
}

TEST(CameraBatches, OnlyTheLastChosenModeIsInForce) {
    FakeCamera camera;
    std::vector<Event2D> out{Event2D()};
    EXPECT_FALSE(camera.getNextBatch(out));  // no mode chosen
    EXPECT_TRUE(out.empty());
    camera.setBatchEventsNum(2);
    camera.setBatchEventsTime(100);
    camera.feed(eventsAt({0, 1, 2, 3, 150}));
    EXPECT_EQ(camera.handOvers(1), 0u);
    EXPECT_EQ(camera.handOvers(2), 1u);
}

TEST(CameraBatches, DegenerateLimitsNeitherSpinNorGrowWithoutBound) {
    FakeCamera count;
    count.setBatchEventsNum(0);  // taken as one event per batch
    count.feed(eventsAt({1, 2, 3}));
    EXPECT_EQ(count.handOvers(1), 2u);
    EXPECT_EQ(count.filling(1).size(), 1u);

    FakeCamera lowered;
    lowered.setBatchEventsNum(100);
    std::vector<Event2D> many(60);
    lowered.feed(many);
    lowered.setBatchEventsNum(10);  // below the 60 already gathered
    lowered.feed(eventsAt({1, 2}));
    EXPECT_EQ(lowered.handOvers(1), 1u);
    EXPECT_EQ(lowered.ready(1).size(), 60u);
    EXPECT_EQ(lowered.filling(1).size(), 2u);

    FakeCamera zeroTime;
    zeroTime.setBatchEventsTime(0);  // one microsecond periods
    zeroTime.feed(eventsAt({5, 5, 6, 8, 9}));
    EXPECT_EQ(zeroTime.handOvers(2), 3u);  // (5, 5), (6), empty (7); 8 and 9 wait
    EXPECT_EQ(timestampsOf(zeroTime.filling(2)), (std::vector<uint64_t>{8, 9}));

    // A gap of a million periods hands over a bounded number of empty batches.
    FakeCamera gap;
    gap.setBatchEventsTime(10);
    gap.feed(eventsAt({0, 10000000, 10000001}));
    EXPECT_LE(gap.handOvers(2), DvsCameraPrivate::kMaxEmptyTimeBatches + 2);
    EXPECT_EQ(timestampsOf(gap.filling(2)), (std::vector<uint64_t>{10000000, 10000001}));
}

TEST(CameraBatches, ConsumerReceivesBatchesBySwappingAndWakesOnStop) {
    FakeCamera camera;
    camera.init();
    camera.markRunning();
    camera.setBatchEventsNum(3);

    auto blocked = std::async(std::launch::async, [&] {
        std::vector<Event2D> out;
        const bool ok = camera.getNextBatch(out);
        return std::make_pair(ok, out.size());
    });
    std::this_thread::sleep_for(milliseconds(50));
    ASSERT_EQ(blocked.wait_for(milliseconds(0)), std::future_status::timeout);  // waits for a hand-over
    camera.feed(eventsAt({1, 2, 3, 4}));
    ASSERT_EQ(blocked.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(blocked.get(), std::make_pair(true, size_t{3}));

    auto waiting = std::async(std::launch::async, [&] {
        std::vector<Event2D> out;
        return camera.getNextBatch(out);
    });
    std::this_thread::sleep_for(milliseconds(50));
    LogCapture log;
    EXPECT_EQ(camera.stop(), 0);
    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_TRUE(waiting.get());
    EXPECT_EQ(log.count("Stop camera successfully.", 2), 1u);

    // After the stop a new call waits again, until the next hand-over.
    auto later = std::async(std::launch::async, [&] {
        std::vector<Event2D> out;
        camera.getNextBatch(out);
        return out.size();
    });
    EXPECT_EQ(later.wait_for(milliseconds(100)), std::future_status::timeout);
    camera.feed(eventsAt({5, 6, 7}));
    ASSERT_EQ(later.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(later.get(), 3u);
}

TEST(CameraCallbacks, IdentifiersCountPerKindAndAreNeverReused) {
    FakeCamera camera;
    size_t firstCalls = 0, thirdCalls = 0;
    const uint32_t a = camera.addEventsStreamHandleCallback([&](Event2D* f, Event2D* l) { firstCalls += l - f; });
    const uint32_t b = camera.addEventsStreamHandleCallback([](Event2D*, Event2D*) {});
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 1u);
    EXPECT_TRUE(camera.removeEventsStreamHandleCallback(b));
    EXPECT_FALSE(camera.removeEventsStreamHandleCallback(b));
    const uint32_t c = camera.addEventsStreamHandleCallback([&](Event2D* f, Event2D* l) { thirdCalls += l - f; });
    EXPECT_EQ(c, 2u);

    std::vector<EventTriggerIn> triggers;
    EXPECT_EQ(camera.addTriggerInCallback([&](EventTriggerIn t) { triggers.push_back(t); }), 0u);
    EXPECT_EQ(camera.addTriggerInCallback([](EventTriggerIn) {}), 1u);
    EXPECT_FALSE(camera.removeTriggerInCallback(7));

    camera.feed(eventsAt({1, 2, 3}));
    EXPECT_EQ(firstCalls, 3u);
    EXPECT_EQ(thirdCalls, 3u);
    camera.triggerInArrived(EventTriggerIn(3, 1, 500));
    ASSERT_EQ(triggers.size(), 1u);
    EXPECT_EQ(triggers[0], EventTriggerIn(3, 1, 500));
}

TEST(CameraLifecycle, StartAndRecordingNeedInitAndStopIsQuietWhenStopped) {
    FakeCamera camera;
    try {
        camera.start();
        FAIL() << "start before init must throw";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Camera is not inited");
    }
    EXPECT_THROW(camera.startRecording("/tmp/never.raw"), std::runtime_error);
    LogCapture log;
    EXPECT_EQ(camera.stop(), 0);
    camera.init();
    EXPECT_EQ(camera.stop(), 0);
    EXPECT_EQ(log.count("Stop camera successfully."), 0u);
    EXPECT_EQ(camera.getDescription().serial, "FAKE1");
}

TEST(CameraRecording, UnopenableRecordingFileFailsTheStart) {
    FakeCamera camera;
    camera.init();
    LogCapture log;
    EXPECT_EQ(camera.startRecording("/nonexistent-dir/x/y.raw"), -1);
    EXPECT_GE(log.count("Unable to open", 4), 1u);
    EXPECT_EQ(camera.stopRecording(), 0);
}

}  // namespace
