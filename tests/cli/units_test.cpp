#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <sstream>

#include "platform/file_bytes.h"
#include "cli/options.h"
#include "cli/ports.h"
#include "cli/progress.h"
#include "tests/kit/fakes.h"

namespace tessimor::cli {
namespace {

TEST(CliArgumentsTest, OptionsStandBeforeOrAfterTheCommand) {
  const auto name = [](Pace pace) -> std::string { return pace == Pace::Tick ? "tick" : "reply"; };
  // The parse result on one line: the error, or all the options ask for; pace: given/default.
  const auto describe = [&name](const ParsedArguments& parsed) -> std::string {
    const Options& o = parsed.options;
    if (o.help || !parsed.error.empty()) return o.help ? "help" : "error: " + parsed.error;
    return CommandName(o.command) + " [" + o.file + (o.output.empty() ? "" : " " + o.output) +
           "] port=" + o.port + " pace=" + (o.pace ? name(*o.pace) : "-") + "/" +
           name(DefaultPace(o.command)) + (o.verify ? " verify" : "") + (o.quiet ? " quiet" : "") +
           (o.ports.size() > 1 ? " ports=" + std::to_string(o.ports.size()) : "") +
           (o.serial.empty() ? "" : " serial=" + o.serial) +
           (o.crcs.empty() ? "" : " crc=" + o.crcs.back() + "/" + std::to_string(o.crcs.size()));
  };
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"read", "--", "-odd name"}, "read [-odd name] port= pace=-/reply"},
      {{"verify", "-", "--port=ttyS1", "--pace", "tick"}, "verify [-] port=ttyS1 pace=tick/reply"},
      {{"write", "x.bin", "--pace=reply", "-q"}, "write [x.bin] port= pace=reply/tick quiet"},
      {{"--quiet", "fill", "--verify"}, "fill [] port= pace=-/tick verify quiet"},
      {{"convert", "a.hex", "-", "-q"}, "convert [a.hex -] port= pace=-/tick quiet"},
      {{"read", "--help"}, "help"},
      {{}, "error: no command given"},
      {{"erase"}, "error: unknown command erase"},
      {{"read"}, "error: read needs a FILE"},
      {{"convert", "a.hex"}, "error: convert needs IN and OUT"},
      {{"convert", "a", "b", "c"}, "error: unexpected argument c"},
      {{"ports", "extra"}, "error: unexpected argument extra"},
      {{"verify", "a", "--verify"}, "error: --verify does not go with verify"},
      {{"read", "a", "--port"}, "error: --port needs a value"},
      {{"read", "a", "--quiet=yes"}, "error: --quiet takes no value"},
      {{"read", "a", "--bogus"}, "error: unknown option --bogus"},
      {{"program", "g.hex", "--port", "a", "--port", "b", "--serial", "16:u8", "--serial-start",
        "1", "--crc", "1:crc16:2-3", "--crc=9:crc32:2-3"},
       "program [g.hex] port=b pace=-/tick ports=2 serial=16:u8 crc=9:crc32:2-3/2"},
      {{"report", "--db", "r.db"}, "report [] port= pace=-/tick"},
      {{"program", "g.hex", "--serial", "0:u8", "--serial-start", "1"},
       "error: program needs --all or --port"},
      {{"program", "g.hex", "--all", "--port", "p", "--serial", "0:u8", "--serial-start", "1"},
       "error: --all and --port do not go together"},
      {{"program", "g.hex", "--all", "--serial-start", "1"},
       "error: program needs --serial ADDR:ENCODING"},
      {{"program", "g.hex", "--all", "--serial", "0:u8"},
       "error: program needs either --serial-start N or --serials FILE"},
      {{"program", "g", "--all", "--serial", "0:u8", "--serials", "s", "--serial-step", "2"},
       "error: --serial-step goes with --serial-start, not --serials"},
      {{"program", "g", "--all", "--serial", "0:u8", "--serials", "s", "--on-fail", "keep"},
       "error: --on-fail must be void or reuse, not keep"},
      {{"write", "a", "--serial", "0:u8"}, "error: --serial does not go with write"},
      {{"program", "a", "--csv", "-"}, "error: --csv does not go with program"},
      {{"read", "a", "--db", "r.db"}, "error: --db does not go with read"},
  };
  for (const auto& [args, expected] : cases) EXPECT_EQ(describe(ParseArguments(args)), expected);
}

TEST(CliProgressTest, LinesCarryPercentAddressRateAndTimeLeftRedrawnAtMostTenTimesASecond) {
  EXPECT_EQ(FormatProgressLine("read", 0, 1, 0, 0), "read     0%  0x0000       0 B/s  --:-- left");
  for (const bool live : {true, false}) {
    double now = 0;  // steps of 1/32 s, exact in binary; Finish one step after the last
    std::ostringstream out;
    Progress progress(out, {live, true}, [&now] { return now; });
    progress.Begin("read", 2048);
    for (now = 1 / 32.0; now <= 2; now += 1 / 32.0) progress.Advance(1);
    progress.Finish();
    const std::string text = out.str();
    // On a terminal: Begin, every fourth step (the first 1/32 s multiple past a tenth), the last.
    EXPECT_EQ(std::ranges::count(text, '\r'), live ? 18 : 0);
    const std::string last = live ? "\rread     3%  0x0040      32 B/s  1:03 left\x1b[K\n" : "";
    EXPECT_EQ(text.substr(live ? text.rfind('\r') : 0), last + "read: 64 bytes in 2.0 s, 32 B/s\n");
  }
}

// The reasons without a word of their own are the system's, worded as the others mid-line.
TEST(CliFileProblemTest, OtherReasonsAreTheSystemsInLowerCase) {
  EXPECT_EQ(FileProblemLine("sd/x.bin", {FileProblem::Kind::kOther, EROFS}),
            "sd/x.bin: read-only file system.");
  EXPECT_EQ(FileProblemLine("x.bin", {}), "");
}

TEST(CliPortsTest, MarksThePortToBeTakenShowsOnlyWhatTheSystemToldAndSaysWhyItWouldNotOpen) {
  testing::FakeInventory inventory;
  const std::vector<DeviceRecord> ports{
      DeviceRecord{{{"PNPDeviceID", "TTY\\ttyS0"}, {"DeviceID", "COM1"}, {"Name", {}}}},
      testing::FakeInventory::Port("USB\\VID_04D8&PID_000A\\77\x1B[2J", "COM3", "Adapter \xE9\x07"),
  };
  const std::string
      heading = "  PORT  HARDWARE ID                      NAME              DEVICE\n",
      com1 = "  COM1  TTY\\ttyS0                        ?                 /dev/fake1\n",
      com3 = "  COM3  USB\\VID_04D8&PID_000A\\77\\x1B[2J  Adapter \\xE9\\x07  /dev/fake3\n",
      not_found = "Tessimor adapter not found!\n";
  const auto marked = [](std::string row, char mark) { return row.replace(0, 1, 1, mark); };
  const struct {
    std::size_t listed;  // of the two ports
    std::string named, out, err;
    int status;
  } cases[] = {
      {2, "", heading + com1 + marked(com3, '*'), "/dev/fake3: no such device.\n", 0},
      {1, "", "  PORT  HARDWARE ID  NAME  DEVICE\n  COM1  TTY\\ttyS0    ?     /dev/fake1\n",
       not_found, 3},
      // A named device is marked as named, never as found, and shows what the system listed of
      // it (a pty it does not list: the program's own test).
      {2, "/dev/fake1", heading + marked(com1, '>') + com3, "/dev/fake1: no such device.\n", 0},
      {2, "/dev/tessimor-none", heading + com1 + com3,
       not_found + "/dev/tessimor-none: no such device.\n", 3},
  };
  for (const auto& c : cases) {
    inventory.ports.emplace(ports.begin(), ports.begin() + static_cast<long>(c.listed));
    std::ostringstream out, err;
    EXPECT_EQ(ListPorts(inventory, c.named, out, err), c.status) << c.named;
    EXPECT_EQ(out.str(), c.out) << c.named;
    EXPECT_EQ(err.str(), c.err) << c.named;
  }
}

}  // namespace
}  // namespace tessimor::cli
