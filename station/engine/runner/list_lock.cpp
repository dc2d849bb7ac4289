#include "station/engine/runner/list_lock.h"

namespace station {

std::mutex& ListProcessMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace station
