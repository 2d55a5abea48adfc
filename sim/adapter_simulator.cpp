#include "sim/adapter_simulator.h"

#include <cstdio>
#include <optional>

namespace tessimor {

namespace {

constexpr std::uint16_t kAddressMask = 0x7FFF;
constexpr char kDigits[] = "0123456789ABCDEF";

std::optional<int> HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return std::nullopt;
}

std::string Hex4(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
  return text;
}

}  // namespace

std::string AdapterSimulator::Feed(std::string_view bytes) {
  std::string replies;
  for (const char c : bytes) {
    if (c == '\r') {
      replies += Execute(std::move(command_));
      command_.clear();
    } else if (c != '\n' && command_.size() < 4096) {
      // A terminal may send LF after CR; it means nothing here.
      command_ += c;
    }
  }
  return replies;
}

std::string AdapterSimulator::Execute(std::string command) {
  const std::size_t start = command.find_first_not_of('!');
  command.erase(0, start == std::string::npos ? command.size() : start);
  if (command == "$") return "$" + Hex4(pointer_) + "\r";
  if (command.size() > 1 && command[0] == '$') {
    unsigned address = 0;
    for (std::size_t i = 1; i < command.size(); ++i) {
      const auto digit = HexValue(command[i]);
      if (!digit) return "?" + command + "\r";
      address = ((address << 4) | static_cast<unsigned>(*digit)) & kAddressMask;
    }
    pointer_ = static_cast<std::uint16_t>(address);
    return {};
  }
  if (command == "R") return ReadLine();
  if (!command.empty() && command[0] == 'W') {
    const std::string reply = WriteLine(std::string_view(command).substr(1));
    if (!reply.empty()) return reply;
  }
  return "?" + command + "\r";
}

std::string AdapterSimulator::ReadLine() {
  std::string reply = "R" + Hex4(pointer_) + ":";
  for (int i = 0; i < 16; ++i) {
    const std::uint8_t byte = memory_[pointer_];
    reply += kDigits[byte >> 4];
    reply += kDigits[byte & 0xF];
    pointer_ = (pointer_ + 1) & kAddressMask;
  }
  return reply + "\r";
}

std::string AdapterSimulator::WriteLine(std::string_view hex) {
  if (hex.size() % 2 != 0) return {};
  for (const char c : hex) {
    if (!HexValue(c)) return {};
  }
  const std::uint16_t first = pointer_;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    memory_[pointer_] = static_cast<std::uint8_t>(*HexValue(hex[i]) * 16 + *HexValue(hex[i + 1]));
    pointer_ = (pointer_ + 1) & kAddressMask;
  }
  return "W" + Hex4(first) + "\r";
}

}  // namespace tessimor
