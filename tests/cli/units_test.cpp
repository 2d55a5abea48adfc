#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cli/options.h"
#include "cli/ports.h"
#include "cli/progress.h"
#include "tests/kit/fakes.h"

namespace tessimor::cli {
namespace {

TEST(CliArgumentsTest, OptionsStandBeforeOrAfterTheCommand) {
  // The parse result on one line: the error, or everything the options ask for.
  const auto describe = [](const ParsedArguments& parsed) -> std::string {
    const Options& o = parsed.options;
    if (o.help || !parsed.error.empty()) return o.help ? "help" : "error: " + parsed.error;
    return CommandName(o.command) + " [" + o.file + "] port=" + o.port +
           (o.pace ? " pace=" : " default=") +
           (o.pace.value_or(DefaultPace(o.command)) == Pace::Tick ? "tick" : "reply") +
           (o.verify ? " verify" : "") + (o.quiet ? " quiet" : "");
  };
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
  for (const auto& [arguments, expected] : cases)
    EXPECT_EQ(describe(ParseArguments(arguments)), expected);
}

TEST(CliProgressTest, LinesCarryPercentAddressRateAndTimeLeftRedrawnAtMostTenTimesASecond) {
  EXPECT_EQ(FormatProgressLine("write", 0, 32768, 0, 0.0),
            "write    0%  0x0000       0 B/s  --:-- left");
  for (const bool live : {true, false}) {
    double now = 0;  // steps of 1/32 s, exact in binary
    std::ostringstream out;
    Progress progress(out, {live, true}, [&now] { return now; });
    progress.Begin("read", 32768);
    for (int step = 1; step <= 64; ++step) {
      now = step / 32.0;
      progress.Advance(16);
    }
    progress.Finish();
    const std::string text = out.str();
    // On a terminal: Begin, every fourth step (the first 1/32 s multiple past a tenth), the last.
    EXPECT_EQ(std::ranges::count(text, '\r'), live ? 18 : 0);
    const std::string last = live ? "\rread     3%  0x0400     512 B/s  1:02 left\x1b[K\n" : "";
    EXPECT_EQ(live ? text.substr(text.rfind('\r')) : text,
              last + "read: 1024 bytes in 2.0 s, 512 B/s\n");
  }
}

TEST(CliPortsTest, MarksThePortDiscoveryWouldTakeSaysWhyItWouldNotOpenAndEscapesItsText) {
  testing::FakeInventory inventory;
  inventory.ports = std::vector<DeviceRecord>{
      testing::FakeInventory::Port("TTY\\ttyS0", "COM1", "Serial"),
      testing::FakeInventory::Port("usb\\vid_04d8&pid_000a\\1", "COM2", "Lower case"),
      testing::FakeInventory::Port("USB\\VID_04D8&PID_000A\\77\x1B[2J", "COM3", "Adapter \xE9\x07"),
  };
  inventory.ports->at(0).properties[2].value.reset();
  std::ostringstream out, err;
  EXPECT_EQ(ListPorts(inventory, out, err), 0);
  EXPECT_EQ(out.str(),
            " \tCOM1\tTTY\\ttyS0\t?\t/dev/fake1\n"
            " \tCOM2\tusb\\vid_04d8&pid_000a\\1\tLower case\t/dev/fake2\n"
            "*\tCOM3\tUSB\\VID_04D8&PID_000A\\77\\x1B[2J\tAdapter \\xE9\\x07\t/dev/fake3\n");
  inventory.ports->resize(2);
  EXPECT_EQ(ListPorts(inventory, out, err), 3);
  EXPECT_EQ(err.str(), "/dev/fake3: no such device.\nTessimor adapter not found!\n");
}

}  // namespace
}  // namespace tessimor::cli
