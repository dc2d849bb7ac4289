#pragma once
// Writes the device record of every job that reached a device, before its
// verdict is shown: appended and flushed to the day's file, put into the
// outbox when a receiver is configured, then handed to whoever listens (the
// network front end's event stream and its sender).
#include <array>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "station/engine/record/device_record.h"
#include "station/engine/settings/ini_keys.h"

namespace station {

class StationSettings;
class ChannelJob;
struct ChannelState;

class DeviceRecorder {
public:
    using MessageFn = std::function<void(const std::string&)>;
    using Listener = std::function<void(const DeviceRecord& record, const std::string& json)>;

    DeviceRecorder(const StationSettings& settings, MessageFn showMessage);

    // Start-up's station identifier, the first part of every record id.
    void SetStationId(const std::string& id);
    // Called on the channel's thread at the end of its job. A job that ended
    // OVER never reached a device and gets no record.
    void RecordJob(int channel, const ChannelJob& job, const ChannelState& row, const platform::LocalTime& end);

    // Start-up: a record that reached the outbox but not the day's file
    // (the station was killed between the two writes) is added to the file.
    void RepairFromOutbox();

    // Listeners are called on the channel's thread, in the order of the
    // file; they must not block.
    void AddListener(Listener listener);

    // The record of a job, without writing it.
    DeviceRecord Compose(int channel, const ChannelJob& job, const ChannelState& row,
                         const platform::LocalTime& end);

private:
    void Write(const DeviceRecord& record);
    void ReportUnwritable(const std::string& path, const std::string& cause);

    const StationSettings& settings_;
    MessageFn showMessage_;
    std::mutex mutex_;  // one record at a time: file order is event order
    std::string stationId_;
    std::array<uint64_t, kChannelCount> sequence_{};
    std::vector<Listener> listeners_;
};

// The images a channel's burn list wrote, with their flash length and CRC.
std::vector<RecordedImage> ImagesOfChannelList(const std::string& listPath, const std::string& deviceType);

// The names of a factory-data file: BLE name and BT name ("" where absent).
void NamesOfFactoryData(const std::string& path, std::string& bleName, std::string& btName);

}  // namespace station
