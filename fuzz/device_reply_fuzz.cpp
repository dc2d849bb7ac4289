// The device's replies as the UART tool reads them: the read-back CRC line,
// GNSS loader lines and the debug port's read reply, from arbitrary bytes.
#include <cstdint>
#include <string>
#include <string_view>

#include "pirrow/debug_frame.h"
#include "pirrow/flash_read.h"
#include "pirrow/gnss_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const pirrow::LoaderCrc crc = pirrow::FindLoaderCrc(text);
    if (crc.wellFormed && !crc.found) __builtin_trap();
    for (int mode : {pirrow::kGnssModeRequest, pirrow::kGnssModeLoad}) (void)pirrow::JudgeGnssLine(mode, text);
    (void)pirrow::GnssProgressPercent(text);
    // A read reply's word sits right after its head.
    for (pirrow::DebugFrameForm form : {pirrow::DebugFrameForm::Short, pirrow::DebugFrameForm::Long})
        if (size >= 4) (void)pirrow::ReadReplyWord(form, data);
    return 0;
}
