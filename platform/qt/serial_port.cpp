#include "platform/qt/serial_port.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessimor {

namespace {

// Why an open failed: never kNone.
PortProblem ProblemOf(QSerialPort::SerialPortError error, const std::string& path) {
  switch (error) {
    case QSerialPort::DeviceNotFoundError:
      return PortProblem::kNoDevice;
    case QSerialPort::PermissionError:
      // Qt says this of a port another program holds as well; the file's own modes tell apart.
      return ::access(path.c_str(), R_OK | W_OK) == 0 ? PortProblem::kBusy
                                                      : PortProblem::kNoPermission;
    case QSerialPort::UnsupportedOperationError:
      return PortProblem::kNotSerial;
    default:
      break;
  }
  // Qt has no word of its own for a folder or a plain file.
  struct stat info {};
  const bool elsewhere = ::stat(path.c_str(), &info) == 0 && !S_ISCHR(info.st_mode);
  return elsewhere ? PortProblem::kNotSerial : PortProblem::kOther;
}

// What a tty whose device went away says for ever after.
bool HungUp(int fd) {
  pollfd state{fd, POLLIN, 0};
  return ::poll(&state, 1, 0) > 0 && (state.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace

QtSerialPort::QtSerialPort(PortResolver resolver) : resolver_(std::move(resolver)) {
  connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::OnError);
}

QtSerialPort::~QtSerialPort() {
  Close();
}

void QtSerialPort::Open() {
  if (port_.isOpen()) return;
  location_ = resolver_ ? resolver_(number_) : std::string();
  problem_ = PortProblem::kNone;
  open_error_.clear();
  if (location_.empty()) return;
  port_.setPortName(QString::fromStdString(location_));
  port_.setBaudRate(kBaudRate);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  port_.setReadBufferSize(kReadBufferSize);
  if (!port_.open(QIODevice::ReadWrite)) {
    problem_ = ProblemOf(port_.error(), location_);
    open_error_ = port_.errorString().toStdString();
    return;
  }
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

void QtSerialPort::OnError(QSerialPort::SerialPortError error) {
  // A hung-up tty reads as end of file (ReadError) or fails with EIO (ResourceError), and its
  // descriptor stays readable for ever. Qt reports a passing EAGAIN the same way, hence the check.
  const bool failed = error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
  if (failed && port_.isOpen() && HungUp(port_.handle())) Lose();
}

void QtSerialPort::Lose() {
  port_.close();
  emit DeviceGone();
}

void QtSerialPort::WriteText(std::string_view text) {
  if (!port_.isOpen() || text.empty()) return;
  std::size_t done = 0;
  // Straight to the (non-blocking) descriptor: QSerialPort's own buffer switches its write
  // notifier on and off, two extra event-loop passes per command. Bytes Qt still holds go first.
  if (port_.bytesToWrite() == 0) {
    const ssize_t n = ::write(port_.handle(), text.data(), text.size());
    if (n < 0 && HungUp(port_.handle())) {
      Lose();
      return;
    }
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
