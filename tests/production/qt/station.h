#pragma once

#include <cstdint>
#include <string>

#include "production/qt/record.h"

namespace tessimor::testing {

// The series every test station programs unless a test says otherwise.
inline const production::SeriesPlan kStationPlan{"9f86d081884c7d65", "serial 0x0010:u32le",
                                                 "start 100000 step 1"};

inline production::NumberAt Numbers(std::uint64_t start, std::uint64_t step = 1) {
  return [=](std::uint64_t index, std::string*) { return std::to_string(start + step * index); };
}

}  // namespace tessimor::testing
