#pragma once
// Helpers for the event-view tests: synthetic recordings, a reader stand-in and an ordered record
// of the processor's signals taken on the test's own thread.

#include <QCoreApplication>
#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTest>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "FileReader/DvsFileReader.h"
#include "base/DvsFileHeader.h"
// The encoder has a member named like Qt's emit keyword.
#pragma push_macro("emit")
#undef emit
#include "hal/Evt3Encoder.h"
#pragma pop_macro("emit")
#include "view/ZxEventProcessor.h"

namespace quillex::test {

// Scattered events every `stepUs` in [t0, t1), `perStep` per step on distinct rows; triggers are
// merged in by time.
inline std::vector<Event2D> scatteredEvents(uint64_t t0, uint64_t t1, uint64_t stepUs, int perStep,
                                            uint32_t seed = 11) {
    std::mt19937 rng(seed);
    std::vector<Event2D> events;
    for (uint64_t t = t0; t < t1; t += stepUs) {
        for (int i = 0; i < perStep; ++i) {
            const auto y = static_cast<uint16_t>((static_cast<int>(rng() % 90) * perStep + i) % 720);
            const auto x = static_cast<uint16_t>(rng() % 1280);
            events.emplace_back(x, y, static_cast<uint8_t>(rng() & 1), t);
        }
        std::sort(events.end() - perStep, events.end(),
                  [](const Event2D& a, const Event2D& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    }
    return events;
}

inline void writeRecording(const std::string& path, const DvsFileInfo& info, const std::vector<Event2D>& events,
                           const std::vector<EventTriggerIn>& triggers = {}) {
    Evt3Encoder encoder;
    std::vector<uint8_t> payload;
    encoder.forceFullTimeReference();
    size_t e = 0;
    for (const EventTriggerIn& trigger : triggers) {
        size_t stop = e;
        while (stop < events.size() && events[stop].timestamp < trigger.timestamp) ++stop;
        if (stop > e) encoder.encodeEvents(events.data() + e, events.data() + stop, payload);
        e = stop;
        encoder.encodeTrigger(trigger, payload);
    }
    if (e < events.size()) encoder.encodeEvents(events.data() + e, events.data() + events.size(), payload);
    const std::string header = generateDvsFileHeader(info);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    out.write(reinterpret_cast<const char*>(payload.data()), static_cast<std::streamsize>(payload.size()));
}

// A fixed wall-clock date for headers: 2024-03-05 12:34:56 local time.
inline FileTimePoint fixedDate() {
    const QDateTime local(QDate(2024, 3, 5), QTime(12, 34, 56));
    return FileTimePoint(FileTimePoint::duration(local.toMSecsSinceEpoch() * 10000));
}

// Stand-in reader: a one-second recording with no events whose operations can be made to throw.
class FakeReader : public DvsFileReader {
public:
    std::function<void()> onLoad;   // may throw
    std::function<void()> onRead;   // may throw
    std::function<void()> onExtract;
    uint64_t start = 1000;
    uint64_t end = 1001000;

    bool loadFile() override {
        if (onLoad) onLoad();
        return true;
    }
    bool getStartTimeStamp(uint64_t& t) const override { t = start; return true; }
    bool getEndTimeStamp(uint64_t& t) const override { t = end; return true; }
    bool getMaxEvents(uint64_t& n) const override { n = 0; return true; }
    bool reachedEndOfEvents() const override { return false; }
    bool seekTime(uint64_t) override { return true; }
    bool seekNEvents(uint64_t) override { return true; }
    uint64_t getCurrentPosTimeStamp() const override { return start; }
    uint64_t getCurrentPosEventNum() const override { return 0; }
    EventVectorPtr read() {
        if (onRead) onRead();
        return std::make_shared<std::vector<Event2D>>(1, Event2D(1, 1, 1, start));
    }
    EventVectorPtr getNEvents(uint64_t) override { return read(); }
    EventVectorPtr getNEventsGivenStartTimeStamp(uint64_t, uint64_t) override { return read(); }
    EventVectorPtr getNEventsGivenStartEvent(uint64_t, uint64_t) override { return read(); }
    EventVectorPtr getNTimeEvents(uint64_t) override { return read(); }
    EventVectorPtr getNTimeEventsGivenStartTimeStamp(uint64_t, uint64_t) override { return read(); }
    EventVectorPtr getNTimeEventsGivenStartEvent(uint64_t, uint64_t) override { return read(); }
    bool extractEventData(uint64_t, uint64_t, const std::string&) override {
        if (onExtract) onExtract();
        return true;
    }
    bool exportEventDataToVideo(uint64_t, uint64_t, const std::string&) override {
        if (onExtract) onExtract();
        return true;
    }
    uint32_t addTriggerInCallback(TriggerInCallback) override { return 0; }
    bool removeTriggerInCallback(uint32_t) override { return false; }
    uint16_t getWidth() const override { return 1280; }
    uint16_t getHeight() const override { return 720; }
};

// Records the processor's signals in arrival order. Connections are queued, so every entry is
// written on the test thread no matter which worker emitted it.
class SignalLog : public QObject {
public:
    struct Entry {
        QString name;
        QVariant value;
        int type = -1;
        QString path;
    };

    explicit SignalLog(ZxEventProcessor* p) {
        auto add = [this](const QString& name, QVariant v, int type = -1, QString path = {}) {
            entries.push_back({name, std::move(v), type, std::move(path)});
        };
        const auto q = Qt::QueuedConnection;
        connect(p, &ZxEventProcessor::signalEventImage, this, [this](QImage image) {
            lastImage = image;
            ++images;
        }, q);
        connect(p, &ZxEventProcessor::signalRealTimeTimeStamp, this,
                [add](uint64_t t) { add("time", QVariant::fromValue<qulonglong>(t)); }, q);
        connect(p, &ZxEventProcessor::signalStartTimeStamp, this,
                [add](uint64_t t) { add("start", QVariant::fromValue<qulonglong>(t)); }, q);
        connect(p, &ZxEventProcessor::signalEndTimeStamp, this,
                [add](uint64_t t) { add("end", QVariant::fromValue<qulonglong>(t)); }, q);
        connect(p, &ZxEventProcessor::signalPlayStatus, this, [add](bool b) { add("play", b); }, q);
        connect(p, &ZxEventProcessor::signalLoadingStatus, this, [add](bool b) { add("loading", b); }, q);
        connect(p, &ZxEventProcessor::signalLocalTime, this, [add](QString s) { add("local", s); }, q);
        connect(p, &ZxEventProcessor::signalJobProgress, this, [add](int v) { add("progress", v); }, q);
        connect(p, &ZxEventProcessor::signalTriggerList, this,
                [this, add](std::vector<std::pair<uint64_t, uint8_t>> list) {
                    triggers = list;
                    add("triggers", static_cast<int>(list.size()));
                }, q);
        connect(p, qOverload<QString>(&ZxEventProcessor::signalShowLeftBottomTips), this,
                [add](QString tips) { add("tip", tips); }, q);
        connect(p, qOverload<QString, ZxMessageType>(&ZxEventProcessor::signalShowLeftBottomTips), this,
                [add](QString tips, ZxMessageType type) { add("tip", tips, type); }, q);
        connect(p, qOverload<QString, ZxMessageType, QString>(&ZxEventProcessor::signalShowLeftBottomTips), this,
                [add](QString tips, ZxMessageType type, QString path) { add("tip", tips, type, path); }, q);
    }

    QStringList names() const {
        QStringList out;
        for (const Entry& e : entries) out << e.name;
        return out;
    }
    int count(const QString& name) const {
        int n = 0;
        for (const Entry& e : entries) n += e.name == name ? 1 : 0;
        return n;
    }
    std::vector<Entry> of(const QString& name) const {
        std::vector<Entry> out;
        for (const Entry& e : entries)
            if (e.name == name) out.push_back(e);
        return out;
    }
    // Waits until an entry `name` with `value` (any value when invalid) has arrived after `from`.
    bool waitFor(const QString& name, const QVariant& value = {}, int timeoutMs = 10000, size_t from = 0) {
        return QTest::qWaitFor([&] {
            for (size_t i = from; i < entries.size(); ++i)
                if (entries[i].name == name && (!value.isValid() || entries[i].value == value)) return true;
            return false;
        }, timeoutMs);
    }
    void clear() {
        entries.clear();
        images = 0;
    }

    std::vector<Entry> entries;
    std::vector<std::pair<uint64_t, uint8_t>> triggers;
    QImage lastImage;
    int images = 0;
};

}  // namespace quillex::test
