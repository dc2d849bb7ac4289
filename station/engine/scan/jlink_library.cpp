#include "station/engine/scan/jlink_library.h"

#include <algorithm>
#include <cstring>

#include "platform/jlink_library.h"

namespace station {

std::vector<uint32_t> ProbeSerials(const uint8_t* records, size_t count) {
    std::vector<uint32_t> serials;
    for (size_t i = 0; i < count; ++i) {
        uint32_t serial = 0;
        std::memcpy(&serial, records + i * kProbeRecordBytes, sizeof serial);
        serials.push_back(serial);
    }
    return serials;
}

bool JLinkLibrary::Load(const std::string& jlinkDir) {
    // The station's JLINK_PATH directory first, then where the tools look.
    for (const std::string& candidate : platform::JLinkLibraryCandidates(jlinkDir))
        if (LoadFile(candidate)) return true;
    return false;
}

bool JLinkLibrary::LoadFile(const std::string& path) {
    auto library = std::make_unique<platform::SharedLibrary>();
    if (!library->Load(path)) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    getList_ = reinterpret_cast<GetListFn>(library->Symbol("JLINK_EMU_GetList"));
    library_ = std::move(library);
    path_ = path;
    return true;
}

void JLinkLibrary::Unload() {
    std::lock_guard<std::mutex> lock(mutex_);
    getList_ = nullptr;
    library_.reset();
    path_.clear();
}

bool JLinkLibrary::IsLoaded() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return library_ != nullptr;
}

std::string JLinkLibrary::Path() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return path_;
}

bool JLinkLibrary::HasProbeList() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return getList_ != nullptr;
}

std::vector<uint32_t> JLinkLibrary::UsbProbeSerials() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!getList_) return {};
    // First the count, then the records; a probe plugged in between the two
    // calls is left for the next scan.
    const int count = getList_(kHostInterfaceUsb, nullptr, 0);
    if (count <= 0) return {};
    std::vector<uint8_t> records(size_t(count) * kProbeRecordBytes);
    const int got = getList_(kHostInterfaceUsb, records.data(), count);
    if (got <= 0) return {};
    return ProbeSerials(records.data(), size_t(std::min(got, count)));
}

JLinkLibrary& StationJLink() {
    static JLinkLibrary library;
    return library;
}

}  // namespace station
