#pragma once

#include "bench/scenario.h"

namespace tessimor::bench {

// Each runs one whole operation against a fresh simulator and checks its outcome.
Measurement FullRead();
Measurement FullFill();
// A full read as the command-line tool runs it by default: each command goes out as soon as
// the reply is in. Its floor is the tick-paced read's, so the ratio is the share of that time.
Measurement FullReadAtReplyPace();

// At least ten times faster than the tick pace; the program is busy all the while, so CPU
// is not held to the idle-waiting target.
inline constexpr Targets kReplyPaceTargets{.max_ratio = 0.1, .max_cpu_percent = 200.0};

}  // namespace tessimor::bench
