#include "cli/signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

#include "cli/exit_codes.h"

namespace tessimor::cli {

namespace {

int g_pipe[2] = {-1, -1};

extern "C" void OnSignal(int signal_number) {
  const char byte = static_cast<char>(signal_number);
  [[maybe_unused]] const auto ignored = ::write(g_pipe[1], &byte, 1);
}

}  // namespace

bool InterruptWatch::Install() {
  if (notifier_) return true;
  if (::pipe(g_pipe) != 0) return false;
  for (const int fd : g_pipe) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) {
      if (received_ == 0) received_ = byte;
    }
    emit Interrupted();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
  return true;
}

int InterruptedExitCode(int signal_number) {
  return signal_number == SIGINT ? kExitInterrupted : 128 + signal_number;
}

}  // namespace tessimor::cli
