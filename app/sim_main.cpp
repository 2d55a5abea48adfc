// Simulated adapters on pseudo-terminals, for trying the programs and the tests without hardware.

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <deque>
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

  const std::size_t count = options->adapters.size();
  std::vector<tessimor::AdapterSimulator> adapters(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& image = options->adapters[i].image_path;
    if (!image.empty() && !LoadImage(image, adapters[i].memory())) return kUsageError;
  }

  // Blocked before the server threads start, so only this thread ever sees them.
  const sigset_t stop = StopSignals();
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::deque<tessimor::PtyServer> servers;
  std::string paths;
  for (std::size_t i = 0; i < count; ++i) {
    tessimor::PtyServer& server = servers.emplace_back(adapters[i], options->adapters[i].faults);
    if (!server.Start(/*hold_slave=*/false, options->once)) {
      std::fprintf(stderr, "tessimor-sim: no pseudo-terminal available\n");
      return kRunError;
    }
    std::printf("%s\n", server.SlavePath().c_str());
    paths += (i == 0 ? "" : ", ") + server.SlavePath();
  }
  // All at once, so a reader of the first line finds every port already served.
  std::fflush(stdout);
  const char* closed = count > 1 ? " or the ports are closed" : " or the port is closed";
  std::fprintf(stderr, "tessimor-sim: serving on %s until interrupted%s\n", paths.c_str(),
               options->once ? closed : "");

  // An adapter unplugged leaves the others serving.
  const auto serving = [&servers] {
    return std::any_of(servers.begin(), servers.end(),
                       [](const tessimor::PtyServer& server) { return server.Serving(); });
  };
  const timespec check{0, kCheckNs};
  while (serving()) {
    if (sigtimedwait(&stop, nullptr, &check) > 0) break;
  }

  int status = 0;
  for (std::size_t i = 0; i < count; ++i) {
    servers[i].Stop();
    if (servers[i].Unplugged()) {
      const std::string which = count > 1 ? "adapter " + std::to_string(i + 1) + " " : "";
      std::fprintf(stderr, "tessimor-sim: %sunplugged after reply %d\n", which.c_str(),
                   servers[i].Replies());
    }
    const std::string& image = options->adapters[i].image_path;
    if (!image.empty() && !tessimor::SaveMemoryImage(image, adapters[i].memory())) {
      std::fprintf(stderr, "tessimor-sim: could not save image %s\n", image.c_str());
      status = kRunError;
    }
  }
  return status;
}
