#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>

namespace tessimor {

namespace {

constexpr int kIdlePollMs = 10;
constexpr auto kSplitGap = std::chrono::milliseconds(3);
constexpr int kUnplugGraceMs = 50;
// What the wake pipe carries to the serving thread.
constexpr char kStopByte = 'x';
constexpr char kUnplugByte = 'u';

// Gives up when `wake` becomes readable, so Stop never hangs on a client that stopped reading,
// and when nobody holds the slave side any more, whose bytes could never drain.
void WriteAll(int fd, int wake, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        pollfd fds[2] = {{fd, POLLOUT, 0}, {wake, POLLIN, 0}};
        if (::poll(fds, 2, kIdlePollMs) > 0 &&
            (fds[1].revents != 0 || (fds[0].revents & (POLLHUP | POLLERR)) != 0)) {
          return;
        }
        continue;
      }
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace

PtyServer::PtyServer(AdapterSimulator& adapter, PtyFaults faults)
    : adapter_(adapter), faults_(faults) {}

PtyServer::~PtyServer() {
  Stop();
}

bool PtyServer::Start(bool hold_slave, bool once) {
  once_ = once;
  termios raw{};
  cfmakeraw(&raw);
  cfsetispeed(&raw, B19200);
  cfsetospeed(&raw, B19200);
  char name[PATH_MAX] = {};
  if (::openpty(&master_, &slave_, name, &raw, nullptr) != 0) return false;
  slave_path_ = name;
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
  if (!hold_slave) {
    ::close(slave_);
    slave_ = -1;
  }
  if (::pipe(wake_) != 0) return false;
  serving_ = true;
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void PtyServer::Stop() {
  if (thread_.joinable()) {
    if (wake_[1] >= 0) {
      [[maybe_unused]] const auto ignored = ::write(wake_[1], &kStopByte, 1);
    }
    thread_.join();
  }
  CloseTerminal();
  for (int* fd : {&wake_[0], &wake_[1]}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
  serving_ = false;
}

void PtyServer::Unplug() {
  if (wake_[1] >= 0) {
    [[maybe_unused]] const auto ignored = ::write(wake_[1], &kUnplugByte, 1);
  }
}

void PtyServer::CloseTerminal() {
  // With the master gone the client's side hangs up, even while we hold the slave too.
  for (int* fd : {&master_, &slave_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
}

bool PtyServer::UnplugDue() const {
  return faults_.unplug_after >= 0 && replies_ >= faults_.unplug_after;
}

std::string PtyServer::Received() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

void PtyServer::Serve() {
  bool client = slave_ >= 0;
  char buffer[4096];
  while (true) {
    // While no one holds the slave the master reports a hang-up at once, so then only the wake
    // pipe is waited on, and the master looked at after each nap for the next client.
    pollfd fds[2] = {{client ? master_ : -1, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(fds, 2, client ? -1 : kIdlePollMs) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents != 0) {
      char request = kStopByte;
      [[maybe_unused]] const auto ignored = ::read(wake_[0], &request, 1);
      if (request == kUnplugByte) {
        // Marked first, so whoever sees the hang-up also sees that serving has ended.
        unplugged_ = true;
        serving_ = false;
        CloseTerminal();
      }
      break;
    }
    if (!client) {
      fds[0] = {master_, POLLIN, 0};
      ::poll(fds, 1, 0);
    }
    if (fds[0].revents & POLLIN) {
      const ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n > 0) {
        client = true;
        Answer(std::string_view(buffer, static_cast<std::size_t>(n)));
        if (UnplugDue()) {
          // Long enough for the client to take the last reply, which a hang-up would throw away.
          pollfd wake{wake_[0], POLLIN, 0};
          if (::poll(&wake, 1, kUnplugGraceMs) == 0) Unplug();
        }
        continue;
      }
    }
    if (!(fds[0].revents & (POLLHUP | POLLERR))) {
      // Someone holds the slave open, even if it has said nothing yet.
      client = true;
    } else if (client) {
      // Whatever it sent has been read and answered: the client has closed the port.
      client = false;
      if (once_) break;
      ForgetClient();
    }
  }
  serving_ = false;
}

void PtyServer::ForgetClient() {
  // Replies it never read would reach the next client first, and so would half a command.
  const int slave = ::open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave >= 0) {
    ::tcflush(slave, TCIFLUSH);
    ::close(slave);
  }
  adapter_.ForgetCommand();
}

void PtyServer::Answer(std::string_view bytes) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    received_ += bytes;
  }
  const std::string replies = adapter_.Feed(bytes);
  std::size_t start = 0;
  for (std::size_t cr = replies.find('\r'); cr != std::string::npos;
       cr = replies.find('\r', start)) {
    std::string reply = replies.substr(start, cr - start + 1);
    start = cr + 1;
    if (UnplugDue()) return;
    if (faults_.mute_after >= 0 && replies_ >= faults_.mute_after) continue;
    if (!faults_.noise.empty()) reply.insert(1, faults_.noise);
    if (faults_.lf) reply += '\n';
    // Counted from the first reply, so one `every` reply is always hit.
    const bool late = faults_.every <= 1 || replies_ % faults_.every == 0;
    ++replies_;
    Send(reply, late);
  }
}

void PtyServer::Send(const std::string& reply, bool late) {
  if (late && faults_.delay_ms > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(faults_.delay_ms));
  }
  if (late && faults_.split && reply.size() > 1) {
    const std::size_t half = reply.size() / 2;
    WriteAll(master_, wake_[0], std::string_view(reply).substr(0, half));
    std::this_thread::sleep_for(kSplitGap);
    WriteAll(master_, wake_[0], std::string_view(reply).substr(half));
  } else {
    WriteAll(master_, wake_[0], reply);
  }
}

}  // namespace tessimor
