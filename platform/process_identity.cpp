#include "platform/process_identity.h"

#include <unistd.h>

#include <array>
#include <fstream>
#include <optional>
#include <sstream>

namespace tessimor {

namespace {

constexpr char kBootIdPath[] = "/proc/sys/kernel/random/boot_id";
// Fields of /proc/<pid>/stat counted from the state, the first after the parenthesised name,
// which may itself hold spaces and parentheses.
constexpr int kStartTimeAfterState = 19;  // field 22 of the whole line, the state being field 3
constexpr std::size_t kHostNameMax = 256;

std::string FirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string HostName() {
  std::array<char, kHostNameMax + 1> name{};
  if (::gethostname(name.data(), kHostNameMax) != 0) return {};
  return name.data();
}

struct ProcessState {
  char state = '?';
  std::uint64_t start_ticks = 0;
};

std::optional<ProcessState> StateOf(std::int64_t pid) {
  const std::string line = FirstLine("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t name_end = line.rfind(')');
  if (name_end == std::string::npos) return std::nullopt;
  std::istringstream fields(line.substr(name_end + 1));
  ProcessState state;
  fields >> state.state;
  std::string skipped;
  for (int field = 1; field < kStartTimeAfterState; ++field) fields >> skipped;
  fields >> state.start_ticks;
  if (!fields) return std::nullopt;
  return state;
}

bool Ended(char state) {
  return state == 'Z' || state == 'X';
}

}  // namespace

ProcessIdentity ThisProcess() {
  const std::int64_t pid = ::getpid();
  const std::optional<ProcessState> state = StateOf(pid);
  return {HostName(), FirstLine(kBootIdPath), pid, state ? state->start_ticks : 0};
}

bool HasEnded(const ProcessIdentity& who) {
  if (who.host != HostName()) return false;
  if (who.boot != FirstLine(kBootIdPath)) return true;
  const std::optional<ProcessState> state = StateOf(who.pid);
  return !state || Ended(state->state) || state->start_ticks != who.start_ticks;
}

}  // namespace tessimor
