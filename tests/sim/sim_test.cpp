#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "sim/adapter_simulator.h"
#include "tests/kit/files.h"

namespace tessimor {
namespace {

// tessimor-sim run as a child, stdout and stderr on one pipe, the far side of its raw pty held
// as a serial program holds it. A hang is ended by the test timeout.
struct Sim {
  explicit Sim(const std::string& args)
      : out(::popen(("echo $$; exec '" TESSIMOR_SIM_PATH "' " + args + " 2>&1").c_str(), "re")),
        pid(std::stoi(Output('\n'))),
        path(Output('\n')),
        fd(Open()) {}
  ~Sim() { Wait(); }
  int Open() const { return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); }
  // The output up to `end` (dropped) or to its close.
  std::string Output(int end = EOF) {
    std::string text;
    for (int c; (c = std::fgetc(out)) != EOF && c != end;) text += static_cast<char>(c);
    return text;
  }
  // What the pty gives until it has been quiet for half a second; `reads` counts the reads.
  std::string Read() {
    std::string text;
    char buffer[4096];
    for (pollfd in{fd, POLLIN, 0}; fd >= 0 && ::poll(&in, 1, 500) > 0; ++reads) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
  }
  // Closes the pty unless told not to, then sends `signal` if any; the exit status, -1 if killed.
  int Wait(bool hang_up = true, int signal = SIGTERM) {
    if (hang_up && fd >= 0) ::close(std::exchange(fd, -1));
    if (out && signal) ::kill(pid, signal);  // still our child, unreaped, until pclose
    if (out) rest = Output();
    if (out) status = ::pclose(std::exchange(out, nullptr));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  FILE* out;
  int pid;
  std::string path, rest;  // the output's first line and what followed it
  int fd, reads = 0, status = -1;
};

TEST(SimProgram, AnswersCommandsWithFaultsKeepsItsImageAndEndsWithTheRightStatus) {
  testing::TempDir dir;
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  std::string expected = std::string(32768, '\xFF').replace(0x100, 2, "\x0A\x0B");
  std::string commands = "$0100\rW0A0B\r";
  for (int i = 0; i < 20000; ++i) commands += "R\r";
  const auto serving = [](const std::string& path) {
    return "tessimor-sim: serving on " + path + " until interrupted";
  };
  // With replies unread past a pty's buffer, SIGTERM still saves and, with --once, a client gone
  // ends serving. Without, the next client finds a port just opened.
  for (const std::string args : {"--image eeprom.bin", "--once", ""}) {
    const bool image = args.starts_with("--image"), once = args == "--once";
    Sim sim(args);
    EXPECT_GT(::write(sim.fd, commands.data(), commands.size()), 4000);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // till it waits to write
    if (args.empty()) {
      ::close(sim.fd);
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      sim.fd = sim.Open();
      EXPECT_EQ(::write(sim.fd, "$0100\rR\r", 8), 8);
      EXPECT_EQ(sim.Read(), "R0100:0A0B" + std::string(28, 'F') + "\r");
    }
    EXPECT_EQ(sim.Wait(/*hang_up=*/!image, once ? 0 : SIGTERM), 0);
    EXPECT_EQ(sim.rest, serving(sim.path) + (once ? " or the port is closed\n" : "\n"));
  }
  EXPECT_EQ(testing::ReadWholeFile("eeprom.bin"), expected);
  testing::WriteWholeFile("bad.bin", "not an image");
  const std::string f12(12, 'F'), ff = f12 + f12 + "FFFFFFFF";
  const auto r = [&ff](int i) { return "R00" + std::to_string(i) + "0:" + ff + "\r"; };
  const struct {
    std::string commands, replies, args = "";  // a trailing "$" shows where the pointer was left
    int status = 0;
    std::string output = "";  // after the serving line, or the error after "tessimor-sim: "
  } cases[] = {
      {"!!$\r!$0010\r$\r!!R\r\n$\r\n", "$0000\r$0010\rR0010:" + ff + "\r$0020\r"},
      {"$FFFF\r$\r$abcd\r$\r$12G4\rr\rXYZ\r\r$\r", "$7FFF\r$2BCD\r?$12G4\r?r\r?XYZ\r?\r$2BCD\r"},
      {"W012\rW0G\rW0102X3\rR\r$\r", "?W012\r?W0G\r?W0102X3\rR0000:" + ff + "\r$0010\r"},
      {"$7FFE\rWa1b2c3d4\r$\r$7FF8\rR\r$\r",  // writing and reading both wrap to 0000
       "W7FFE\r$0002\rR7FF8:" + f12 + "A1B2C3D4" + f12 + "\r$0008\r"},
      // Muted commands are still carried out: the image kept from before keeps the write too.
      {"$0100\rR\rW0C\r", "R0100:0A0B" + ff.substr(4) + "\r", "--mute-after 1 --image eeprom.bin"},
      {"R\rR\rR\r", r(0) + "\n" + r(1) + "\n" + r(2) + "\n", "--lf --split --delay 200"},
      {"R\rR\rR\r", r(0) + r(1), "--unplug-after 2", 0, "tessimor-sim: unplugged after reply 2\n"},
      {"", "", "--bogus", 2, "unknown option: --bogus\nTry --help."},
      {"", "", "--mute-after", 2, "--mute-after needs a value\nTry --help."},
      {"", "", "--delay -1", 2, "--delay: not a usable number: -1\nTry --help."},
      {"", "", "--delay 5ms", 2, "--delay: not a usable number: 5ms\nTry --help."},
      {"", "", "--image ''", 2, "--image needs a file name\nTry --help."},
      {"", "", "--image bad.bin", 2, "image bad.bin is not 32768 bytes long; refusing to use it"},
  };
  for (const auto& c : cases) {
    AdapterSimulator bytewise;  // fed as a slow line would bring the commands
    std::string pieces;
    for (const char byte : c.commands) pieces += bytewise.Feed(std::string(1, byte));
    EXPECT_TRUE(!c.args.empty() || pieces == c.replies) << pieces;
    Sim sim(c.args);
    const auto start = std::chrono::steady_clock::now();
    ::write(sim.fd, c.commands.data(), c.commands.size());
    EXPECT_EQ(sim.Read(), c.replies) << c.args << c.commands;
    // Only a pty pulled out under its client, or none, refuses a stray byte; those end alone.
    const bool ends = c.status != 0 || c.args == "--unplug-after 2";
    EXPECT_EQ(::write(sim.fd, "R", 1) < 0, ends);
    if (c.args.starts_with("--lf")) {  // three replies late, then quiet; pieces read apart mostly
      EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1100));
      EXPECT_GT(sim.reads, 3);
    }
    EXPECT_EQ(sim.Wait(/*hang_up=*/true, ends ? 0 : SIGTERM), c.status) << c.args;
    EXPECT_EQ(sim.path + "\n" + sim.rest,
              c.status ? "tessimor-sim: " + c.output + "\n"
                       : sim.path + "\n" + serving(sim.path) + "\n" + c.output);
  }
  EXPECT_EQ(testing::ReadWholeFile("eeprom.bin"), expected.replace(0x110, 1, "\x0C"));
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"bad.bin", "eeprom.bin"})) << "scratch left";
}

}  // namespace
}  // namespace tessimor
