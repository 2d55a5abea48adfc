#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessimor {

// The serial port as the rest of the program uses it. Nothing here blocks.
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  virtual void SetPortNumber(std::int16_t number) = 0;
  virtual std::int16_t PortNumber() const = 0;
  // Leaves the port closed when it cannot be opened; callers test IsOpen().
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Every character goes out as one byte, in order, with nothing added.
  virtual void WriteText(std::string_view text) = 0;
  virtual int WaitingCount() = 0;
  // All waiting bytes, raw, in arrival order.
  virtual std::string TakeInput() = 0;
  // While polled, the caller asks WaitingCount every tick, so a port that would otherwise watch
  // for arrivals by itself need not; one that never watches has nothing to do.
  virtual void SetPolled(bool) {}
};

}  // namespace tessimor
