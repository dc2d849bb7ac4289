#pragma once
// The station functions (FUNC_TYPE) and the texts a channel shows for them.

namespace station {

// FUNC_TYPE bits.
inline constexpr int kFuncBurn = 1;
inline constexpr int kFuncErase = 2;
inline constexpr int kFuncCalibrate = 4;
inline constexpr int kFuncTest = 8;
inline constexpr int kFuncGps = 16;

// CALI_TYPE bits.
inline constexpr int kCaliCrystal = 1;
inline constexpr int kCaliBattery = 2;

// Erase mask bits.
inline constexpr int kEraseWholeFlash = 0x1;
inline constexpr int kEraseFactoryArea = 0x10;
inline constexpr int kEraseNonFactoryArea = 0x20;

// Only these bits of TEST_TYPE name test items.
inline constexpr int kTestItemMask = 0x3FF;

// One of the job kinds a channel runs: 1, 2, 4, 5, 8, 9, 12, 13, 16.
bool IsJobFunction(int funcType);

// Caption of a channel's start button once its job has ended ("烧录",
// "烧+校", ...); while a job runs, or for a value without a caption, it is
// kStopCaption.
const char* ButtonCaption(int funcType);
inline constexpr const char* kStopCaption = "停止";

// Phase texts of a channel.
inline constexpr const char* kPhaseMonitor = "监控";
inline constexpr const char* kPhaseBurn = "烧录";
inline constexpr const char* kPhaseCrystal = "48M校准";
inline constexpr const char* kPhaseBattery = "电池校准";
inline constexpr const char* kPhaseTest = "测试";
inline constexpr const char* kPhaseErase = "擦除";
inline constexpr const char* kPhaseGps = "GPS烧录";

}  // namespace station
