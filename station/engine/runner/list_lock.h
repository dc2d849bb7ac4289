#pragma once
#include <mutex>

namespace station {

// The process-wide lock of the result list, also taken around the start of a
// GNSS load so that those tools start one at a time.
std::mutex& ListProcessMutex();

}  // namespace station
