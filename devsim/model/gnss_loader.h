#pragma once
#include <string_view>

#include "devsim/model/device.h"
#include "devsim/model/firmware_options.h"
#include "devsim/model/firmware_output.h"

namespace devsim {

// The GNSS firmware loader inside the application: "GNSS,01,01" requests a
// load ("GNSS,01,01,00" accepts), "GNSS,01,02" starts it ("GNSS,01,02,00"),
// then progress lines "GNSS,01,03,<stage>,<percent>" for stages 01-04 and a
// closing stage 05, and the end "GNSS,01,04,00". A refused step answers
// its code with 01 instead of 00.
class GnssLoader {
public:
    GnssLoader(const GnssLoaderOptions& options, FirmwareOutput& output) : options_(options), output_(output) {}

    // Takes a line beginning "GNSS,"; false for any other line.
    bool OnLine(Device& device, std::string_view line);

private:
    void Request(Device& device);
    void Start(Device& device);
    void Progress(Device& device, size_t step);
    void Finish(Device& device);
    void Answer(Device& device, const char* step, GnssStepOutcome outcome);

    const GnssLoaderOptions& options_;
    FirmwareOutput& output_;
    bool requested_ = false;
    bool loading_ = false;
};

}  // namespace devsim
