#include "pirrow/pcba_items.h"

namespace pirrow {

const std::array<PcbaItem, 9> kPcbaItems = {{
    {0x001, "send: Factory get_info\n", "Factory get_info\r\n", "Factory_get_info_status:OK",
     "Factory_get_info_status:FAIL", PcbaCheck::InfoData, 55},
    {0x002, "send: Factory TEST_BT\n", "Factory bt\r\n", "Factory_bt_status:OK", "Factory_bt_status:FAIL",
     PcbaCheck::BtData, 60},
    {0x004, "send: Factory gsensor\n", "Factory gsensor\r\n", "Factory_gsensor_status:OK",
     "Factory_gsensor_status:FAIL", PcbaCheck::None, 65},
    {0x008, "send: Factory ble_mac\n", "Factory ble_mac\r\n", "Factory_ble_mac_status:OK",
     "Factory_ble_mac_status:FAIL", PcbaCheck::None, 70},
    {0x020, "send: Factory hr\n", "Factory hr\r\n", "Factory_hr_status:OK", "Factory_hr_status:FAIL",
     PcbaCheck::None, 75},
    {0x040, "send: Factory flash\n", "Factory flash\r\n", "Factory_flash_status:OK", "Factory_flash_status:FAIL",
     PcbaCheck::None, 80},
    {0x080, "send: Factory charger\n", "Factory charger\r\n", "Factory_charger_status:OK",
     "Factory_charger_status:FAIL", PcbaCheck::None, 85},
    {0x100, "send: Factory cywee\n", "Factory cywee\r\n", "Factory_cywee_status:OK", "Factory_cywee_status:FAIL",
     PcbaCheck::None, 90},
    {0x200, "send: Factory wifi_info\n", "Factory wifi_info\r\n", "Factory_wifi_info_status:OK",
     "Factory_wifi_info_status:FAIL", PcbaCheck::WifiVersion, 95},
}};

}  // namespace pirrow
