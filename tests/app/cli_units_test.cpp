#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "app/cli_options.h"
#include "app/cli_ports.h"
#include "app/cli_progress.h"
#include "tests/support/fakes.h"

namespace tessimor::cli {
namespace {

using tessimor::testing::FakeInventory;

// The parse result on one line: the error, or everything the options ask for.
std::string Describe(const ParsedArguments& parsed) {
  const Options& o = parsed.options;
  if (!parsed.error.empty()) return "error: " + parsed.error;
  if (o.help || o.version) return o.help ? "help" : "version";
  const Pace pace = o.pace.value_or(DefaultPace(o.command));
  return CommandName(o.command) + " [" + o.file + "] port=" + o.port +
         (o.pace ? " pace=" : " default=") + (pace == Pace::Tick ? "tick" : "reply") +
         (o.verify ? " verify" : "") + (o.quiet ? " quiet" : "");
}

TEST(CliArgumentsTest, OptionsStandBeforeOrAfterTheCommand) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"read", "a.txt"}, "read [a.txt] port= default=reply"},
      {{"--port", "/dev/pts/4", "verify", "-"}, "verify [-] port=/dev/pts/4 default=reply"},
      {{"write", "x.bin", "--verify", "--pace=reply", "-q"},
       "write [x.bin] port= pace=reply verify quiet"},
      {{"--quiet", "fill", "--verify", "--pace", "tick"}, "fill [] port= pace=tick verify quiet"},
      {{"fill"}, "fill [] port= default=tick"},
      {{"write", "--", "-odd name"}, "write [-odd name] port= default=tick"},
      {{"ports", "--port=/dev/ttyACM0"}, "ports [] port=/dev/ttyACM0 default=tick"},
      {{"read", "--help"}, "help"},
      {{}, "error: no command given"},
      {{"erase"}, "error: unknown command erase"},
      {{"read"}, "error: read needs a FILE"},
      {{"fill", "extra"}, "error: unexpected argument extra"},
      {{"verify", "a", "--verify"}, "error: --verify does not go with verify"},
      {{"read", "a", "--pace", "fast"}, "error: --pace must be tick or reply, not fast"},
      {{"read", "a", "--port"}, "error: --port needs a value"},
      {{"read", "a", "--quiet=yes"}, "error: --quiet takes no value"},
      {{"read", "a", "--bogus"}, "error: unknown option --bogus"},
  };
  for (const auto& [arguments, expected] : cases) {
    EXPECT_EQ(Describe(ParseArguments(arguments)), expected);
  }
}

TEST(CliProgressTest, LinesCarryPercentAddressRateAndTimeLeftRedrawnAtMostTenTimesASecond) {
  EXPECT_EQ(FormatProgressLine("read", 8192, 32768, 0x2000, 4.0),
            "read    25%  0x2000    2048 B/s  0:12 left");
  EXPECT_EQ(FormatProgressLine("write", 0, 32768, 0, 0.0),
            "write    0%  0x0000       0 B/s  --:-- left");
  EXPECT_EQ(FormatSummary("fill", 32768, 20.5), "fill: 32768 bytes in 20.5 s, 1598 B/s");
  for (const bool live : {true, false}) {
    double now = 0;  // steps of 1/32 s, exact in binary
    std::ostringstream out;
    Progress progress(out, {live, true}, [&now] { return now; });
    progress.Begin("read", 32768);
    for (int step = 1; step <= 64; ++step) {
      now = step / 32.0;
      progress.Advance(16, static_cast<std::uint32_t>(16 * step));
    }
    progress.Finish();
    const std::string text = out.str();
    // On a terminal: Begin, every fourth step (the first 1/32 s multiple past a tenth), the last.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), live ? 18 : 0);
    const std::string last = live ? "\rread     3%  0x0400     512 B/s  1:02 left\x1b[K\n" : "";
    EXPECT_EQ(live ? text.substr(text.rfind('\r')) : text,
              last + "read: 1024 bytes in 2.0 s, 512 B/s\n");
  }
}

TEST(CliPortsTest, MarksThePortDiscoveryWouldTakeSaysWhyItWouldNotOpenAndEscapesItsText) {
  FakeInventory inventory;
  inventory.ports = std::vector<DeviceRecord>{
      FakeInventory::Port("TTY\\ttyS0", "COM1", "Serial"),
      FakeInventory::Port("usb\\vid_04d8&pid_000a\\1", "COM2", "Lower case"),
      FakeInventory::Port("USB\\VID_04D8&PID_000A\\77\x1B[2J", "COM3", "Adapter \xE9\x07"),
  };
  inventory.ports->at(0).properties[2].value.reset();
  std::ostringstream out, err;
  EXPECT_EQ(ListPorts(inventory, out, err), 0);
  EXPECT_EQ(out.str(),
            " \tCOM1\tTTY\\ttyS0\t?\t/dev/fake1\n"
            " \tCOM2\tusb\\vid_04d8&pid_000a\\1\tLower case\t/dev/fake2\n"
            "*\tCOM3\tUSB\\VID_04D8&PID_000A\\77\\x1B[2J\tAdapter \\xE9\\x07\t/dev/fake3\n");
  EXPECT_EQ(err.str(), "/dev/fake3: no such device.\n");
  inventory.ports->resize(2);
  std::ostringstream none_out, none_err;
  EXPECT_EQ(ListPorts(inventory, none_out, none_err), 3);
  EXPECT_EQ(none_err.str(), "Tessimor adapter not found!\n");
}

}  // namespace
}  // namespace tessimor::cli
