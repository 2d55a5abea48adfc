#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/pty_server.h"

// Simulated adapters and the memory a programmed part holds, for the cli test programs.
namespace tessimor::testing {

inline std::string Bytes(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

// An erased memory holding the cli tests' golden image (16 bytes at 0x0000, gaps for a serial
// number at 0x0010 and its CRC-16 at 0x001C, CAFE at 0x0200) with a part's serial and CRC, in hex.
inline std::string PartMemory(const std::string& serial, const std::string& crc) {
  return std::string(32768, '\xFF')
      .replace(0, 30, Bytes("000102030405060708090A0B0C0D0E0F" + serial + "1011121314151617" + crc))
      .replace(0x200, 2, "\xCA\xFE");
}

// Erased adapters, each served on a pty of its own; the first ones with `faults`.
class Gang {
 public:
  explicit Gang(std::size_t count, const std::vector<PtyFaults>& faults = {}) {
    for (std::size_t i = 0; i < count; ++i) {
      adapters_.push_back(std::make_unique<AdapterSimulator>());
      servers_.push_back(std::make_unique<PtyServer>(*adapters_.back(),
                                                     i < faults.size() ? faults[i] : PtyFaults{}));
      EXPECT_TRUE(servers_.back()->Start(/*hold_slave=*/true));
      ports_ += " --port " + servers_.back()->SlavePath();
    }
  }
  const std::string& Ports() const { return ports_; }
  std::string Port(std::size_t i) const { return servers_[i]->SlavePath(); }
  std::string Memory(std::size_t i) const {
    return std::string(adapters_[i]->memory().begin(), adapters_[i]->memory().end());
  }
  std::string Received(std::size_t i) const { return servers_[i]->Received(); }

 private:
  std::vector<std::unique_ptr<AdapterSimulator>> adapters_;  // outlive their servers
  std::vector<std::unique_ptr<PtyServer>> servers_;
  std::string ports_;
};

}  // namespace tessimor::testing
