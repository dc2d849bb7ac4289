#pragma once
// The PCBA test's items that check more than a status reply.
#include "quenlo/rtt.h"

namespace quenlo {

bool CheckDeviceInfo(Tool& t);
bool CheckBluetooth(Tool& t, uint32_t waitMs);
bool CheckWifi(Tool& t);
bool CheckPayment(Tool& t);

}  // namespace quenlo
