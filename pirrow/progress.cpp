#include "pirrow/progress.h"

#include "pirrow/uart_link.h"

namespace pirrow {

void Progress::Count(uint32_t bytes) {
    done += bytes;
    if (total == 0) return;
    uint32_t percent = done / ((total + 99) / 100);
    if (percent != lastPercent) {
        lastPercent = percent;
        PrintPercent(int(percent > 100 ? 100 : percent));
    }
}

}  // namespace pirrow
