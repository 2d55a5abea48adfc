#pragma once

namespace tessimor::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;     // on the way: timeout, difference, file not written
inline constexpr int kExitBadUse = 2;     // bad arguments or a bad file; nothing was sent
inline constexpr int kExitNoAdapter = 3;  // not found, or its port would not open
inline constexpr int kExitInterrupted = 130;

}  // namespace tessimor::cli
