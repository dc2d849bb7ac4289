#pragma once
#include <cstdint>

#include "pirrow/session.h"

namespace pirrow {

// One job each; true on pass. Every job opens and closes the port itself.
bool DownLoadUart(Session& s);
bool ReadUart(Session& s);
bool EraseAddrUart(Session& s);
bool EraseAllUart(Session& s);
bool EraseExcludeAddrUart(Session& s);
bool CaliCrystal(Session& s);
bool CaliBattery(Session& s);
bool WrFactoryOtp(Session& s);
bool AlpayCheck(Session& s);
bool GpsLoad(Session& s);
bool RdFactoryOtp(Session& s);
// Returns the mask of the test items that did not pass (0: pass).
uint32_t PcbaTest(Session& s);

// Writes the factory records of the burn list's record file (the loader runs).
bool WrFactoryOtpAll(Session& s, const std::string& recordFile);

// Runs the whole tool on parsed arguments; returns the 32-bit status
// (0 pass, -1 failure, or a PCBA failure mask).
int32_t RunPirrow(const std::vector<std::string>& args, Session& s);

}  // namespace pirrow
