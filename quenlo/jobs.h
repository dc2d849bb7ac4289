#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "quenlo/tool.h"

namespace quenlo {

// One job each; true on pass. Every job opens and closes its own session.
bool DownLoadSWD(Tool& t);
bool EraseAllSWD(Tool& t);
bool ReadSWD(Tool& t);
bool EraseSWD(Tool& t);
bool EraseNormalSWD(Tool& t);
// Writes the factory records of `recordFile`; a file that cannot be read
// writes nothing and passes.
bool WriteFactoryData(Tool& t, const std::string& recordFile);
bool WrFactoryOtp(Tool& t);
bool RdFactoryOtp(Tool& t);
bool AlpayCheck(Tool& t);
bool CaliBattery(Tool& t);
bool CaliCrystal(Tool& t);
// Returns the mask of requested items that did not pass (0: pass).
uint32_t PcbaTest(Tool& t);

// The crystal calibration's time in seconds from its --fish text (20 by default).
int CrystalSeconds(const std::string& fish);

// Runs the whole tool; returns the 32-bit status (0 pass, -1 failure, or
// the PCBA test's mask), after printing its "exitcode:" line when it needs one.
int32_t RunQuenlo(const std::vector<std::string>& args, Tool& t);

}  // namespace quenlo
