#include <algorithm>
#include <cstdio>
#include <random>
#include <sstream>

#include "bench/scenarios.h"
#include "cli/commands.h"
#include "platform/bound_inventory.h"
#include "sim/pty_server.h"
#include "tests/kit/files.h"

namespace tessimor::bench {

namespace {

constexpr int kCycles = 100;
// One reply in sixteen comes in two parts and late, past the 10 ms tick.
constexpr PtyFaults kUnevenAdapter{.split = true, .delay_ms = 12, .every = 16};

}  // namespace

bool WriteVerifySoak() {
  const testing::TempDir dir;
  const std::string image_path = dir.File("image.bin");
  std::mt19937 random(2026);
  int cycles = 0;
  int failed_cycles = 0;
  std::size_t compared = 0;
  std::size_t differing = 0;
  const Measurement m = Measure("write --verify soak", 1.0, [&] {
    for (; cycles < kCycles; ++cycles) {
      std::string image(AdapterSimulator::kSize, '\0');
      for (char& byte : image) byte = static_cast<char>(random());
      if (!testing::WriteWholeFile(image_path, image)) return false;

      AdapterSimulator adapter;
      PtyServer server(adapter, kUnevenAdapter);
      if (!server.Start()) return false;
      BoundInventory inventory(server.SlavePath());
      cli::Options options;
      options.command = cli::Command::Write;
      options.file = image_path;
      options.verify = true;
      options.pace = Pace::Reply;
      options.quiet = true;
      std::istringstream in;
      std::ostringstream out, err;
      cli::Environment environment{in, out, err};
      const int status = cli::RunCommand(options, inventory, environment);
      server.Stop();
      if (status != 0) {
        ++failed_cycles;
        std::fprintf(stderr, "cycle %d: exit %d: %s", cycles, status, err.str().c_str());
      }
      // Checked apart from the tool's own verify, straight against the simulated memory.
      for (std::size_t i = 0; i < image.size(); ++i) {
        differing += adapter.memory()[i] != static_cast<std::uint8_t>(image[i]);
      }
      compared += image.size();
    }
    return failed_cycles == 0 && differing == 0;
  });
  std::printf("%s\n", m.name.c_str());
  std::printf("  cycles      %8d    failed %d\n", cycles, failed_cycles);
  std::printf("  compared    %8zu bytes, %zu differ\n", compared, differing);
  std::printf("  wall        %8.3f s  (%.3f s a cycle)\n", m.wall_seconds,
              m.wall_seconds / std::max(cycles, 1));
  std::printf("  cpu         %8.3f s  program thread; whole process %.3f s\n",
              m.program_cpu_seconds, m.cpu_seconds);
  std::printf("  peak memory %8.1f MB\n", m.peak_rss_kb / 1024.0);
  std::printf("  %s\n", m.completed ? "PASS" : "FAIL");
  std::fflush(stdout);
  return m.completed;
}

}  // namespace tessimor::bench
