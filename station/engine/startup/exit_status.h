#pragma once
// The station program's exit statuses, the same for both front ends.

namespace station {

inline constexpr int kExitPass = 0;     // every job that ended passed
inline constexpr int kExitFail = 1;     // a job ended FAIL or OVER
inline constexpr int kExitRefused = 2;  // start-up or the start command refused, or nothing could start

}  // namespace station
