#include <gtest/gtest.h>

#include <sstream>

#include "app/cli_image_input.h"
#include "app/cli_options.h"
#include "app/cli_ports.h"
#include "app/cli_progress.h"
#include "app/cli_reply_watch.h"
#include "link/protocol.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_dir.h"

namespace tessimor::cli {
namespace {

using tessimor::testing::FakeInventory;
using tessimor::testing::FakeWindow;
using tessimor::testing::SimulatedPort;
using tessimor::testing::TempDir;
using tessimor::testing::WriteWholeFile;

struct ArgumentCase {
  std::vector<std::string> arguments{};
  std::string error{};  // empty: accepted
  Command command = Command::None;
  std::string file{};
  bool verify = false;
  std::string port{};
  std::optional<Pace> pace{};
  bool quiet = false;
};

TEST(CliArgumentsTest, OptionsStandBeforeOrAfterTheCommand) {
  const ArgumentCase cases[] = {
      {{"read", "a.txt"}, "", Command::Read, "a.txt"},
      {{"--port", "/dev/pts/4", "read", "-"}, "", Command::Read, "-", false, "/dev/pts/4"},
      {{"write", "x.bin", "--verify", "--pace=reply", "-q"},
       "",
       Command::Write,
       "x.bin",
       true,
       "",
       Pace::Reply,
       true},
      {{"--quiet", "fill", "--verify", "--pace", "tick"},
       "",
       Command::Fill,
       "",
       true,
       "",
       Pace::Tick,
       true},
      {{"verify", "--", "-odd name"}, "", Command::Verify, "-odd name"},
      {{"ports", "--port=/dev/ttyACM0"}, "", Command::Ports, "", false, "/dev/ttyACM0"},
      {{}, "no command given"},
      {{"erase"}, "unknown command erase"},
      {{"read"}, "read needs a FILE"},
      {{"fill", "extra"}, "unexpected argument extra"},
      {{"verify", "a", "--verify"}, "--verify does not go with verify"},
      {{"read", "a", "--pace", "fast"}, "--pace must be tick or reply, not fast"},
      {{"read", "a", "--port"}, "--port needs a value"},
      {{"read", "a", "--quiet=yes"}, "--quiet takes no value"},
      {{"read", "a", "--bogus"}, "unknown option --bogus"},
  };
  for (const ArgumentCase& c : cases) {
    std::string joined;
    for (const auto& argument : c.arguments) joined += argument + " ";
    SCOPED_TRACE(joined);
    const ParsedArguments parsed = ParseArguments(c.arguments);
    EXPECT_EQ(parsed.error, c.error);
    if (!c.error.empty()) continue;
    EXPECT_EQ(parsed.options.command, c.command);
    EXPECT_EQ(parsed.options.file, c.file);
    EXPECT_EQ(parsed.options.verify, c.verify);
    EXPECT_EQ(parsed.options.port, c.port);
    EXPECT_EQ(parsed.options.pace, c.pace);
    EXPECT_EQ(parsed.options.quiet, c.quiet);
  }
  EXPECT_TRUE(ParseArguments({"--help"}).options.help);
  EXPECT_TRUE(ParseArguments({"--version"}).error.empty());
}

TEST(CliArgumentsTest, ReadsDefaultToReplyPaceAndWritesToTickPace) {
  EXPECT_EQ(DefaultPace(Command::Read), Pace::Reply);
  EXPECT_EQ(DefaultPace(Command::Verify), Pace::Reply);
  EXPECT_EQ(DefaultPace(Command::Write), Pace::Tick);
  EXPECT_EQ(DefaultPace(Command::Fill), Pace::Tick);
}

TEST(CliProgressTest, LineAndSummaryCarryPercentAddressRateAndTimeLeft) {
  EXPECT_EQ(FormatProgressLine("read", 8192, 32768, 0x2000, 4.0),
            "read    25%  0x2000    2048 B/s  0:12 left");
  EXPECT_EQ(FormatProgressLine("write", 0, 32768, 0, 0.0),
            "write    0%  0x0000       0 B/s  --:-- left");
  EXPECT_EQ(FormatSummary("fill", 32768, 20.5), "fill: 32768 bytes in 20.5 s, 1598 B/s");
}

TEST(CliProgressTest, RedrawsAtMostTenTimesASecondOnATerminal) {
  double now = 0;  // steps of 1/32 s, exact in binary
  std::ostringstream out;
  Progress progress(out, {true, true}, [&now] { return now; });
  progress.Begin("read", 32768);
  for (int step = 1; step <= 64; ++step) {
    now = step / 32.0;
    progress.Advance(16, static_cast<std::uint32_t>(16 * step));
  }
  progress.Finish();
  const std::string text = out.str();
  std::size_t drawings = 0;
  for (char c : text) drawings += c == '\r' ? 1 : 0;
  // Begin, then every fourth step (the first 1/32 s multiple past a tenth), then the last.
  EXPECT_EQ(drawings, 1u + 16u + 1u);
  EXPECT_NE(text.find("\rread     3%  0x0400     512 B/s  1:02 left\x1b[K\n"), std::string::npos);
  EXPECT_NE(text.find("read: 1024 bytes in 2.0 s, 512 B/s\n"), std::string::npos);
}

TEST(CliProgressTest, OffATerminalOnlyTheSummary) {
  double now = 0;
  std::ostringstream out;
  Progress progress(out, {false, true}, [&now] { return now; });
  progress.Begin("read", 32768);
  now = 2;
  progress.Advance(32768, 0x8000);
  progress.Finish();
  EXPECT_EQ(out.str(), "read: 32768 bytes in 2.0 s, 16384 B/s\n");
}

TEST(CliPortsTest, MarksThePortDiscoveryWouldTake) {
  FakeInventory inventory;
  inventory.ports = std::vector<DeviceRecord>{
      FakeInventory::Port("TTY\\ttyS0", "COM1", "Serial"),
      FakeInventory::Port("usb\\vid_04d8&pid_000a\\1", "COM2", "Lower case"),
      FakeInventory::Port("USB\\VID_04D8&PID_000A\\77", "COM3", "Adapter"),
      FakeInventory::Port("USB\\VID_04D8&PID_000A\\78", "COM4", "Second adapter"),
  };
  inventory.ports->at(0).properties[2].value.reset();
  std::ostringstream out, err;
  EXPECT_EQ(ListPorts(inventory, out, err), 0);
  EXPECT_EQ(out.str(),
            " \tCOM1\tTTY\\ttyS0\t?\t/dev/fake1\n"
            " \tCOM2\tusb\\vid_04d8&pid_000a\\1\tLower case\t/dev/fake2\n"
            "*\tCOM3\tUSB\\VID_04D8&PID_000A\\77\tAdapter\t/dev/fake3\n"
            " \tCOM4\tUSB\\VID_04D8&PID_000A\\78\tSecond adapter\t/dev/fake4\n");
  EXPECT_EQ(err.str(), "");
}

TEST(CliPortsTest, NoAdapterOrNoInventoryIsExitThree) {
  FakeInventory inventory;
  inventory.ports = std::vector<DeviceRecord>{FakeInventory::Port("TTY\\ttyS0", "COM1")};
  std::ostringstream out, err;
  EXPECT_EQ(ListPorts(inventory, out, err), 3);
  EXPECT_EQ(err.str(), std::string(protocol::kNotFoundText) + "\n");
  inventory.ports.reset();
  std::ostringstream none;
  EXPECT_EQ(ListPorts(inventory, none, none), 3);
}

struct InputCase {
  const char* name;
  std::string contents;
  std::string error;  // "" when the file is accepted
};

TEST(CliImageInputTest, RefusesWhatCannotBeTurnedIntoBytesNamingTheLine) {
  TempDir dir;
  const std::string text = dir.File("image.txt");
  const std::string bin = dir.File("image.bin");
  const InputCase cases[] = {
      {"image.txt", "0000:01\r\n\r\n  0010:0203  \n", ""},
      {"image.txt", "0000:01\r\n   \r\n0010 0203\r\n", "Line 3 of file " + text + " has no colon."},
      {"image.txt", "0000:01\r\n0010:0x02\r\n",
       "Line 2 of file " + text + " is not a hex address, a colon and hex pairs."},
      {"image.txt", "7FF8:0001020304050607\r\n7FFF:0001\r\n",
       "Line 2 of file " + text + " lies outside 0000 to 7FFF."},
      {"image.txt", "\r\n  \r\n", "File " + text + " holds no records."},
      {"image.bin", std::string(100, '\0'), "File " + bin + " holds 100 bytes, not 32768."},
      {"image.bin", std::string(32768, '\x5A'), ""},
  };
  for (const InputCase& c : cases) {
    SCOPED_TRACE(c.contents.substr(0, 40));
    WriteWholeFile(dir.File(c.name), c.contents);
    std::istringstream in;
    const ImageInput input = LoadImageInput(dir.File(c.name), in);
    EXPECT_EQ(input.error, c.error);
  }
  std::istringstream in;
  EXPECT_EQ(LoadImageInput(dir.File("missing.txt"), in).error,
            std::string(protocol::kCouldNotOpenText) + dir.File("missing.txt"));
}

TEST(CliImageInputTest, BinaryAndStandardInputGoThroughTextTheEngineCanSend) {
  TempDir dir;
  std::string raw(32768, '\0');
  for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<char>(i >> 4);
  WriteWholeFile(dir.File("image.bin"), raw);
  std::istringstream none;
  const ImageInput binary = LoadImageInput(dir.File("image.bin"), none);
  ASSERT_EQ(binary.error, "");
  EXPECT_EQ(binary.steps.size(), 2048u);
  EXPECT_EQ(binary.Bytes(), 32768u);
  const std::string records = tessimor::testing::ReadWholeFile(binary.engine_path);
  EXPECT_EQ(records.substr(0, 39), "0000:00000000000000000000000000000000\r\n");
  EXPECT_EQ(records.substr(39 * 2047), "7FF0:FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\r\n");

  std::istringstream in("0010:AABB\n");
  const ImageInput piped = LoadImageInput("-", in);
  ASSERT_EQ(piped.error, "");
  EXPECT_TRUE(piped.image.Covers(0x11));
  EXPECT_EQ(piped.image.At(0x11), 0xBB);
  EXPECT_FALSE(piped.image.Covers(0x12));
}

TEST(CliReplyWatchTest, ForwardsEveryLineAndStopsARejectedRead) {
  SimulatedPort port;
  port.Open();
  FakeWindow window;
  ImageFiles files;
  TransferEngine engine(port, window, files);
  ReplyWatch watch(engine, window);
  int steps = 0;
  int lines = 0;
  watch.on_step = [&steps](std::int32_t) { ++steps; };
  watch.on_line = [&lines] { ++lines; };
  watch.check_read = [](std::string_view data, std::int32_t address) -> std::optional<std::string> {
    if (address < 0x20) return std::nullopt;
    return "stop at " + std::to_string(address) + " " + std::string(data);
  };
  TempDir dir;
  engine.StartRead(dir.File("out.txt"));
  watch.HandleReply("?junk");
  watch.HandleReply("R0000:00");
  watch.HandleReply("R0010:11");
  EXPECT_EQ(window.status, "R0010:11");
  watch.HandleReply("R0020:22");
  EXPECT_EQ(steps, 2);
  EXPECT_EQ(lines, 4);
  EXPECT_FALSE(engine.IsBusy());
  EXPECT_EQ(window.messages, std::vector<std::string>{"stop at 32 0020:22"});
  EXPECT_EQ(window.enables, 1);
  // The rejected reply never reached the engine: neither the status line nor the file.
  EXPECT_EQ(window.status, "R0010:11");
  EXPECT_EQ(tessimor::testing::ReadWholeFile(dir.File("out.txt")), "0000:00\r\n0010:11\r\n");
}

}  // namespace
}  // namespace tessimor::cli
