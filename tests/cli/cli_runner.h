#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <tuple>

#include "tests/kit/files.h"

// The real program run as a script would run it, by the cli test programs.
namespace tessimor::testing {

using Result = std::tuple<int, std::string, std::string>;  // status, err, out

// Root made nobody, whom a file, folder or device shut to others keeps out.
inline const std::string kAsNobody =
    "$([ $(id -u) = 0 ] && echo setpriv --reuid=65534 --regid=65534 --clear-groups) ";

inline int Shell(const std::string& line) {
  return WEXITSTATUS(std::system(line.c_str()));
}

// The program, copied where whoever runs it can reach it (root made nobody too), run in `dir`.
class Cli {
 public:
  // `tidy` drops from what it says what differs from run to run.
  explicit Cli(std::function<std::string(const std::string&)> tidy) : tidy_(std::move(tidy)) {
    EXPECT_EQ(Shell("cd " + bin_.path() + " && cp '" TESSIMOR_CLI_PATH "' cli && chmod 755 . " +
                    dir.path()),
              0);
  }
  std::string Path() const { return bin_.File("cli"); }
  // `args` run under `wrapper`, with standard input, output and errors in files of `dir`.
  std::string Line(const std::string& args, const std::string& wrapper = "") const {
    return "cd " + dir.path() + " && exec " + wrapper + Path() + " " + args + " <in >out 2>err";
  }
  Result Run(const std::string& args, const std::string& input = "",
             const std::string& wrapper = "") const {
    WriteWholeFile(dir.File("in"), input);
    return Ran(Shell(Line(args, wrapper)));
  }
  // Runs as Run does, and sends `signal` once `ready` holds, or after ten seconds.
  Result Signalled(const std::string& args, int signal, const std::function<bool()>& ready) const {
    WriteWholeFile(dir.File("in"), "");
    const std::string line = Line(args);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execl("/bin/sh", "sh", "-c", line.c_str(), nullptr);
      ::_exit(127);
    }
    for (int i = 0; i < 1000 && !ready(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return Ran(WEXITSTATUS(status));
  }

  TempDir dir;

 private:
  Result Ran(int status) const {
    return {status, tidy_(ReadWholeFile(dir.File("err"))), tidy_(ReadWholeFile(dir.File("out")))};
  }

  TempDir bin_;
  std::function<std::string(const std::string&)> tidy_;
};

}  // namespace tessimor::testing
