#pragma once
// Public face of an event camera. The application only holds std::shared_ptr<DvsCamera>
// handed out by DvsCameraManager; the streaming machinery lives in the implementation classes.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hal/tools/CameraTool.h"
#include "types/DvsTypes.h"

namespace quillex {

class DvsCamera {
public:
    using EventsCallback = std::function<void(Event2D* first, Event2D* last)>;
    using TriggerInCallback = std::function<void(EventTriggerIn trigger)>;
    using StatisticCallback = std::function<void(ZxStatisticInfo info)>;

    explicit DvsCamera(const CameraDescription& description);
    DvsCamera(const DvsCamera&) = delete;
    DvsCamera& operator=(const DvsCamera&) = delete;

    // Slot order is part of the interface.
    virtual bool isConnected() const = 0;
    // Callbacks run on the camera loop thread with a range into the decoder's output.
    virtual uint32_t addEventsStreamHandleCallback(EventsCallback callback) = 0;
    virtual bool removeEventsStreamHandleCallback(uint32_t id) = 0;
    virtual uint32_t addTriggerInCallback(TriggerInCallback callback) = 0;
    virtual bool removeTriggerInCallback(uint32_t id) = 0;
    // Blocks until the next batch is handed over (or the camera stops); false without a batch mode.
    virtual bool getNextBatch(std::vector<Event2D>& out) = 0;
    virtual void setBatchEventsNum(uint64_t count) = 0;
    virtual void setBatchEventsTime(uint64_t microseconds) = 0;
    // Throws std::runtime_error("Camera is not inited") before a successful init.
    virtual int32_t start() = 0;
    virtual int32_t stop() = 0;
    virtual int32_t startRecording(const std::string& path) = 0;
    virtual void setFileCacheTime(uint16_t seconds, const std::string& directory);
    virtual int32_t stopRecording() = 0;
    virtual uint16_t getWidth() = 0;
    virtual uint16_t getHeight() = 0;
    // Called once a second on the statistics thread while the camera runs.
    virtual void setStatisticInfoCallback(StatisticCallback callback);
    virtual bool updateCameraFirmware(const std::string& path, uint32_t value);
    virtual bool getFirmwareVersion(std::string& version);
    virtual int32_t init() = 0;

    CameraDescription getDescription() const;

    // Tools and configuration files.
    std::shared_ptr<CameraTool> getTool(ToolType type) const;
    std::shared_ptr<CameraTool> getTool(const std::string& name) const;
    // Throws std::runtime_error("Tool not found") for a missing tool.
    ToolInfo getToolInfo(ToolType type) const;
    std::vector<ToolInfo> getAllToolsInfo() const;
    bool exportCameraConfigParams(const std::string& path) const;
    // Throws the JSON library's parse error for a file that is not valid JSON.
    bool loadCameraConfigParams(const std::string& path);

protected:
    // Deleted through the implementation classes, which add the virtual destructor.
    ~DvsCamera();

    CameraDescription description_;
    std::map<ToolType, std::shared_ptr<CameraTool>> tools_;
};

}  // namespace quillex
