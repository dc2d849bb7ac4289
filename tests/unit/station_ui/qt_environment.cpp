#include "unit/station_ui/ui_harness.h"

namespace ui_test {
// Registered before main runs, so the application exists for every test.
[[maybe_unused]] const auto* kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);
}  // namespace ui_test
