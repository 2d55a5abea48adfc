#pragma once

#include <QObject>
#include <QSerialPort>
#include <functional>
#include <string>

#include "platform/serial_port.h"

namespace tessimor {

// Turns a port number into a device file; empty when the number names no port.
using PortResolver = std::function<std::string(int)>;

// Why the last Open left the port closed.
enum class PortProblem {
  kNone,          // it opened, or no device file was tried
  kBusy,          // another program holds it
  kNoPermission,  // the user may not open it
  kNoDevice,      // nothing at that path
  kNotSerial,     // something is there, but not a serial port
  kOther,         // see OpenErrorText
};

// The adapter's port on QSerialPort: 19200 8N1, no flow control, raw bytes. When its device goes
// away (the adapter is unplugged) it closes itself at once, so nothing polls a dead descriptor,
// and says so through DeviceGone.
class QtSerialPort : public QObject, public SerialPort {
  Q_OBJECT

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

  // Polled: the caller asks WaitingCount every tick, which then reads the descriptor itself and
  // finds a hang-up there, so an arrival no longer wakes the event loop once more. Notified (the
  // default, and always once closed): Qt watches the descriptor, as readyRead and a hang-up while
  // nobody asks need. Each switch wakes the event loop: switch once an operation, not a tick.
  void SetPolled(bool polled) override;

  // For callers that want to react to arrivals instead of polling.
  QSerialPort& Device() { return port_; }
  // The device file last tried, or empty.
  const std::string& Location() const { return location_; }
  PortProblem OpenProblem() const { return problem_; }
  // What the system said when Open failed.
  const std::string& OpenErrorText() const { return open_error_; }

  static constexpr qint32 kBaudRate = 19200;
  static constexpr qint64 kReadBufferSize = 1024;

 signals:
  // The device went away under an open port, which is now closed.
  void DeviceGone();

 private:
  void OnError(QSerialPort::SerialPortError error);
  void Lose();
  void Collect();

  PortResolver resolver_;
  std::int16_t number_ = 0;
  std::string location_;
  PortProblem problem_ = PortProblem::kNone;
  std::string open_error_;
  QSerialPort port_;
  bool polled_ = false;
  std::string inbox_;  // read while polled, not taken yet
};

}  // namespace tessimor
