#pragma once
// Reading interface for recordings. The application only sees this class and its factory.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/DvsFileInfo.h"
#include "hal/EventTypes.h"

namespace quillex {

class DvsFileReader {
public:
    using TriggerInCallback = std::function<void(const EventTriggerIn& trigger)>;
    using EventVectorPtr = std::shared_ptr<std::vector<Event2D>>;

    virtual ~DvsFileReader() = default;

    // A new reader for a ".raw" path (exact, case-sensitive extension), or empty.
    // The file is not opened: call loadFile() next.
    static std::unique_ptr<DvsFileReader> createFileReader(const std::string& path);

    // Slot order is part of the contract.
    virtual bool loadFile() = 0;
    virtual bool getStartTimeStamp(uint64_t& timestamp) const = 0;
    virtual bool getEndTimeStamp(uint64_t& timestamp) const = 0;
    virtual bool getMaxEvents(uint64_t& count) const = 0;
    virtual bool reachedEndOfEvents() const = 0;
    virtual bool seekTime(uint64_t timestamp) = 0;
    virtual bool seekNEvents(uint64_t eventNumber) = 0;
    virtual uint64_t getCurrentPosTimeStamp() const = 0;
    virtual uint64_t getCurrentPosEventNum() const = 0;
    // The returned vector belongs to the reader and is refilled by the next read: copy to keep.
    virtual EventVectorPtr getNEvents(uint64_t count) = 0;
    virtual EventVectorPtr getNEventsGivenStartTimeStamp(uint64_t timestamp, uint64_t count) = 0;
    virtual EventVectorPtr getNEventsGivenStartEvent(uint64_t startEvent, uint64_t count) = 0;
    virtual EventVectorPtr getNTimeEvents(uint64_t durationUs) = 0;
    virtual EventVectorPtr getNTimeEventsGivenStartTimeStamp(uint64_t timestamp, uint64_t durationUs) = 0;
    virtual EventVectorPtr getNTimeEventsGivenStartEvent(uint64_t startEvent, uint64_t durationUs) = 0;
    virtual bool extractEventData(uint64_t start, uint64_t end, const std::string& path) = 0;
    virtual bool exportEventDataToVideo(uint64_t start, uint64_t end, const std::string& path) = 0;
    virtual uint32_t addTriggerInCallback(TriggerInCallback callback) = 0;
    virtual bool removeTriggerInCallback(uint32_t id) = 0;
    virtual uint16_t getWidth() const = 0;
    virtual uint16_t getHeight() const = 0;
    virtual bool getFileInfo(DvsFileInfo& info) const {
        (void)info;
        return false;
    }
    virtual std::vector<EventTriggerIn> getTriggerList() const { return {}; }
};

}  // namespace quillex
