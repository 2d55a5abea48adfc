#include "bench/scenario.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

namespace tessimor::bench {

namespace {

double CpuSeconds(const rusage& usage) {
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

const char* Verdict(bool pass) {
  return pass ? "PASS" : "MISS";
}

}  // namespace

Measurement Measure(const std::string& name, double floor_seconds,
                    const std::function<bool()>& run) {
  Measurement m;
  m.name = name;
  m.floor_seconds = floor_seconds;
  rusage before{};
  rusage thread_before{};
  getrusage(RUSAGE_SELF, &before);
  getrusage(RUSAGE_THREAD, &thread_before);
  const auto start = std::chrono::steady_clock::now();
  m.completed = run();
  m.wall_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage after{};
  rusage thread_after{};
  getrusage(RUSAGE_SELF, &after);
  getrusage(RUSAGE_THREAD, &thread_after);
  m.cpu_seconds = CpuSeconds(after) - CpuSeconds(before);
  m.program_cpu_seconds = CpuSeconds(thread_after) - CpuSeconds(thread_before);
  m.peak_rss_kb = after.ru_maxrss;
  return m;
}

bool Report(const Measurement& m, const Targets& targets) {
  const double ratio = m.wall_seconds / m.floor_seconds;
  // The simulator thread stands in for the adapter's hardware, so only the program's own thread
  // is held to the CPU target.
  const double cpu_percent = 100.0 * m.program_cpu_seconds / m.wall_seconds;
  const bool ratio_ok = ratio <= targets.max_ratio;
  const bool cpu_ok = cpu_percent <= targets.max_cpu_percent;
  const bool memory_ok = m.peak_rss_kb < targets.max_peak_rss_kb;
  std::printf("%s\n", m.name.c_str());
  std::printf("  completed   %s\n", m.completed ? "yes" : "NO");
  std::printf("  wall        %8.3f s\n", m.wall_seconds);
  std::printf("  floor       %8.3f s\n", m.floor_seconds);
  std::printf("  ratio       %8.4f    target <= %.2f   %s\n", ratio, targets.max_ratio,
              Verdict(ratio_ok));
  std::printf("  cpu         %8.3f s  program thread; whole process with the simulator %.3f s\n",
              m.program_cpu_seconds, m.cpu_seconds);
  std::printf("  cpu/wall    %8.3f %%  target <= %.1f %%  %s\n", cpu_percent,
              targets.max_cpu_percent, Verdict(cpu_ok));
  std::printf("  peak memory %8.1f MB  target < %.0f MB   %s\n", m.peak_rss_kb / 1024.0,
              targets.max_peak_rss_kb / 1024.0, Verdict(memory_ok));
  std::fflush(stdout);
  return m.completed && ratio_ok && cpu_ok && memory_ok;
}

}  // namespace tessimor::bench
