// Times whole transfers against the simulator with the real timer, port, receiver and engine.
// Arguments pick scenarios by key; none runs them all.

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/scenarios.h"

namespace {

struct Scenario {
  const char* key;
  std::function<bool()> run;  // reports, then says whether every target was met
};

// A scenario that measures one run and reports it against `targets`.
std::function<bool()> Reported(tessimor::bench::Measurement (*run)(),
                               tessimor::bench::Targets targets = {}) {
  return [run, targets] { return tessimor::bench::Report(run(), targets); };
}

}  // namespace

int main(int argc, char** argv) {
  // The window is measured, never looked at.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  using namespace tessimor::bench;
  const std::vector<Scenario> scenarios = {
      {"read", Reported(FullRead)},
      {"fill", Reported(FullFill)},
      {"read-reply", Reported(FullReadAtReplyPace, kReplyPaceTargets)},
      {"idle", WindowIdle},
      {"sim-idle", SimulatorIdle},
      {"soak", WriteVerifySoak},
      {"gang", GangProgram},
      {"record", RecordCost},
      {"record-server", RecordOnServer},
      {"station", StationRound},
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
    all_passed = scenario.run() && all_passed;
  }
  std::printf("%s\n", all_passed ? "all targets met" : "some targets missed");
  return all_passed ? 0 : 1;
}
