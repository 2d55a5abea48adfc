#include "tests/sim/pty_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace tessimor::testing {

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point end) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
  return std::max(0, static_cast<int>(left.count()));
}

}  // namespace

PtyClient::PtyClient(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return;
  termios raw{};
  ::tcgetattr(fd_, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(fd_, TCSANOW, &raw);
}

PtyClient::~PtyClient() {
  Close();
}

void PtyClient::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void PtyClient::Write(const std::string& bytes) {
  std::size_t done = 0;
  while (fd_ >= 0 && done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else {
      pollfd out{fd_, POLLOUT, 0};
      if (::poll(&out, 1, 1000) <= 0) return;
    }
  }
}

std::vector<std::string> PtyClient::ReadChunks(std::size_t bytes, int timeout_ms) {
  std::vector<std::string> chunks;
  std::size_t total = 0;
  const auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
  char buffer[4096];
  while (fd_ >= 0 && total < bytes) {
    pollfd in{fd_, POLLIN, 0};
    if (::poll(&in, 1, MsLeft(end)) <= 0) break;
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n <= 0) break;
    chunks.emplace_back(buffer, static_cast<std::size_t>(n));
    total += static_cast<std::size_t>(n);
  }
  return chunks;
}

std::string PtyClient::ReadReplies(int crs, int timeout_ms) {
  std::string text;
  const auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::count(text.begin(), text.end(), '\r') < crs && MsLeft(end) > 0) {
    for (const std::string& chunk : ReadChunks(1, MsLeft(end))) text += chunk;
  }
  return text + ReadFor(20);
}

std::string PtyClient::ReadFor(int ms) {
  std::string text;
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (MsLeft(end) > 0) {
    for (const std::string& chunk : ReadChunks(1, MsLeft(end))) text += chunk;
  }
  return text;
}

}  // namespace tessimor::testing
