#pragma once

#include <string>

#include "sim/adapter_simulator.h"

// Expected values built here, apart from the code under test.
namespace tessimor::testing {

// A memory whose every 16-byte line differs from the others.
AdapterSimulator::Memory Pattern();

// The text image a full read of `bytes` saves: "AAAA:" and sixteen bytes in upper-case hex, each
// line ended by CR LF.
std::string ImageText(std::string_view bytes);
std::string ImageText(const AdapterSimulator::Memory& memory);

// What a full read sends: the start address, then one "R" a line.
std::string FullReadOnTheWire();

}  // namespace tessimor::testing
