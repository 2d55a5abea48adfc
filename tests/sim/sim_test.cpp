#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <iterator>
#include <set>
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
      // Room for the server to see the hang-up on a machine busy with parallel tests.
      std::this_thread::sleep_for(std::chrono::milliseconds(1000));
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
      {"", "", "--count 0", 2, "--count must be 1 to 64, not 0\nTry --help."},
      {"", "", "--count 65", 2, "--count must be 1 to 64, not 65\nTry --help."},
      {"", "", "--count 2 --adapter 3", 2, "--adapter must be 1 to 2, not 3\nTry --help."},
      {"", "", "--count 2 --image e.bin", 2,
       "--image needs %d in FILE, the adapter's number, when --count is above 1\nTry --help."},
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

TEST(SimProgram, ServesEachAdapterOnAPtyOfItsOwnWithItsOwnMemoryImageAndFaults) {
  testing::TempDir dir;
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  // Adapter 2 is mute from the start yet still carries commands out; adapter 3 is pulled out
  // after two replies and leaves the others serving.
  Sim sim("--count 3 --image e%d.bin --adapter 2 --mute-after 0 --adapter 3 --unplug-after 2");
  const std::string paths[] = {sim.path, sim.Output('\n'), sim.Output('\n')};
  EXPECT_EQ(std::set<std::string>(std::begin(paths), std::end(paths)).size(), 3u);
  const std::string data = std::string(30, 'F') + "\r";
  const std::string replies[] = {"W0000\rR0000:01" + data, "", "W0000\rR0000:03" + data};
  for (int i = 0; i < 4; ++i) {  // the first again after the third is gone
    if (i > 0) {  // the first one's port is open already, and a reopening could race its close
      ::close(sim.fd);
      sim.path = paths[i % 3];
      sim.fd = sim.Open();
    }
    const std::string commands = i < 3 ? "W0" + std::to_string(i + 1) + "\r$0000\rR\r" : "$\r";
    EXPECT_EQ(::write(sim.fd, commands.data(), commands.size()), std::ssize(commands));
    EXPECT_EQ(sim.Read(), i < 3 ? replies[i] : "$0010\r") << "adapter " << i % 3 + 1;
  }
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_EQ(sim.rest, "tessimor-sim: serving on " + paths[0] + ", " + paths[1] + ", " + paths[2] +
                          " until interrupted\ntessimor-sim: adapter 3 unplugged after reply 2\n");
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(testing::ReadWholeFile("e" + std::to_string(i) + ".bin"),
              static_cast<char>(i) + std::string(32767, '\xFF'));
  }
}

}  // namespace
}  // namespace tessimor
