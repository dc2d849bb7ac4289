#include "platform/random.h"

#include <sys/random.h>

#include <cerrno>
#include <cstddef>

namespace platform {

uint32_t RandomU32() {
    uint32_t value = 0;
    auto* out = reinterpret_cast<unsigned char*>(&value);
    size_t got = 0;
    while (got < sizeof value) {
        ssize_t n = ::getrandom(out + got, sizeof value - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // cannot happen for 4 bytes once the pool is ready
        got += size_t(n);
    }
    return value;
}

}  // namespace platform
