#pragma once

#include <cstdint>
#include <span>

namespace tessimor::production {

// CRC-16/CCITT-FALSE: poly 0x1021, init 0xFFFF, not reflected, no final xor.
std::uint16_t Crc16(std::span<const std::uint8_t> bytes);
// CRC-32 as Ethernet and zip use it: reflected poly 0xEDB88320, init and final xor 0xFFFFFFFF.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes);

}  // namespace tessimor::production
