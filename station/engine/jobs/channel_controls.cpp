#include "station/engine/jobs/channel_controls.h"

namespace station {

std::string ChannelControls::Caption() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return caption_;
}

void ChannelControls::SetCaption(const std::string& caption) {
    std::lock_guard<std::mutex> lock(mutex_);
    caption_ = caption;
}

bool ChannelControls::Selectable() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return selectable_;
}

void ChannelControls::SetSelectable(bool selectable) {
    std::lock_guard<std::mutex> lock(mutex_);
    selectable_ = selectable;
}

}  // namespace station
