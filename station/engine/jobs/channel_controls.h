#pragma once
// The controls of a channel panel that the engine itself changes: the start
// button's caption and whether the enable check box may be changed. Front
// ends show them; the engine owns them.
#include <mutex>
#include <string>

namespace station {

class ChannelControls {
public:
    std::string Caption() const;
    void SetCaption(const std::string& caption);

    // The check box is disabled while the channel's job runs.
    bool Selectable() const;
    void SetSelectable(bool selectable);

private:
    mutable std::mutex mutex_;
    std::string caption_;
    bool selectable_ = true;
};

}  // namespace station
