#pragma once
// The application firmware that "hcpu_jump_run" starts: after its start-up
// text it takes the factory test commands ("Factory enter_test", then the
// test items), the payment checks ("wechat_mark_rw", "Factory wechatpay",
// "third_func_check") and the GNSS loader's lines. Commands end in CR, LF or
// both; every answer ends in CR LF.
#include <cstdint>
#include <memory>

#include "devsim/model/device.h"
#include "devsim/model/firmware_options.h"

namespace devsim {

// A firmware answering as `options` say (the options must outlive it).
std::unique_ptr<Personality> MakeFactoryFirmware(const FactoryFirmwareOptions& options);

// What the loader's jump starts: the factory firmware with the process's
// options (FirmwareOptions()) when the address is the device type's
// application address; nullptr otherwise.
std::unique_ptr<Personality> MakeFirmware(Device& device, uint32_t jumpAddress);

}  // namespace devsim
