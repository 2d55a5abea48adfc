#pragma once

#include <functional>

#include "link/receiver.h"

namespace tessimor::testing {

struct TickRun {
  int ticks = 0;
  bool stopped = false;  // `until` ended the run before the tick limit
};

// Drives the receiver from a real 10 ms precise timer in a Qt event loop, as the window does.
// `until` is asked after every tick, with the tick's number from 1.
TickRun RunTicks(Receiver& receiver, const std::function<bool(int tick)>& until, int max_ticks);

}  // namespace tessimor::testing
