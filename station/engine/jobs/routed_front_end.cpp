#include "station/engine/jobs/routed_front_end.h"

namespace station {

namespace {
thread_local StationFrontEnd* commandFrontEnd = nullptr;
}  // namespace

RoutedFrontEnd::Scope::Scope(StationFrontEnd& other) : previous_(commandFrontEnd) { commandFrontEnd = &other; }

RoutedFrontEnd::Scope::~Scope() { commandFrontEnd = previous_; }

StationFrontEnd& RoutedFrontEnd::Current() { return commandFrontEnd ? *commandFrontEnd : own_; }

}  // namespace station
