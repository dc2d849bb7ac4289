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

// A firmware answering as `options` say (read as it runs: a test may change them).
std::unique_ptr<Personality> MakeFactoryFirmware(std::shared_ptr<const FactoryFirmwareOptions> options);

// What the loader's jump starts: the factory firmware with `options` when
// the address is the device type's application address; nullptr otherwise.
std::unique_ptr<Personality> MakeFirmware(Device& device, uint32_t jumpAddress,
                                          std::shared_ptr<const FactoryFirmwareOptions> options);

}  // namespace devsim
