#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "bench/scenarios.h"
#include "sim/pty_server.h"

namespace tessimor::bench {

namespace {

constexpr int kIdleMs = 5000;
constexpr int kReplyWaitMs = 1000;
constexpr char kReadCommand[] = "$0000\rR\r";
constexpr char kFirstReply[] = "R0000:FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\r";

// One client's visit: opens the port, asks for the first line and takes the reply, closes.
bool Visit(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  std::string reply;
  bool sent = ::write(fd, kReadCommand, sizeof kReadCommand - 1) > 0;
  pollfd in{fd, POLLIN, 0};
  while (sent && reply.size() < sizeof kFirstReply - 1 && ::poll(&in, 1, kReplyWaitMs) > 0) {
    char buffer[64];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    reply.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return reply == kFirstReply;
}

}  // namespace

bool SimulatorIdle() {
  AdapterSimulator adapter;
  PtyServer server(adapter);
  if (!server.Start(/*hold_slave=*/false) || !Visit(server.SlavePath())) return false;
  Measurement m = Measure("simulator waiting for its next client (5 s)", kIdleMs / 1000.0, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(kIdleMs));
    return Visit(server.SlavePath());
  });
  // The simulator's own thread is what waits here; this one only sleeps.
  m.program_cpu_seconds = m.cpu_seconds;
  return Report(m, {.max_ratio = 1.05});
}

}  // namespace tessimor::bench
