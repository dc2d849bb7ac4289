#include "station/engine/jobs/function_selection.h"

#include "station/engine/settings/station_settings.h"

namespace station {

void FunctionSelection::Load(const StationSettings& settings, bool* replaced) {
    func_ = settings.LoadFuncType(replaced);
    cali_ = settings.Read(COMMON_SET::CALI_TYPE);
    test_ = settings.LoadTestType();
    erase_ = settings.LoadEraseMask(func_);
}

void FunctionSelection::Select(const StationSettings& settings, int funcType) {
    func_ = funcType;
    erase_ = settings.LoadEraseMask(funcType);
    settings.Write(COMMON_SET::FUNC_TYPE, funcType);
}

}  // namespace station
