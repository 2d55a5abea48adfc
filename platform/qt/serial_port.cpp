#include "platform/qt/serial_port.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <utility>

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
constexpr short kGone = POLLHUP | POLLERR | POLLNVAL;

// What poll says of the descriptor now, without waiting.
short Events(int fd) {
  pollfd state{fd, POLLIN, 0};
  return ::poll(&state, 1, 0) > 0 ? state.revents : 0;
}

bool HungUp(int fd) {
  return (Events(fd) & kGone) != 0;
}

// The notifier through which QSerialPort reads arrivals into its buffer: its child, made at open.
QSocketNotifier* ReadNotifier(QSerialPort& port) {
  for (auto* notifier : port.findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly)) {
    if (notifier->type() == QSocketNotifier::Read) return notifier;
  }
  return nullptr;
}

// Every Qt read switches that notifier back on.
std::string TakeBuffered(QSerialPort& port) {
  const QByteArray bytes = port.readAll();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
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
  // Qt reads again from the next open on; what was read goes, as Qt's own buffer does.
  polled_ = false;
  inbox_.clear();
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
  Close();
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

void QtSerialPort::SetPolled(bool polled) {
  if (polled == polled_ || !port_.isOpen()) return;
  QSocketNotifier* const notifier = ReadNotifier(port_);
  // Qt keeps reading then: the same bytes, only with the extra wake-ups.
  if (notifier == nullptr) return;
  // Taken before the switch, as Qt's read would undo it; never read through Qt while polled.
  if (polled) inbox_ += TakeBuffered(port_);
  notifier->setEnabled(!polled);
  polled_ = polled;
}

void QtSerialPort::Collect() {
  const int fd = port_.handle();
  const short events = Events(fd);
  // Nothing else would notice the unplug, not even while the adapter is silent awaiting a reply.
  if ((events & kGone) != 0) {
    Lose();
    return;
  }
  // Arrivals past the read buffer wait in the driver, as they would for Qt.
  constexpr std::size_t kInboxSize = kReadBufferSize;
  if ((events & POLLIN) == 0 || inbox_.size() >= kInboxSize) return;
  char bytes[kInboxSize];
  // Qt sets VMIN 0, so nothing read is no news (a hung-up tty said POLLHUP above); a failure may
  // be a hang-up just come, as a pty's EIO.
  const ssize_t n = ::read(fd, bytes, kInboxSize - inbox_.size());
  if (n > 0) inbox_.append(bytes, static_cast<std::size_t>(n));
  if (n < 0 && HungUp(fd)) Lose();
}

int QtSerialPort::WaitingCount() {
  if (polled_) Collect();
  if (!port_.isOpen()) return 0;
  return static_cast<int>(inbox_.size() + static_cast<std::size_t>(port_.bytesAvailable()));
}

std::string QtSerialPort::TakeInput() {
  if (!port_.isOpen()) return {};
  std::string bytes = std::exchange(inbox_, std::string());
  if (!polled_) bytes += TakeBuffered(port_);
  return bytes;
}

}  // namespace tessimor
