#include "platform/qt_serial_port.h"

#include <unistd.h>

namespace tessimor {

QtSerialPort::QtSerialPort(PortResolver resolver) : resolver_(std::move(resolver)) {}

QtSerialPort::~QtSerialPort() {
  Close();
}

void QtSerialPort::Open() {
  if (port_.isOpen()) return;
  const std::string path = resolver_ ? resolver_(number_) : std::string();
  if (path.empty()) return;
  port_.setPortName(QString::fromStdString(path));
  port_.setBaudRate(kBaudRate);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  port_.setReadBufferSize(kReadBufferSize);
  if (!port_.open(QIODevice::ReadWrite)) return;
  // A pty refuses modem lines; the adapter does not need them to talk.
  port_.setDataTerminalReady(true);
  port_.clearError();
}

void QtSerialPort::Close() {
  if (port_.isOpen()) port_.close();
}

bool QtSerialPort::IsOpen() const {
  return port_.isOpen();
}

void QtSerialPort::WriteText(std::string_view text) {
  if (!port_.isOpen() || text.empty()) return;
  std::size_t done = 0;
  // Straight to the (non-blocking) descriptor: QSerialPort's own buffer switches its write
  // notifier on and off, two extra event-loop passes per command. Bytes Qt still holds go first.
  if (port_.bytesToWrite() == 0) {
    const ssize_t n = ::write(port_.handle(), text.data(), text.size());
    if (n > 0) done = static_cast<std::size_t>(n);
  }
  if (done == text.size()) return;
  port_.write(text.data() + done, static_cast<qint64>(text.size() - done));
  // Hands the rest to the driver now instead of on the next event-loop pass; never waits.
  port_.flush();
}

int QtSerialPort::WaitingCount() {
  if (!port_.isOpen()) return 0;
  return static_cast<int>(port_.bytesAvailable());
}

std::string QtSerialPort::TakeInput() {
  if (!port_.isOpen()) return {};
  const QByteArray bytes = port_.readAll();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace tessimor
