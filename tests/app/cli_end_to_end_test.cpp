#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include "engine/image_records.h"
#include "engine/transfer_engine.h"
#include "sim/pty_server.h"
#include "tests/support/temp_dir.h"

// The real program against a simulated adapter on a pseudo-terminal, as a script would use it.
namespace tessimor {
namespace {

using testing::ReadWholeFile;
using testing::WriteWholeFile;

struct Result {
  int status = -1;
  std::string out, err;
};

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
    adapter.memory()[0x1234] = 0x5A;
  }

  // Runs the program in `dir` with `input` on standard input, under `wrapper` if given.
  Result Run(const std::string& command_line, const std::string& input = "",
             const std::string& wrapper = "", const std::string& program = TESSIMOR_CLI_PATH) {
    WriteWholeFile(io.File("in"), input);
    const std::string shell = "cd '" + dir.path() + "' && exec " + wrapper + "'" + program + "' " +
                              command_line + " <'" + io.File("in") + "' >'" + io.File("out") +
                              "' 2>'" + io.File("err") + "'";
    const int status = std::system(shell.c_str());
    return {WEXITSTATUS(status), ReadWholeFile(io.File("out")), ReadWholeFile(io.File("err"))};
  }

  testing::TempDir dir, io;
  AdapterSimulator adapter;
};

TEST_F(CliEndToEndTest, ReadsAtEitherPaceVerifiesAndRefusesBadInputWithNothingSent) {
  PtyServer server(adapter);
  ASSERT_TRUE(server.Start());
  const std::string port = " --port " + server.SlavePath();
  const std::string bytes(adapter.memory().begin(), adapter.memory().end());
  std::string records;
  for (const std::string& record : RecordsFromBytes({bytes.begin(), bytes.end()})) {
    records += record + "\r\n";
  }
  const Result text = Run("read image.txt" + port);
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(ReadWholeFile(dir.File("image.txt")), records);
  EXPECT_EQ(text.err.find("read: 32768 bytes in "), 0u) << text.err;
  // Reply pace and tick pace put the same bytes on the wire.
  EXPECT_EQ(server.Received(), FullReadOnTheWire());
  const Result binary = Run(port + " read image.bin --pace tick");
  ASSERT_EQ(binary.status, 0) << binary.err;
  EXPECT_EQ(ReadWholeFile(dir.File("image.bin")), bytes);
  EXPECT_EQ(server.Received(), FullReadOnTheWire() + FullReadOnTheWire());
  const Result piped = Run("read - --quiet" + port);
  ASSERT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, records);
  EXPECT_EQ(piped.err, "");

  const Result verify = Run("verify image.txt" + port);
  EXPECT_EQ(verify.status, 0) << verify.err;
  EXPECT_NE(verify.err.find("verify: 32768 bytes match"), std::string::npos) << verify.err;
  // The binary file is verified as well, all but one byte matching.
  std::string changed = bytes;
  changed[0x1234] = static_cast<char>(0xA5);
  WriteWholeFile(dir.File("changed.bin"), changed);
  const Result differ = Run("verify changed.bin" + port);
  EXPECT_EQ(differ.status, 1);
  EXPECT_NE(differ.err.find("verify: 1 of 32768 bytes differ\n  0x1234: file 0xA5, EEPROM 0x5A\n"),
            std::string::npos)
      << differ.err;
  const std::string sent = server.Received();
  WriteWholeFile(dir.File("nocolon.txt"), "0000:00112233\r\n0010 44556677\r\n");
  WriteWholeFile(dir.File("short.bin"), std::string(1000, '\0'));
  const struct {
    const char* command_line;
    const char* input;
    int status;
    std::string err;
  } cases[] = {
      // Bad files and bad use are exit 2, no adapter exit 3; both with nothing on the wire.
      {"write nocolon.txt", "", 2, NoColonMessage(2, "nocolon.txt")},
      {"write -", "0000:01\r\n0010:0x02\r\n", 2,
       "Line 2 of file - is not a hex address, a colon and hex pairs."},
      {"verify -", "7FF8:0001020304050607\r\n7FFF:0001\r\n", 2,
       "Line 2 of file - lies outside 0000 to 7FFF."},
      {"verify short.bin", "", 2, "File short.bin holds 1000 bytes, not 32768."},
      {"write missing.txt", "", 2, std::string(protocol::kCouldNotOpenText) + "missing.txt"},
      {"write -", "\r\n  \r\n", 2, "File - holds no records."},
      {"fill --pace slow", "", 2, "tessimor-eeprom-cli: --pace must be tick or reply, not slow"},
      {"read x.txt --port no-tty", "", 3, "Tessimor adapter not found!\nno-tty: no such device."},
      {"read x.txt --port /etc/passwd", "", 3,
       "Tessimor adapter not found!\n/etc/passwd: not a serial port."},
  };
  for (const auto& c : cases) {
    const Result result = Run(port + " " + c.command_line, c.input);
    EXPECT_EQ(result.status, c.status) << c.command_line;
    EXPECT_EQ(result.err.substr(0, c.err.size() + 1), c.err + "\n");
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(server.Received(), sent);
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"changed.bin", "image.bin", "image.txt",
                                                "nocolon.txt", "short.bin"}));
}

TEST_F(CliEndToEndTest, RandomBinaryWrittenWithVerifyReadsBackIdentical) {
  AdapterSimulator erased;
  PtyServer server(erased);
  ASSERT_TRUE(server.Start());
  const std::string image(adapter.memory().begin(), adapter.memory().end());
  WriteWholeFile(dir.File("random.bin"), image);
  const Result result = Run("write random.bin --verify --port " + server.SlavePath());
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(std::string(erased.memory().begin(), erased.memory().end()), image);
  EXPECT_NE(result.err.find("write: 32768 bytes in "), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("verify: 32768 bytes match"), std::string::npos) << result.err;
  const std::string wire = server.Received();
  EXPECT_EQ(wire.substr(0, 8), "!$0000\rW");
  EXPECT_EQ(wire.substr(wire.size() - FullReadOnTheWire().size()), FullReadOnTheWire());
}

TEST_F(CliEndToEndTest, TimeoutUnplugOrCtrlCLeavesTheFileAsItWas) {
  const std::string before = "what was there before\r\n";
  const std::string timeout = "Time out waiting for reply.\n";
  const struct {
    PtyFaults faults;
    const char* name;
    const char* pace;
    bool unplugged;
  } cases[] = {
      {{.mute_after = 5}, "old.txt", "reply", false},
      {{.mute_after = 5}, "old.bin", "tick", false},
      {{.unplug_after = 300}, "old.txt", "reply", true},
      {{.unplug_after = 300}, "old.bin", "tick", true},
  };
  for (const auto& c : cases) {
    PtyServer server(adapter, c.faults);
    ASSERT_TRUE(server.Start(/*hold_slave=*/false));
    WriteWholeFile(dir.File(c.name), before);
    const std::string port = server.SlavePath();
    const Result result =
        Run(std::string("read ") + c.name + " --pace " + c.pace + " --port " + port);
    EXPECT_EQ(result.status, 1) << c.name;
    EXPECT_EQ(result.err,
              c.unplugged ? "The port " + port + " was closed: the adapter is gone.\n" : timeout);
    EXPECT_EQ(ReadWholeFile(dir.File(c.name)), before);
  }
  // Ctrl-C in the middle of a read leaves the file just as well, with a status of its own.
  PtyServer server(adapter);
  ASSERT_TRUE(server.Start());
  const Result interrupted = Run("read old.txt --pace tick --port " + server.SlavePath(), "",
                                 "timeout --preserve-status -s INT 0.5 ");
  EXPECT_EQ(interrupted.status, 130) << interrupted.err;
  EXPECT_EQ(ReadWholeFile(dir.File("old.txt")), before);
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"old.bin", "old.txt"}));
}

TEST_F(CliEndToEndTest, PortsThatWouldNotOpenSayWhyAndAdapterBytesNeverReachTheTerminalRaw) {
  PtyServer silent(adapter, PtyFaults{.mute_after = 0});
  ASSERT_TRUE(silent.Start());
  const std::string port = silent.SlavePath();
  // The first copy holds the port for its 100 ticks of waiting.
  const std::string first = "cd '" + dir.path() + "' && '" + TESSIMOR_CLI_PATH +
                            "' read a.txt --pace tick --port " + port + " >/dev/null 2>&1 &";
  ASSERT_EQ(std::system(first.c_str()), 0);
  for (int i = 0; i < 500 && silent.Received().empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const Result busy = Run("read b.txt --port " + port);
  EXPECT_EQ(busy.status, 3);
  EXPECT_EQ(busy.err, "Tessimor adapter not found!\n" + port +
                          ": busy, held by another program (a serial terminal, another copy of "
                          "this tool, or ModemManager just after plugging in).\n");

  // No permission: the device file shut to everyone, and root made nobody, who must reach the
  // program (a clone made by mktemp is shut to nobody too).
  PtyServer shut(adapter);
  ASSERT_TRUE(shut.Start());
  ASSERT_EQ(::chmod(shut.SlavePath().c_str(), 0), 0);
  testing::TempDir open_dir;
  ::chmod(open_dir.path().c_str(), 0755);
  std::filesystem::copy_file(TESSIMOR_CLI_PATH, open_dir.File("cli"));
  const std::string as_nobody =
      ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  const Result denied = Run("fill --port " + shut.SlavePath(), "", as_nobody, open_dir.File("cli"));
  EXPECT_EQ(denied.status, 3);
  EXPECT_EQ(denied.err, "Tessimor adapter not found!\n" + shut.SlavePath() +
                            ": permission denied; install the udev rule or join the dialout group "
                            "(README, \"Tessimor adapter not found!\").\n");
  EXPECT_EQ(shut.Received(), "");

  PtyServer noisy(adapter, PtyFaults{.noise = "\x1B]0;owned\x07\xE9"});
  ASSERT_TRUE(noisy.Start());
  const Result read = Run("read image.bin --port " + noisy.SlavePath());
  EXPECT_EQ(read.status, 1);
  const std::string shown =
      "Read reply at address 0x0000 cannot be turned into bytes: \\x1B]0;owned\\x07\\xE90000:";
  EXPECT_EQ(read.err.substr(0, shown.size()), shown);
  EXPECT_EQ(read.err.find('\x1B'), std::string::npos);
}

}  // namespace
}  // namespace tessimor
