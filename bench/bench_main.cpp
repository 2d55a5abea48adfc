// Times whole transfers against the simulator with the real timer, port, receiver and engine.
// Arguments pick scenarios by key; none runs them all.

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/scenarios.h"

namespace {

struct Scenario {
  const char* key;
  std::function<tessimor::bench::Measurement()> run;
  tessimor::bench::Targets targets = {};
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const std::vector<Scenario> scenarios = {
      {"read", tessimor::bench::FullRead},
      {"fill", tessimor::bench::FullFill},
      {"read-reply", tessimor::bench::FullReadAtReplyPace, tessimor::bench::kReplyPaceTargets},
  };
  const std::vector<std::string> wanted(argv + 1, argv + argc);
  for (const std::string& key : wanted) {
    if (std::none_of(scenarios.begin(), scenarios.end(),
                     [&](const Scenario& s) { return key == s.key; })) {
      std::fprintf(stderr, "tessimor-bench: no scenario \"%s\"; known:", key.c_str());
      for (const Scenario& s : scenarios) std::fprintf(stderr, " %s", s.key);
      std::fprintf(stderr, "\n");
      return 2;
    }
  }
  bool all_passed = true;
  for (const Scenario& scenario : scenarios) {
    if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), scenario.key) == wanted.end()) {
      continue;
    }
    all_passed = tessimor::bench::Report(scenario.run(), scenario.targets) && all_passed;
  }
  std::printf("%s\n", all_passed ? "all targets met" : "some targets missed");
  return all_passed ? 0 : 1;
}
