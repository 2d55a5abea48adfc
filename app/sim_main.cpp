// A simulated adapter on a pseudo-terminal, for trying the program and the tests without hardware.

#include <signal.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "sim/adapter_simulator.h"
#include "sim/memory_image.h"
#include "sim/pty_server.h"
#include "sim/sim_options.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kRunError = 1;
constexpr long kCheckNs = 50'000'000;

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  // A closed terminal should still keep the image.
  sigaddset(&set, SIGHUP);
  return set;
}

bool LoadImage(const std::string& path, tessimor::AdapterSimulator::Memory& memory) {
  using tessimor::ImageLoad;
  switch (tessimor::LoadMemoryImage(path, memory)) {
    case ImageLoad::kLoaded:
      return true;
    case ImageLoad::kMissing:
      // Created now, so a file that could never be saved is found out before any work is done.
      if (tessimor::SaveMemoryImage(path, memory)) return true;
      std::fprintf(stderr, "tessimor-sim: cannot create image %s\n", path.c_str());
      return false;
    case ImageLoad::kWrongSize:
      std::fprintf(stderr, "tessimor-sim: image %s is not %zu bytes long; refusing to use it\n",
                   path.c_str(), memory.size());
      return false;
    case ImageLoad::kUnreadable:
      break;
  }
  std::fprintf(stderr, "tessimor-sim: cannot read image %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto options =
      tessimor::ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), &error);
  if (!options) {
    std::fprintf(stderr, "tessimor-sim: %s\nTry --help.\n", error.c_str());
    return kUsageError;
  }
  if (options->help) {
    std::fputs(tessimor::kSimUsage, stdout);
    return 0;
  }
  if (options->version) {
    std::puts("tessimor-sim " TESSIMOR_VERSION);
    return 0;
  }

  tessimor::AdapterSimulator adapter;
  if (!options->image_path.empty() && !LoadImage(options->image_path, adapter.memory())) {
    return kUsageError;
  }

  // Blocked before the server thread starts, so only this thread ever sees them.
  const sigset_t stop = StopSignals();
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  signal(SIGPIPE, SIG_IGN);

  tessimor::PtyServer server(adapter, options->faults);
  if (!server.Start(/*hold_slave=*/false, options->once)) {
    std::fprintf(stderr, "tessimor-sim: no pseudo-terminal available\n");
    return kRunError;
  }
  std::printf("%s\n", server.SlavePath().c_str());
  std::fflush(stdout);
  std::fprintf(stderr, "tessimor-sim: serving on %s until interrupted%s\n",
               server.SlavePath().c_str(), options->once ? " or the port is closed" : "");

  const timespec check{0, kCheckNs};
  while (server.Serving()) {
    if (sigtimedwait(&stop, nullptr, &check) > 0) break;
  }
  server.Stop();
  if (server.Unplugged()) {
    std::fprintf(stderr, "tessimor-sim: unplugged after reply %d\n", server.Replies());
  }

  if (!options->image_path.empty() &&
      !tessimor::SaveMemoryImage(options->image_path, adapter.memory())) {
    std::fprintf(stderr, "tessimor-sim: could not save image %s\n", options->image_path.c_str());
    return kRunError;
  }
  return 0;
}
