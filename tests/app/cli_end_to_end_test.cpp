#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include "engine/transfer_engine.h"
#include "link/protocol.h"
#include "sim/adapter_simulator.h"
#include "sim/pty_server.h"
#include "tests/support/temp_dir.h"

// The real program against a simulated adapter on a pseudo-terminal, as a script would use it.
namespace tessimor {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the program; `while_running` gets its process id and may signal it.
Result RunCli(const TempDir& dir, std::vector<std::string> arguments, const std::string& input = "",
              const std::function<void(pid_t)>& while_running = {}) {
  const std::string in_path = dir.File(".stdin");
  const std::string out_path = dir.File(".stdout");
  const std::string err_path = dir.File(".stderr");
  WriteWholeFile(in_path, input);
  arguments.insert(arguments.begin(), TESSIMOR_CLI_PATH);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open(in_path.c_str(), O_RDONLY);
    const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  if (while_running) while_running(pid);
  int status = 0;
  ::waitpid(pid, &status, 0);
  Result result;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  result.out = ReadWholeFile(out_path);
  result.err = ReadWholeFile(err_path);
  return result;
}

std::vector<std::string> FilesIn(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(".std", 0) != 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string RecordsOf(const AdapterSimulator::Memory& memory) {
  std::string text;
  for (int address = 0; address < protocol::kEepromSize; address += protocol::kBytesPerLine) {
    text += Hex4(static_cast<std::uint16_t>(address)) + ":";
    for (int i = 0; i < protocol::kBytesPerLine; ++i) text += HexByte(memory[address + i]);
    text += "\r\n";
  }
  return text;
}

std::string FullReadOnTheWire() {
  std::string wire = "!$0000\r";
  for (int line = 0; line < 2048; ++line) wire += "R\r";
  return wire;
}

class CliEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 random(11);
    for (auto& byte : adapter.memory()) byte = static_cast<std::uint8_t>(random());
  }

  // A server with the given faults on its own adapter copy; the port stays for many clients.
  std::unique_ptr<PtyServer> Serve(AdapterSimulator& on, PtyFaults faults = {}) {
    auto server = std::make_unique<PtyServer>(on, faults);
    EXPECT_TRUE(server->Start(true));
    return server;
  }

  TempDir dir;
  AdapterSimulator adapter;
};

TEST_F(CliEndToEndTest, ReadSavesTheWindowsRecordsAndVerifyAgreesInEveryFormat) {
  const auto server = Serve(adapter);
  const std::string port = server->SlavePath();
  const std::string records = RecordsOf(adapter.memory());

  const Result text = RunCli(dir, {"read", dir.File("image.txt"), "--port", port});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(ReadWholeFile(dir.File("image.txt")), records);
  EXPECT_EQ(text.out, "");
  EXPECT_NE(text.err.find("read: 32768 bytes in "), std::string::npos) << text.err;

  const Result binary = RunCli(dir, {"--port", port, "read", dir.File("image.bin")});
  ASSERT_EQ(binary.status, 0) << binary.err;
  const std::string bytes = ReadWholeFile(dir.File("image.bin"));
  EXPECT_EQ(bytes, std::string(adapter.memory().begin(), adapter.memory().end()));

  const Result piped = RunCli(dir, {"read", "-", "--port", port, "--quiet"});
  ASSERT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, records);
  EXPECT_EQ(piped.err, "");

  for (const std::string& file : {dir.File("image.txt"), dir.File("image.bin")}) {
    const Result verify = RunCli(dir, {"verify", file, "--port", port});
    EXPECT_EQ(verify.status, 0) << verify.err;
    EXPECT_NE(verify.err.find("verify: 32768 bytes match"), std::string::npos) << verify.err;
  }
  // Hex case and spaces around a record do not count as differences.
  std::string lower = records.substr(0, 39 * 4);
  for (char& c : lower) c = static_cast<char>(std::tolower(c));
  const Result stdin_verify = RunCli(dir, {"verify", "-", "--port", port}, "  " + lower);
  EXPECT_EQ(stdin_verify.status, 0) << stdin_verify.err;
  EXPECT_NE(stdin_verify.err.find("verify: 64 bytes match"), std::string::npos);
  EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"image.bin", "image.txt"}));
}

TEST_F(CliEndToEndTest, RandomBinaryWrittenWithVerifyReadsBackIdentical) {
  AdapterSimulator erased;
  const auto server = Serve(erased);
  std::string image(protocol::kEepromSize, '\0');
  std::mt19937 random(5);
  for (char& byte : image) byte = static_cast<char>(random());
  WriteWholeFile(dir.File("random.bin"), image);

  const Result result =
      RunCli(dir, {"write", dir.File("random.bin"), "--verify", "--port", server->SlavePath()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(std::string(erased.memory().begin(), erased.memory().end()), image);
  EXPECT_NE(result.err.find("write: 32768 bytes in "), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("verify: 32768 bytes match"), std::string::npos) << result.err;
  const std::string wire = server->Received();
  EXPECT_EQ(wire.substr(0, 8), "!$0000\rW");
  EXPECT_EQ(wire.substr(wire.size() - FullReadOnTheWire().size()), FullReadOnTheWire());
}

TEST_F(CliEndToEndTest, OneChangedByteMakesVerifyFailNamingItsAddress) {
  const auto server = Serve(adapter);
  std::string bytes(adapter.memory().begin(), adapter.memory().end());
  bytes[0x1234] = static_cast<char>(~bytes[0x1234]);
  WriteWholeFile(dir.File("changed.bin"), bytes);

  const Result result =
      RunCli(dir, {"verify", dir.File("changed.bin"), "--port", server->SlavePath()});
  EXPECT_EQ(result.status, 1);
  char line[64];
  std::snprintf(line, sizeof line, "  0x1234: file 0x%02X, EEPROM 0x%02X\n",
                static_cast<unsigned>(static_cast<std::uint8_t>(bytes[0x1234])),
                static_cast<unsigned>(adapter.memory()[0x1234]));
  EXPECT_NE(result.err.find(std::string("verify: 1 of 32768 bytes differ\n") + line),
            std::string::npos)
      << result.err;
}

TEST_F(CliEndToEndTest, SilentAdapterTimesOutAndLeavesTheFileAsItWas) {
  const auto server = Serve(adapter, PtyFaults{.mute_after = 5});
  for (const char* pace : {"reply", "tick"}) {
    SCOPED_TRACE(pace);
    for (const char* name : {"old.txt", "old.bin"}) {
      WriteWholeFile(dir.File(name), "what was there before\r\n");
      const Result result =
          RunCli(dir, {"read", dir.File(name), "--port", server->SlavePath(), "--pace", pace});
      EXPECT_EQ(result.status, 1);
      EXPECT_EQ(result.err, std::string(protocol::kTimeoutText) + "\n");
      EXPECT_EQ(ReadWholeFile(dir.File(name)), "what was there before\r\n");
    }
  }
  EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"old.bin", "old.txt"}));
}

TEST_F(CliEndToEndTest, InterruptStopsTheReadAndLeavesTheFileAsItWas) {
  const auto server = Serve(adapter);
  WriteWholeFile(dir.File("keep.txt"), "keep me\r\n");
  const Result result =
      RunCli(dir, {"read", dir.File("keep.txt"), "--port", server->SlavePath(), "--pace", "tick"},
             "", [&server](pid_t pid) {
               while (server->Replies() < 20)
                 std::this_thread::sleep_for(std::chrono::milliseconds(5));
               ::kill(pid, SIGINT);
             });
  EXPECT_EQ(result.status, 130);
  EXPECT_EQ(ReadWholeFile(dir.File("keep.txt")), "keep me\r\n");
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"keep.txt"});
}

TEST_F(CliEndToEndTest, NoAdapterIsExitThree) {
  const Result result = RunCli(dir, {"read", dir.File("x.txt"), "--port", dir.File("no-such-tty")});
  EXPECT_EQ(result.status, 3);
  EXPECT_EQ(result.err, std::string(protocol::kNotFoundText) + "\n");
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>{});
}

TEST_F(CliEndToEndTest, BadFilesAndBadUseAreExitTwoWithNothingOnTheWire) {
  const auto server = Serve(adapter);
  const std::string port = server->SlavePath();
  WriteWholeFile(dir.File("nocolon.txt"), "0000:00112233\r\n0010 44556677\r\n");
  WriteWholeFile(dir.File("short.bin"), std::string(1000, '\0'));
  const struct {
    std::vector<std::string> arguments;
    std::string err;
  } cases[] = {
      {{"write", dir.File("nocolon.txt")}, NoColonMessage(2, dir.File("nocolon.txt")) + "\n"},
      {{"verify", dir.File("short.bin")},
       "File " + dir.File("short.bin") + " holds 1000 bytes, not 32768.\n"},
      {{"write", dir.File("missing.txt")},
       std::string(protocol::kCouldNotOpenText) + dir.File("missing.txt") + "\n"},
      {{"write", "-"}, "File - holds no records.\n"},
      {{"fill", "--pace", "slow"}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.front() + " " + c.arguments.back());
    std::vector<std::string> arguments = c.arguments;
    arguments.insert(arguments.end(), {"--port", port});
    const Result result = RunCli(dir, arguments);
    EXPECT_EQ(result.status, 2);
    if (!c.err.empty()) {
      EXPECT_EQ(result.err, c.err);
    }
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(server->Received(), "");
}

TEST_F(CliEndToEndTest, ReplyPaceAndTickPacePutTheSameBytesOnTheWire) {
  AdapterSimulator second(adapter.memory());
  const auto by_reply = Serve(adapter);
  const auto by_tick = Serve(second);
  const Result reply =
      RunCli(dir, {"read", dir.File("reply.txt"), "--port", by_reply->SlavePath()});
  const Result tick =
      RunCli(dir, {"read", dir.File("tick.txt"), "--port", by_tick->SlavePath(), "--pace", "tick"});
  ASSERT_EQ(reply.status, 0) << reply.err;
  ASSERT_EQ(tick.status, 0) << tick.err;
  EXPECT_EQ(by_reply->Received(), FullReadOnTheWire());
  EXPECT_EQ(by_tick->Received(), FullReadOnTheWire());
  EXPECT_EQ(ReadWholeFile(dir.File("reply.txt")), ReadWholeFile(dir.File("tick.txt")));
}

}  // namespace
}  // namespace tessimor
