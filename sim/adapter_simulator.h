#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessimor {

// Stands in for the adapter: a 32 KB memory behind an address pointer, answering each
// CR-ended command. Read replies carry "address:data" so a saved file writes back unchanged.
class AdapterSimulator {
 public:
  static constexpr std::size_t kSize = 32768;
  using Memory = std::array<std::uint8_t, kSize>;

  AdapterSimulator() { memory_.fill(0xFF); }
  explicit AdapterSimulator(const Memory& memory) : memory_(memory) {}

  // Takes received bytes; returns the reply bytes of every command they complete.
  std::string Feed(std::string_view bytes);
  // Drops a command not yet ended with CR.
  void ForgetCommand() { command_.clear(); }

  const Memory& memory() const { return memory_; }
  Memory& memory() { return memory_; }
  std::uint16_t pointer() const { return pointer_; }

 private:
  std::string Execute(std::string command);
  std::string ReadLine();
  std::string WriteLine(std::string_view hex);

  Memory memory_{};
  std::uint16_t pointer_ = 0;
  std::string command_;
};

}  // namespace tessimor
