#pragma once
// Passes that the pool's server could not take when the device passed. They
// wait in "<root>/pool/pending_<channel>.txt", flushed to the disk, until the
// server takes them; until then the channel allocates nothing, or its booked
// numbers would go to the next device while the last one passed with them.
#include <string>
#include <vector>

namespace station {

struct PendingPass {
    std::string pool;
    std::string stationId;
    std::string date;  // "%04d-%02d-%02d %02d:%02d:%02d"
    std::string mac;   // 12 hexadecimal digits or ""
    std::string sn;    // counter digits or ""
};

class PendingPasses {
public:
    PendingPasses(const std::string& root, int channel);

    const std::string& Path() const { return path_; }
    // The passes waiting, oldest first. False when the file cannot be read
    // (a damaged file keeps the channel stopped rather than lose a pass).
    bool Read(std::vector<PendingPass>& passes) const;
    // Replaces the waiting passes durably; an empty list removes the file.
    bool Write(const std::vector<PendingPass>& passes) const;
    bool Add(const PendingPass& pass) const;

private:
    bool Replace(const std::string& text) const;
    std::string path_;
};

}  // namespace station
