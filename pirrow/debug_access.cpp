#include "pirrow/debug_access.h"

#include "common/print_log.h"

namespace pirrow {

using common::PrintLog;

std::optional<uint32_t> ReadMemLogged(DebugPort& port, uint32_t address, bool secondCore) {
    std::optional<uint32_t> value = port.DebugReadWord(address, secondCore);
    if (value) {
        PrintLog(true, "ReadMem success: 0x%08x 0x%08x\n", address, *value);
    } else {
        PrintLog(true, "ReadMem error: 0x%08x 0x%08x\n", address, 0u);
    }
    return value;
}

bool WriteMemLogged(DebugPort& port, uint32_t address, uint32_t value, bool secondCore) {
    bool ok = port.DebugWriteWord(address, value, secondCore);
    PrintLog(true, ok ? "WriteMem success: 0x%08x 0x%08x\n" : "WriteMem error: 0x%08x 0x%08x\n", address, value);
    return ok;
}

bool WriteMemSingleLogged(DebugPort& port, uint32_t address, uint32_t value) {
    bool ok = port.DebugWriteWord(address, value);
    PrintLog(true, ok ? "WriteMemSingle success: 0x%08x 0x%08x\n" : "WriteMemSingle error: 0x%08x 0x%08x\n", address,
             value);
    return ok;
}

}  // namespace pirrow
