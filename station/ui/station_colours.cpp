#include "station/ui/station_colours.h"

#include "station/engine/state/channel_state.h"

namespace station::ui {

QColor StatusColour(int status) {
    switch (status) {
        case kStatusRunning: return kRunningColour;
        case kStatusMonitoring: return kMonitoringColour;
        case kStatusFail: return kFailColour;
        case kStatusPass: return kPassColour;
        default: return {};
    }
}

QColor ResultColour(int result) {
    switch (result) {
        case kResultNotRun: return Qt::black;
        case kResultFail: return kFailColour;
        case kResultPass: return kPassColour;
        default: return {};
    }
}

}  // namespace station::ui
