#include "unit/station_ui/ui_harness.h"

namespace ui_test {
// Registered before main runs, so the application exists for every test.
[[maybe_unused]] const auto* kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);
}  // namespace ui_test

// Under the sanitizers: allocations Qt and its font and platform libraries
// keep for the life of the process are no leaks of the station's; its own
// leaks are still reported.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libQt6\nleak:libglib\nleak:libdbus\n";
}
