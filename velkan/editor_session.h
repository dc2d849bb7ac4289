#pragma once
#include <string>
#include <vector>

#include "velkan/config_grids.h"
#include "velkan/messages.h"
#include "velkan/user_config_block.h"
#include "velkan/vesctool.h"

namespace velkan {

// The editor's actions without its windows: one current block that every
// grid and file change goes through. Messages go to the sink; each action
// says whether it succeeded (the lamps show that).
class EditorSession {
public:
    EditorSession(MessageSink report, Vesctool tool) : report_(std::move(report)), tool_(std::move(tool)) {}

    // Builds the block from the grids and writes it into every image.
    bool WriteToImages(const ConfigGrids& grids, const std::vector<std::string>& checkedImages);
    // Reads the block of an image (an empty path when none is checked) into
    // the grids.
    bool ReadFromImage(const std::string& image, ConfigGrids& grids);
    bool ImportConfig(const std::string& path, ConfigGrids& grids);
    bool SaveConfig(const std::string& path, const ConfigGrids& grids);

    const UserConfigBlock& current() const { return current_; }

private:
    bool Build(const ConfigGrids& grids);
    bool Show(ConfigGrids& grids);

    MessageSink report_;
    Vesctool tool_;
    UserConfigBlock current_;
};

}  // namespace velkan
