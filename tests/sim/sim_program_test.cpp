#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/sim/pty_client.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace tessimor {
namespace {

using testing::PtyClient;
using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

constexpr int kImageSize = 32768;
const std::string kErased(32, 'F');

// tessimor-sim run as a child with its stdout and stderr on pipes.
class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& args) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    std::vector<std::string> all = {TESSIMOR_SIM_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, TESSIMOR_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }

  ~SimProcess() {
    if (pid_ > 0 && status_ < 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
  }

  // The first line of stdout, without its LF.
  std::string FirstLine() {
    std::string line;
    char c;
    while (Readable(out_, 10000) && ::read(out_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }

  void Signal(int number) { ::kill(pid_, number); }

  // Exit status, or -1 when the process has not ended within `timeout_ms`.
  int Wait(int timeout_ms = 10000) {
    for (int waited = 0; status_ < 0 && waited < timeout_ms; waited += 10) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status_;
  }

  std::string Stdout() { return Drain(out_); }
  std::string Stderr() { return Drain(err_); }

 private:
  static bool Readable(int fd, int timeout_ms) {
    pollfd in{fd, POLLIN, 0};
    return ::poll(&in, 1, timeout_ms) > 0;
  }
  static std::string Drain(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while (Readable(fd, 1000) && (n = ::read(fd, buffer, sizeof buffer)) > 0) {
      text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  int status_ = -1;
};

TEST(SimProgram, PrintsThePtyFirstServesAndEndsWhenTheClientCloses) {
  SimProcess sim({});
  const std::string path = sim.FirstLine();
  ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
  {
    PtyClient client(path);
    client.Write("!$0000\rR\r");
    EXPECT_EQ(client.ReadReplies(1), "R0000:" + kErased + "\r");
  }
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_EQ(sim.Stdout(), "");
}

TEST(SimProgram, StopSignalsEndItWithStatusZero) {
  for (const int number : {SIGTERM, SIGINT}) {
    SimProcess sim({});
    ASSERT_FALSE(sim.FirstLine().empty());
    sim.Signal(number);
    EXPECT_EQ(sim.Wait(), 0) << "signal " << number;
  }
}

TEST(SimProgram, ImageIsSavedAtExitAndLoadedAtNextStart) {
  TempDir dir;
  const std::string image = dir.File("eeprom.bin");
  {
    SimProcess sim({"--image", image});
    PtyClient client(sim.FirstLine());
    client.Write("$0100\rW0A0B\r");
    EXPECT_EQ(client.ReadReplies(1), "W0100\r");
    sim.Signal(SIGTERM);
    ASSERT_EQ(sim.Wait(), 0);
  }
  std::string expected(kImageSize, '\xFF');
  expected[0x100] = '\x0A';
  expected[0x101] = '\x0B';
  EXPECT_EQ(ReadWholeFile(image), expected);
  EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path(), image)
      << "no temporary file may be left behind";

  SimProcess again({"--image", image});
  PtyClient client(again.FirstLine());
  client.Write("$0100\rR\r");
  EXPECT_EQ(client.ReadReplies(1), "R0100:0A0B" + std::string(28, 'F') + "\r");
  client.Close();
  EXPECT_EQ(again.Wait(), 0);
}

TEST(SimProgram, RefusesAnImageOfAnotherSize) {
  TempDir dir;
  const std::string image = dir.File("short.bin");
  WriteWholeFile(image, "not an image");
  SimProcess sim({"--image", image});
  EXPECT_EQ(sim.Wait(), 2);
  EXPECT_EQ(sim.Stdout(), "");
  EXPECT_NE(sim.Stderr().find("32768"), std::string::npos);
  EXPECT_EQ(ReadWholeFile(image), "not an image");
}

TEST(SimProgram, FaultOptionsReachTheAdapter) {
  SimProcess sim({"--lf", "--mute-after", "1"});
  PtyClient client(sim.FirstLine());
  client.Write("$\r$\r");
  EXPECT_EQ(client.ReadReplies(1), "$0000\r\n");
}

TEST(SimProgram, HelpListsEveryOption) {
  SimProcess sim({"--help"});
  EXPECT_EQ(sim.Wait(), 0);
  const std::string text = sim.Stdout();
  for (const char* option : {"--image", "--mute-after", "--lf", "--split", "--delay"}) {
    EXPECT_NE(text.find(option), std::string::npos) << option;
  }
}

TEST(SimProgram, BadOptionsEndWithStatusTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},        {"--mute-after"}, {"--mute-after", "x"}, {"--delay", "-1"},
      {"--delay", "5ms"}, {"--image"},      {"--mute-after", ""},  {"extra-argument"},
  };
  for (const auto& args : cases) {
    SimProcess sim(args);
    EXPECT_EQ(sim.Wait(), 2) << args[0];
    EXPECT_EQ(sim.Stdout(), "") << args[0];
    EXPECT_FALSE(sim.Stderr().empty()) << args[0];
  }
}

}  // namespace
}  // namespace tessimor
