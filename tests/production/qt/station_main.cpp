// A station in a process of its own: `station DB COUNT pass|hold` begins a run, reserves COUNT
// numbers (passing each, or holding them unfinished), says "ready" and then exits or waits; one
// that holds says its process id too, to be killed by.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/production/qt/station.h"

int main(int argc, char** argv) {
  using namespace tessimor;
  if (argc != 4) return EXIT_FAILURE;
  const bool hold = std::string(argv[3]) == "hold";
  auto record = testing::Begun(argv[1]);
  std::string error;
  for (int i = 0; i < std::atoi(argv[2]); ++i) {
    const auto reservation = record->Reserve(testing::Numbers(100000), "pty", "", &error);
    if (!reservation || (!hold && !record->Finish(*reservation, {true, "", 0}, &error))) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return EXIT_FAILURE;
    }
  }
  std::puts(hold ? ("ready " + std::to_string(::getpid())).c_str() : "ready");
  std::fflush(stdout);
  while (hold) ::pause();
  return EXIT_SUCCESS;
}
