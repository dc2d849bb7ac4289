#include "station/engine/burnlist/ram_loader_check.h"

#include "common/text_search.h"
#include "station/engine/settings/station_settings.h"

namespace station {

std::string MissingRamLoader(const StationSettings& settings) {
    if (!settings.IsUart()) return {};
    const std::string device = settings.DeviceType();
    const bool fast = settings.UartBaud() > kMaxBaudOfPlainLoader;
    if (!settings.Read(fast ? UART_DRIVER_8M::For(device) : UART_DRIVER::For(device)).empty()) return {};
    return fast ? "未找到8M波特率的驱动，请设置6M以内波特率!" : "未找到对应的串口驱动，请确认!";
}

std::string CheckRamLoaderChoice(const StationSettings& settings) {
    std::string message = MissingRamLoader(settings);
    if (message.empty() && !settings.IsUart() && common::Contains(settings.DeviceType(), "QM2A"))
        message = "x QM2A 只支持串口方式控制";
    return message;
}

}  // namespace station
