#pragma once
// The corrections the parameter page makes to stored values on the way in
// (each logged), and its two "重新计数" resets. Written once here so that
// every front end corrects the same way.
#include <string>

namespace station {

class StationSettings;
struct IntKey;
struct TextKey;

inline constexpr size_t kMacDigits = 12;
inline constexpr size_t kMaskDigits = 4;
inline constexpr int kSnMinWidth = 5;
inline constexpr int kSnMaxWidth = 9;

// The MAC-address texts cut or filled on the right to their width; logName
// names the value in the log line ("BLE start addr > %d char: %s\n").
std::string LoadAddressText(const StationSettings& settings, const TextKey& key, size_t width, char fill,
                            const char* logName);

// An increment (UP_VALUE) that is absent or empty is 1; logName names it in
// the log line ("BLE up value err, use 1\n").
int LoadUpValue(const StationSettings& settings, const IntKey& key, const char* logName);

struct SnFields {
    int width = kSnMinWidth;
    std::string start;    // zero-padded to the width
    std::string current;  // zero-padded to the width
};

// START_VALUE fixes the width (5..9 digits; out-of-range values are rewritten
// at the nearest width), CUR_VALUE is clamped to the width and rewritten
// zero-padded. Every correction is logged.
SnFields LoadSnFields(const StationSettings& settings);
// "9位 [000000000, 999999999]" ... "5位 [00000, 99999]"
std::string SnWidthLabel(int width);
// A start value normalised to 5..9 digits, with its width.
SnFields NormaliseSnStart(const std::string& start);

// "重新计数" of the MAC: the current address takes the start address and the
// channels' reserved addresses are forgotten.
void RestartMacCount(const StationSettings& settings, const std::string& startAddress);
// "重新计数" of the SN: START_VALUE normalised and written, CUR_VALUE takes it,
// reserved serial numbers (both kinds) forgotten. Returns the fields shown.
SnFields RestartSnCount(const StationSettings& settings, const std::string& startValue);

}  // namespace station
