#include "pirrow/exit_status.h"

#include "pirrow/session.h"

namespace pirrow {

void ReportStatus(Session& s, int32_t status) {
    if (s.statusReported) return;
    s.statusReported = true;
    common::ReportStatus(status);
}

}  // namespace pirrow
