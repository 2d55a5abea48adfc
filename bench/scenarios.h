#pragma once

#include "bench/scenario.h"

namespace tessimor::bench {

// Each runs one whole operation against a fresh simulator and checks its outcome.
Measurement FullRead();
Measurement FullFill();
// A full read as the command-line tool runs it by default: each command goes out as soon as
// the reply is in. Its floor is the tick-paced read's, so the ratio is the share of that time.
Measurement FullReadAtReplyPace();

// The window left alone for 10 s with its adapter present, then for 10 s after an unplug;
// reports both, the second held to 1.5 times the first's CPU.
bool WindowIdle();
// tessimor-sim's server between two clients, 5 s with nobody holding the port: it must wait,
// not spin, and answer the next client.
bool SimulatorIdle();
// 100 cycles of the command-line tool's write --verify of a random image at reply pace, against
// an adapter that splits and delays some replies. Prints its own report.
bool WriteVerifySoak();
// The production `program` of a whole image with a serial number and a CRC-16, on one simulated
// adapter and then on eight at once: eight take no longer, and the program's thread stays idle.
bool GangProgram();
// The station window's round of a whole image on eight simulated adapters against the same round
// by `program`, then the window left idle with them for 10 s.
bool StationRound();
// The production record's reserve and finish of one part, each a committed, synced transaction.
bool RecordCost();
// The same on a PostgreSQL server of its own over its Unix socket, against a file in one run.
bool RecordOnServer();

// At least ten times faster than the tick pace; the program is busy all the while, so CPU
// is not held to the idle-waiting target.
inline constexpr Targets kReplyPaceTargets{.max_ratio = 0.1, .max_cpu_percent = 200.0};

}  // namespace tessimor::bench
