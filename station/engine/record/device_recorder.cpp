#include "station/engine/record/device_recorder.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "common/burn_list.h"
#include "common/compressed_image.h"
#include "common/image_file.h"
#include "common/otp_record_file.h"
#include "platform/durable_file.h"
#include "station/engine/burnlist/station_burn_list.h"
#include "station/engine/jobs/channel_job.h"
#include "station/engine/jobs/record_file.h"
#include "station/engine/log/main_log.h"
#include "station/engine/record/record_outbox.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"

namespace station {

namespace {

const char* StepName(JobStep step) {
    switch (step) {
    case JobStep::Download: return "download";
    case JobStep::CrystalCali: return "crystal_cali";
    case JobStep::BatteryCali: return "battery_cali";
    case JobStep::PcbaTest: return "pcba_test";
    case JobStep::EraseAll: return "erase_all";
    case JobStep::EraseFactoryArea: return "erase_factory_area";
    case JobStep::EraseNonFactoryArea: return "erase_non_factory_area";
    case JobStep::GpsLoad: return "gps_load";
    }
    return "";
}

bool DownloadPassed(const std::vector<StepAttempt>& attempts) {
    for (auto it = attempts.rbegin(); it != attempts.rend(); ++it)
        if (it->step == JobStep::Download) return it->result.pass;
    return false;
}

std::string FileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace

std::vector<RecordedImage> ImagesOfChannelList(const std::string& listPath, const std::string& deviceType) {
    std::vector<uint8_t> text;
    if (common::ReadImageFile(listPath, text) != common::ImageRead::Ok) return {};
    common::BurnList list;
    if (!common::ParseBurnList(std::string(text.begin(), text.end()), deviceType, list,
                               common::FileSystemBurnListFiles()))
        return {};
    std::vector<RecordedImage> images;
    for (const common::BurnItem& item : list.items) {
        if (item.address == common::kSkipAddress) continue;
        RecordedImage image{item.path, item.address, item.size, item.crc};
        common::CompressedImage packed;
        std::string error;
        if (item.compressed && common::ParseCompressedImage(item.data.data(), item.data.size(), packed, error)) {
            image.length = packed.totalLength;
            image.crc = packed.crc;
        }
        images.push_back(image);
    }
    return images;
}

void NamesOfFactoryData(const std::string& path, std::string& bleName, std::string& btName) {
    std::vector<uint8_t> data;
    if (common::ReadImageFile(path, data) != common::ImageRead::Ok) return;
    size_t offset = 0;
    common::OtpRecord record;
    bool truncated = false;
    while (common::ReadOtpRecord(data.data(), data.size(), offset, record, truncated) && !truncated) {
        const std::string value(record.value.begin(), record.value.end());
        if (record.id == common::FACTORY_CFG_ID_BLE_NAME) bleName = value;
        if (record.id == common::FACTORY_CFG_ID_BT_NAME) btName = value;
    }
}

DeviceRecorder::DeviceRecorder(const StationSettings& settings, MessageFn showMessage)
    : settings_(settings), showMessage_(std::move(showMessage)) {}

void DeviceRecorder::SetStationId(const std::string& id) {
    std::lock_guard<std::mutex> lock(mutex_);
    stationId_ = id;
}

void DeviceRecorder::AddListener(Listener listener) {
    std::lock_guard<std::mutex> lock(mutex_);
    listeners_.push_back(std::move(listener));
}

DeviceRecord DeviceRecorder::Compose(int channel, const ChannelJob& job, const ChannelState& row,
                                     const platform::LocalTime& end) {
    DeviceRecord r;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        r.station = stationId_;
        r.id = DeviceRecordId(stationId_, channel, job.Start(), ++sequence_.at(size_t(channel - 1)));
    }
    r.channel = channel;
    r.port = job.Port();
    r.function = job.FuncType();
    r.device = job.DeviceType();
    r.start = job.Start();
    r.end = end;
    r.verdict = row.status.load() == kStatusPass ? "PASS" : "FAIL";
    if (r.verdict == "FAIL") r.cause = row.failCause.Get();
    r.mac = row.macText.Get();
    r.sn = row.snText.Get();
    for (const StepAttempt& attempt : job.Attempts())
        r.steps.push_back({StepName(attempt.step), attempt.uart ? "Pirrow" : "Quenlo", attempt.result.exitCode});
    if (DownloadPassed(job.Attempts())) {
        const std::string listPath = ChannelBurnListPath(settings_.Root(), channel);
        r.images = ImagesOfChannelList(listPath, job.DeviceType());
        // The record still goes out, but nobody is left to wonder why it lists no image.
        if (r.images.empty()) Log(channel, "device record: no image read from %s\n", listPath.c_str());
        const std::string factoryData = "BLE_SN_" + std::to_string(channel) + ".bin";
        for (const RecordedImage& image : r.images)
            if (FileName(image.file) == factoryData) NamesOfFactoryData(image.file, r.bleName, r.btName);
    }
    return r;
}

void DeviceRecorder::RecordJob(int channel, const ChannelJob& job, const ChannelState& row,
                               const platform::LocalTime& end) {
    const int32_t status = row.status.load();
    if (status != kStatusPass && status != kStatusFail) return;
    Write(Compose(channel, job, row, end));
}

void DeviceRecorder::Write(const DeviceRecord& record) {
    const std::string json = DeviceRecordJson(record);
    std::vector<std::pair<std::string, std::string>> failures;  // shown after the lock: a box may wait
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::string path = DeviceRecordsPath(settings_.Root(), record.end);
        std::string cause;
        // The outbox first: a crash between the two leaves a record that the
        // next start-up adds to the day's file (RepairFromOutbox), never one
        // that the day's file has and the receiver never gets.
        if (!settings_.Read(REMOTE::RECORD_URL).empty() && !PutInOutbox(settings_.Root(), record.id, json, cause))
            failures.emplace_back(OutboxDirectory(settings_.Root()) + "/" + record.id + ".json", cause);
        if (!platform::AppendDurably(path, json + "\n", &cause)) failures.emplace_back(path, cause);
        for (const Listener& listener : listeners_) listener(record, json);
    }
    for (const auto& [path, cause] : failures) ReportUnwritable(path, cause);
}

void DeviceRecorder::RepairFromOutbox() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const OutboxEntry& entry : OutboxEntries(settings_.Root(), SIZE_MAX)) {
        const nlohmann::json record = nlohmann::json::parse(entry.json, nullptr, false);
        platform::LocalTime day;
        if (record.is_discarded() || !record.contains("id") || !record["id"].is_string() ||
            !record.contains("end") || !record["end"].is_string() ||
            std::sscanf(record["end"].get<std::string>().c_str(), "%d-%d-%d", &day.year, &day.month, &day.day) != 3)
            continue;
        const std::string path = DeviceRecordsPath(settings_.Root(), day);
        std::vector<uint8_t> text;
        common::ReadImageFile(path, text);
        const std::string marker = "\"id\":" + record["id"].dump() + ",";
        if (std::string(text.begin(), text.end()).find(marker) != std::string::npos) continue;
        // A line cut short by the crash ends here, so the record starts a line of its own.
        const std::string lead = !text.empty() && text.back() != '\n' ? "\n" : "";
        platform::AppendDurably(path, lead + entry.json + "\n");
    }
}

void DeviceRecorder::ReportUnwritable(const std::string& path, const std::string& cause) {
    if (showMessage_) showMessage_(UnwritableRecordMessage(path, cause));
}

}  // namespace station
