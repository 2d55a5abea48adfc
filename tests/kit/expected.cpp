#include "tests/kit/expected.h"

#include <cstdio>

namespace tessimor::testing {

AdapterSimulator::Memory Pattern() {
  AdapterSimulator::Memory memory;
  for (std::size_t i = 0; i < memory.size(); ++i) {
    memory[i] = static_cast<std::uint8_t>(i * 31 + (i >> 8));
  }
  return memory;
}

std::string ImageText(std::string_view bytes) {
  std::string text;
  char piece[24];
  for (std::size_t address = 0; address < bytes.size(); ++address) {
    if (address % 16 == 0) {
      std::snprintf(piece, sizeof piece, "%04zX:", address);
      text += piece;
    }
    std::snprintf(piece, sizeof piece, "%02X", static_cast<unsigned char>(bytes[address]));
    text += piece;
    if (address % 16 == 15 || address + 1 == bytes.size()) text += "\r\n";
  }
  return text;
}

std::string ImageText(const AdapterSimulator::Memory& memory) {
  return ImageText(std::string_view(reinterpret_cast<const char*>(memory.data()), memory.size()));
}

std::string FullReadOnTheWire() {
  std::string wire = "!$0000\r";
  for (int line = 0; line < 2048; ++line) wire += "R\r";
  return wire;
}

}  // namespace tessimor::testing
