#pragma once

#include <cstdint>

namespace tessimor {

inline constexpr std::int32_t ModeIdle = 0;
inline constexpr std::int32_t ModeRead = 1;
inline constexpr std::int32_t ModeWrite = 2;
inline constexpr std::int32_t ModeFill = 10;
inline constexpr std::int32_t ModeByteTest = 11;
inline constexpr std::int32_t ModePageTest = 12;

}  // namespace tessimor
