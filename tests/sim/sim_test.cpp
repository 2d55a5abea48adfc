#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "sim/adapter_simulator.h"
#include "sim/pty_server.h"
#include "tests/support/temp_dir.h"

namespace tessimor {
namespace {

using Clock = std::chrono::steady_clock;
using testing::ReadWholeFile;

// The far side of a simulator pty (which the server makes raw), as a serial program holds it.
struct PtyClient {
  explicit PtyClient(const std::string& path)
      : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
  ~PtyClient() { ::close(fd); }

  // Gives up when the far side takes nothing for a second.
  void Write(const std::string& bytes) {
    pollfd out{fd, POLLOUT, 0};
    for (std::size_t done = 0; done < bytes.size() && ::poll(&out, 1, 1000) > 0;) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno != EAGAIN) break;  // hung up
      done += static_cast<std::size_t>(std::max<ssize_t>(0, n));
    }
  }

  // What comes until `crs` CRs have come and 20 ms more have passed, or until nothing has come
  // for `quiet_ms`; `reads` counts the read() calls that gave bytes.
  std::string Read(int crs, int quiet_ms = 5000, int* reads = nullptr) {
    std::string text;
    char buffer[4096];
    pollfd in{fd, POLLIN, 0};
    while (::poll(&in, 1, std::count(text.begin(), text.end(), '\r') < crs ? quiet_ms : 20) > 0) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
      if (reads) ++*reads;
    }
    return text;
  }

  int fd;
};

TEST(AdapterSimulator, CommandTableFedWholeAndByteByByte) {
  const std::string ff(12, 'F');
  const std::string erased = ff + ff + "FFFFFFFF";
  struct Case {
    std::string input;
    std::string replies;
    std::uint16_t pointer;
  };
  const std::vector<Case> cases = {
      {"!!$\r!$0010\r", "$0000\r", 0x10},
      {"$FFFF\r$\r$abcd\r$\r$12G4\r", "$7FFF\r$2BCD\r?$12G4\r", 0x2BCD},
      {"!!R\r\n$\r\n", "R0000:" + erased + "\r$0010\r", 0x10},
      {"$0100\rR\rR\r", "R0100:" + erased + "\rR0110:" + erased + "\r", 0x120},
      {"$0200\rWabcdef00\r$\r$0200\rR\r", "W0200\r$0204\rR0200:ABCDEF00" + ff + ff + "\r", 0x210},
      {"W012\rW0G\rW0102X3\rR\r", "?W012\r?W0G\r?W0102X3\rR0000:" + erased + "\r", 0x10},
      {"r\rXYZ\r\r", "?r\r?XYZ\r?\r", 0},
      // Writing and reading both wrap from 0x7FFF to 0x0000.
      {"$7FFE\rW01020304\r$\r$7FF8\rR\r", "W7FFE\r$0002\rR7FF8:" + ff + "01020304" + ff + "\r", 8},
  };
  for (const Case& c : cases) {
    AdapterSimulator whole;
    EXPECT_EQ(whole.Feed(c.input), c.replies) << c.input;
    EXPECT_EQ(whole.pointer(), c.pointer) << c.input;
    AdapterSimulator bytewise;
    std::string replies;
    for (const char byte : c.input) replies += bytewise.Feed(std::string(1, byte));
    EXPECT_EQ(replies, c.replies) << c.input;
  }
}

TEST(PtyServer, FaultTable) {
  const auto r = [](int i) {
    return "R00" + std::to_string(i) + "0:" + std::string(32, 'F') + "\r";
  };
  const std::vector<std::pair<PtyFaults, std::string>> cases = {
      {{.mute_after = 2}, r(0) + r(1)},
      {{.lf = true}, r(0) + "\n" + r(1) + "\n" + r(2) + "\n"},
      {{.split = true}, r(0) + r(1) + r(2)},
      {{.delay_ms = 300}, r(0) + r(1) + r(2)},
      {{.unplug_after = 2}, r(0) + r(1)},
  };
  for (const auto& [faults, expected] : cases) {
    AdapterSimulator adapter;
    PtyServer server(adapter, faults);
    ASSERT_TRUE(server.Start());
    PtyClient client(server.SlavePath());
    std::string replies;
    int reads = 0;
    const auto start = Clock::now();
    // One command at a time, so the halves of a split reply cannot merge with its neighbour's.
    for (int i = 0; i < 3; ++i) {
      client.Write("R\r");
      replies += client.Read(1, 1000, &reads);
    }
    EXPECT_EQ(replies, expected);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(3 * faults.delay_ms));
    EXPECT_EQ(server.Replies(), std::count(expected.begin(), expected.end(), '\r'));
    // Muted commands are still carried out; after an unplug nothing arrives any more.
    const bool unplugged = faults.unplug_after >= 0;
    EXPECT_EQ(adapter.pointer(), unplugged ? 0x20 : 0x30);
    pollfd state{client.fd, POLLIN, 0};
    EXPECT_EQ(::poll(&state, 1, 0) > 0 && (state.revents & POLLHUP) != 0, unplugged);
    EXPECT_EQ(server.Serving(), !unplugged);
    // A loaded machine may take both halves at once now and then, but not every time.
    EXPECT_TRUE(!faults.split || reads > 3) << reads;
  }
}

// tessimor-sim run as a child, its stdout and stderr on one pipe. A hang is ended by the test
// timeout.
struct SimProcess {
  explicit SimProcess(std::vector<std::string> args) {
    args.insert(args.begin(), TESSIMOR_SIM_PATH);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int out[2];
    EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
    pid = ::fork();
    if (pid == 0) {
      ::dup2(out[1], STDOUT_FILENO);
      ::dup2(out[1], STDERR_FILENO);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    output = ::fdopen(out[0], "r");
  }
  ~SimProcess() {
    if (output != nullptr && ::kill(pid, SIGKILL) == 0) Wait();
  }

  // The output up to `end` (dropped) or to its close.
  std::string Read(int end = EOF) {
    std::string text;
    for (int c; (c = std::fgetc(output)) != EOF && c != end;) text += static_cast<char>(c);
    return text;
  }
  // Reads the rest of the output into `rest`, then gives the exit status (-1 after a signal).
  int Wait() {
    rest = Read();
    std::fclose(output);
    output = nullptr;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  pid_t pid = -1;
  FILE* output = nullptr;
  std::string rest;
};

TEST(SimProgram, ServesItsPtyKeepsTheImageAndEndsOnSigtermOrWhenTheClientCloses) {
  testing::TempDir dir;
  const std::string image = dir.File("eeprom.bin");
  {
    SimProcess sim({"--image", image, "--lf"});
    const std::string path = sim.Read('\n');
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    PtyClient client(path);
    std::string commands = "$0100\rW0A0B\r";
    // Far more reply bytes than a pty buffers, left unread until the signal.
    for (int i = 0; i < 20000; ++i) commands += "R\r";
    client.Write(commands);
    EXPECT_EQ(client.Read(1).substr(0, 13), "W0100\r\nR0102:");
    ::kill(sim.pid, SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_EQ(sim.rest,
              "tessimor-sim: serving on " + path + " until interrupted or the port is closed\n");
  }
  std::string expected(32768, '\xFF');
  expected[0x100] = '\x0A';
  expected[0x101] = '\x0B';
  EXPECT_EQ(ReadWholeFile(image), expected);
  EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path(), image)
      << "no temporary file may be left behind";
  SimProcess sim({"--image", image});
  {
    PtyClient client(sim.Read('\n'));
    client.Write("!$00FF\rR\r");
    EXPECT_EQ(client.Read(1), "R00FF:FF0A0B" + std::string(26, 'F') + "\r");
  }
  EXPECT_EQ(sim.Wait(), 0);
  // Pulled out after its first reply, with the client still holding the port.
  SimProcess unplugged({"--unplug-after", "1"});
  const std::string path = unplugged.Read('\n');
  PtyClient client(path);
  client.Write("R\rR\r");
  EXPECT_EQ(client.Read(2, 1000), "R0000:" + std::string(32, 'F') + "\r");
  EXPECT_EQ(unplugged.Wait(), 0);
  EXPECT_EQ(unplugged.rest, "tessimor-sim: serving on " + path +
                                " until interrupted or the port is closed\n"
                                "tessimor-sim: unplugged after reply 1\n");
}

TEST(SimProgram, BadOptionsAndImagesEndWithStatusTwo) {
  testing::TempDir dir;
  const std::string image = dir.File("short.bin");
  testing::WriteWholeFile(image, "not an image");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--bogus"}, "unknown option: --bogus\nTry --help."},
      {{"--mute-after"}, "--mute-after needs a value\nTry --help."},
      {{"--delay", "-1"}, "--delay: not a usable number: -1\nTry --help."},
      {{"--delay", "5ms"}, "--delay: not a usable number: 5ms\nTry --help."},
      {{"--unplug-after", "x"}, "--unplug-after: not a usable number: x\nTry --help."},
      {{"--image", ""}, "--image needs a file name\nTry --help."},
      {{"--image", image}, "image " + image + " is not 32768 bytes long; refusing to use it"},
  };
  for (const auto& [args, message] : cases) {
    SimProcess sim(args);
    EXPECT_EQ(sim.Wait(), 2) << args[0];
    EXPECT_EQ(sim.rest, "tessimor-sim: " + message + "\n");
  }
  EXPECT_EQ(ReadWholeFile(image), "not an image");
}

}  // namespace
}  // namespace tessimor
