#pragma once
// The J-Link library as the station itself uses it: loaded once at start-up,
// asked for the probes on USB by the port scan, and named to the J-Link tool
// (`--dll`) by every J-Link step.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/shared_library.h"

namespace station {

// One probe record of JLINK_EMU_GetList: 264 bytes, the serial number first.
inline constexpr size_t kProbeRecordBytes = 264;
inline constexpr int kHostInterfaceUsb = 1;

// Serial numbers of `count` consecutive probe records.
std::vector<uint32_t> ProbeSerials(const uint8_t* records, size_t count);

class JLinkLibrary {
public:
    // jlinkDir: the `JLINK_PATH` setting (may be empty), tried before the
    // places platform::JLinkLibraryCandidates lists; the first that loads stays.
    bool Load(const std::string& jlinkDir);
    // Loads exactly this file (tests, and a library named by the operator).
    bool LoadFile(const std::string& path);
    void Unload();

    bool IsLoaded() const;
    // The loaded library's path ("" when none): a bare name when it was
    // found through the loader's search path.
    std::string Path() const;
    bool HasProbeList() const;
    // The probes on USB; empty without the library or its list function.
    std::vector<uint32_t> UsbProbeSerials() const;

private:
    using GetListFn = int (*)(int hostInterfaces, void* records, int maxRecords);

    mutable std::mutex mutex_;
    std::unique_ptr<platform::SharedLibrary> library_;
    std::string path_;
    GetListFn getList_ = nullptr;
};

// The station's one J-Link library.
JLinkLibrary& StationJLink();

}  // namespace station
