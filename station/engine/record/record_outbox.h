#pragma once
// The outbox of device records waiting for the MES: "record/outbox/", one
// file per record, written durably before the first try to send it and
// removed once the receiver took it. It survives restarts and kill -9.
#include <string>
#include <vector>

namespace station {

std::string OutboxDirectory(const std::string& root);

// Writes the record's file "<id>.json" whole, flushed with its directory.
// False with the reason in `cause`.
bool PutInOutbox(const std::string& root, const std::string& id, const std::string& json, std::string& cause);

struct OutboxEntry {
    std::string path;
    std::string json;
};

// The records waiting, oldest first (at most `limit`). Half-written
// leftovers of a crash (temp files) are not records and are skipped.
std::vector<OutboxEntry> OutboxEntries(const std::string& root, size_t limit);

// The receiver has the record.
void RemoveFromOutbox(const OutboxEntry& entry);

}  // namespace station
