#pragma once

namespace tessimor {

// Tick: one command a 10 ms tick, as the window goes. Reply: the next command as soon as the
// reply is in; the tick still keeps the timeout.
enum class Pace { Tick, Reply };

}  // namespace tessimor
