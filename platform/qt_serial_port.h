#pragma once

#include <QSerialPort>
#include <functional>
#include <string>

#include "platform/serial_port.h"

namespace tessimor {

// Turns a port number into a device file; empty when the number names no port.
using PortResolver = std::function<std::string(int)>;

// The adapter's port on QSerialPort: 19200 8N1, no flow control, raw bytes.
class QtSerialPort : public SerialPort {
 public:
  explicit QtSerialPort(PortResolver resolver);
  ~QtSerialPort() override;

  void SetPortNumber(std::int16_t number) override { number_ = number; }
  std::int16_t PortNumber() const override { return number_; }
  void Open() override;
  void Close() override;
  bool IsOpen() const override;
  void WriteText(std::string_view text) override;
  int WaitingCount() override;
  std::string TakeInput() override;

  // For callers that want to react to arrivals instead of polling.
  QSerialPort& Device() { return port_; }

  static constexpr qint32 kBaudRate = 19200;
  static constexpr qint64 kReadBufferSize = 1024;

 private:
  PortResolver resolver_;
  std::int16_t number_ = 0;
  QSerialPort port_;
};

}  // namespace tessimor
