#pragma once

#include <functional>
#include <string>

namespace tessimor::bench {

struct Measurement {
  std::string name;
  bool completed = false;  // the scenario did all its work correctly
  double floor_seconds = 0;
  double wall_seconds = 0;
  double cpu_seconds = 0;          // whole process, user + system: the simulator thread included
  double program_cpu_seconds = 0;  // the calling thread only: what the program itself spends
  long peak_rss_kb = 0;            // high-water mark of the process so far
};

// Runs `run` once and measures it; `run` says whether it did its work correctly.
Measurement Measure(const std::string& name, double floor_seconds,
                    const std::function<bool()>& run);

struct Targets {
  double max_ratio = 1.01;
  double max_cpu_percent = 2.0;
  long max_peak_rss_kb = 40 * 1024;
};

// Prints the figures and a PASS or MISS per target; true when everything passed.
bool Report(const Measurement& m, const Targets& targets = {});

}  // namespace tessimor::bench
