#pragma once

#include "bench/scenario.h"

namespace tessimor::bench {

// Each runs one whole operation against a fresh simulator and checks its outcome.
Measurement FullRead();
Measurement FullFill();

}  // namespace tessimor::bench
