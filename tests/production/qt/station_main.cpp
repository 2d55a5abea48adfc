// A station in a process of its own: `station DB COUNT pass|hold` begins a run, reserves COUNT
// numbers (passing each, or holding them unfinished), says "ready" and then exits or waits.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/production/qt/station.h"

int main(int argc, char** argv) {
  using namespace tessimor;
  if (argc != 4) return EXIT_FAILURE;
  const bool hold = std::string(argv[3]) == "hold";
  std::string error;
  int interrupted = 0;
  auto record = production::Record::Open(argv[1], &error);
  bool ok = record && record->BeginRun(testing::kStationPlan, production::FailPolicy::kVoid, &error,
                                       &interrupted);
  for (int i = 0; ok && i < std::atoi(argv[2]); ++i) {
    const auto reservation = record->Reserve(testing::Numbers(100000), "pty", "", &error);
    ok = reservation && (hold || record->Finish(*reservation, {true, "", 0}, &error));
  }
  if (!ok) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return EXIT_FAILURE;
  }
  std::puts("ready");
  std::fflush(stdout);
  while (hold) ::pause();
  return EXIT_SUCCESS;
}
