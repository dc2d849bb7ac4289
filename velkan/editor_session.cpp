#include "velkan/editor_session.h"

#include "velkan/driver_files.h"

namespace velkan {

bool EditorSession::Build(const ConfigGrids& grids) {
    if (auto error = BuildBlockFromGrids(grids, current_)) {
        report_(*error);
        return false;
    }
    return true;
}

bool EditorSession::Show(ConfigGrids& grids) {
    if (auto error = ShowBlock(current_, grids)) {
        report_(*error);
        return false;
    }
    return true;
}

bool EditorSession::WriteToImages(const ConfigGrids& grids, const std::vector<std::string>& checkedImages) {
    if (!Build(grids)) return false;
    return WriteBlockToImages(checkedImages, current_, tool_, report_);
}

bool EditorSession::ReadFromImage(const std::string& image, ConfigGrids& grids) {
    auto block = ReadBlockFromImage(image, tool_, report_);
    if (!block) return false;
    current_ = *block;
    return Show(grids);
}

bool EditorSession::ImportConfig(const std::string& path, ConfigGrids& grids) {
    auto block = LoadConfigFile(path, report_);
    if (!block) return false;
    current_ = *block;
    return Show(grids);
}

bool EditorSession::SaveConfig(const std::string& path, const ConfigGrids& grids) {
    // Built before the file is touched: a cell in error must not cost the
    // operator the configuration file already there.
    if (!Build(grids)) return false;
    return SaveConfigFile(path, current_, report_);
}

}  // namespace velkan
