#include "station/engine/burnlist/ram_loader_check.h"

#include "common/text_search.h"
#include "station/engine/log/main_log.h"
#include "station/engine/settings/station_settings.h"

namespace station {

std::string CheckRamLoaderChoice(const StationSettings& settings) {
    const std::string device = settings.DeviceType();
    if (settings.IsUart()) {
        const bool fast = settings.UartBaud() > kMaxBaudOfPlainLoader;
        if (settings.Read(fast ? UART_DRIVER_8M::For(device) : UART_DRIVER::For(device)).empty()) {
            const std::string message =
                fast ? "未找到8M波特率的驱动，请设置6M以内波特率!" : "未找到对应的串口驱动，请确认!";
            Log(0, "%s\n", message.c_str());
            return message;
        }
    } else if (common::Contains(device, "QM2A")) {
        return "x QM2A 只支持串口方式控制";
    }
    return {};
}

}  // namespace station
