#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <optional>
#include <random>
#include <regex>
#include <thread>

#include "sim/pty_server.h"
#include "tests/cli/cli_runner.h"
#include "tests/kit/expected.h"
#include "tests/kit/files.h"

// The real program against a simulated adapter on a pseudo-terminal, as a script would use it.
namespace tessimor {
namespace {

using testing::ImageText, testing::kAsNobody, testing::ReadWholeFile, testing::WriteWholeFile,
    testing::Result, testing::Shell;
using namespace std::chrono_literals;

// Timings and the usage text after a bad use differ from run to run.
testing::Cli Program() {
  return testing::Cli([](const std::string& text) {
    return std::regex_replace(text, std::regex("[0-9.]+ s, [0-9]+ B/s|\nUsage:[\\s\\S]*"), "");
  });
}

TEST(CliEndToEndTest, EachRunEndsWithItsStatusMessageFilesAndBytesOnTheWire) {
  const testing::Cli program = Program();
  const testing::TempDir& dir = program.dir;
  AdapterSimulator adapter;
  std::mt19937 random(11);
  for (auto& byte : adapter.memory()) byte = static_cast<std::uint8_t>(random());
  adapter.memory()[0x1234] = 0x5A;
  const std::string bytes(adapter.memory().begin(), adapter.memory().end());
  const std::string changed = std::string(bytes).replace(0x1234, 1, "\xA5"), before = "old\r\n",
                    other(bytes.rbegin(), bytes.rend());
  WriteWholeFile(dir.File("changed.bin"), changed);
  WriteWholeFile(dir.File("other.bin"), other);
  WriteWholeFile(dir.File("nocolon.txt"), "0000:00112233\r\n0010 44556677\r\n");
  WriteWholeFile(dir.File("short.bin"), std::string(1000, '\0'));
  for (const char* name : {"old.txt", "old.bin"}) WriteWholeFile(dir.File(name), before);
  ASSERT_EQ(
      Shell("cd " + dir.path() + " && chmod 755 . && mkdir folder locked && chmod 555 locked" +
            " && touch shut.bin && chmod 0 shut.bin"),
      0);
  const std::string verify = "verify: 32768 bytes in \nverify: ",
                    not_found = "Tessimor adapter not found!\n";
  const std::string timeout = "Time out waiting for reply.\n",
                    gone = "The port PORT was closed: the adapter is gone.\n";
  const std::string escaped =
      "Read reply at address 0x0000 cannot be turned into bytes: \\x1B]0;owned\\x07\\xE90000:" +
      ImageText(other).substr(5, 32) + "\n";
  // A file that would not open, and why; a write or fill stopped short, how far it got.
  const auto cannot = [](const std::string& path, const std::string& why, const char* verb) {
    return std::string("Could not ") + verb + " file " + path + "\n" + path + ": " + why + ".\n";
  };
  const auto stopped = [](const std::string& bytes, const std::string& holds) {
    return "Stopped after " + bytes + " bytes: the EEPROM " + holds + " again.\n";
  };
  const std::string part_of_other = "now holds part of other.bin. Write it";
  const PtyFaults mute_300{.mute_after = 300}, unplug_300{.unplug_after = 300};
  // Ctrl-C half a second in, or, with "interrupt", once the command that goes unanswered is on
  // the wire.
  const std::string ctrl_c = "timeout --preserve-status -s INT 0.5 ";
  // `lines`: how many "R" lines followed the start address on the wire; -1 nothing was sent, -2
  // not known. `how`: "busy" another copy holds the port, "interrupt", else what the program runs
  // under, a device shut to all with `kAsNobody`. PORT stands for the port's path.
  const struct {
    std::string command_line;
    int status;
    std::string err, input = "";
    int lines = -1;
    std::string how = "", out = "";
    PtyFaults faults = {};
  } cases[] = {
      // A read or verify goes over the whole memory, at either pace the same on the wire.
      {"read image.txt", 0, "read: 32768 bytes in \n", "", 2048},
      {"read image.bin --pace tick", 0, "read: 32768 bytes in \n", "", 2048},
      {"read - --quiet", 0, "", "", 2048, "", ImageText(bytes)},
      {"verify image.txt", 0, verify + "32768 bytes match\n", "", 2048},
      {"verify changed.bin", 1,
       verify + "1 of 32768 bytes differ\n  0x1234: file 0xA5, EEPROM 0x5A\n", "", 2048},
      {"write other.bin --verify", 0, "write: 32768 bytes in \n" + verify + "32768 bytes match\n",
       "", 2048},
      // A write stopped short says so after the reason: the bytes the adapter confirmed.
      {"write other.bin --pace reply", 1, timeout + stopped("4800 of 32768", part_of_other), "", -2,
       "", "", mute_300},
      {"write other.bin --pace reply", 1, gone + stopped("4800 of 32768", part_of_other), "", -2,
       "", "", unplug_300},
      {"write other.bin --pace reply", 130, stopped("4800 of 32768", part_of_other), "", -2,
       "interrupt", "", mute_300},
      // Bad files and bad use are exit 2, no adapter exit 3; both with nothing on the wire.
      {"write nocolon.txt", 2, "Line 2 of file nocolon.txt has no colon.\n"},
      {"write -", 2, "Line 2 of file - is not a hex address, a colon and hex pairs.\n",
       "0000:01\r\n0010:0x02\r\n"},
      {"verify -", 2, "Line 2 of file - lies outside 0000 to 7FFF.\n",
       "7FF8:0001020304050607\r\n7FFF:0001\r\n"},
      {"verify short.bin", 2, "File short.bin holds 1000 bytes, not 32768.\n"},
      {"write missing.txt", 2, cannot("missing.txt", "no such file", "open")},
      {"verify no/where.bin", 2, cannot("no/where.bin", "no such folder", "open")},
      {"write old.txt/x.txt", 2, cannot("old.txt/x.txt", "no such folder", "open")},
      {"write folder", 2, cannot("folder", "a folder", "open")},
      {"verify shut.bin", 2, cannot("shut.bin", "permission denied", "open"), "", -1, kAsNobody},
      {"read folder", 1, cannot("folder", "a folder", "open")},
      {"read no/where.hex", 1, cannot("no/where.hex", "no such folder", "open")},
      {"read /dev/null", 1, cannot("/dev/null", "not a regular file", "open")},
      {"read locked/new.txt", 1, cannot("locked/new.txt", "permission denied", "open"), "", -1,
       kAsNobody},
      {"read shut.bin", 1, cannot("shut.bin", "permission denied", "open"), "", -1, kAsNobody},
      {"convert changed.bin no/where.hex", 1, cannot("no/where.hex", "no such folder", "write")},
      {"write -", 2, "File - holds no records.\n", "\r\n  \r\n"},
      {"fill --pace slow", 2, "tessimor-eeprom-cli: --pace must be tick or reply, not slow\n"},
      // Nothing began, so nothing is half written.
      {"write other.bin --port no-tty", 3, not_found + "no-tty: no such device.\n"},
      {"read x.txt --port /etc/passwd", 3, not_found + "/etc/passwd: not a serial port.\n"},
      // A read that fails says why.
      {"read old.txt --pace reply", 1, timeout, "", 6, "", "", {.mute_after = 5}},
      {"read old.bin --pace tick", 1, timeout, "", 6, "", "", {.mute_after = 5}},
      {"read old.txt --pace reply", 1, gone, "", 300, "", "", {.unplug_after = 300}},
      {"read old.bin --pace tick", 1, gone, "", 300, "", "", {.unplug_after = 300}},
      {"read old.txt --pace tick", 130, "", "", -2, ctrl_c},
      // What the adapter sent (other.bin's first line by now) is shown escaped, never raw.
      {"read old.bin", 1, escaped, "", 1, "", "", {.noise = "\x1B]0;owned\x07\xE9"}},
      {"read old.txt", 3,
       not_found + "PORT: busy, held by another program (a serial terminal, another copy of this "
                   "tool, or ModemManager just after plugging in).\n",
       "", 1, "busy"},
      {"fill", 3,
       not_found + "PORT: permission denied; install the udev rule or join the dialout group "
                   "(README, \"Tessimor adapter not found!\").\n",
       "", -1, kAsNobody},
      // These two change what the rows above read.
      {"write - --pace reply", 1,
       timeout + stopped("6 of 9", "now holds part of the image from standard input. Write it"),
       "0000:0102\r\n0010:03040506\r\n0020:070809\r\n", -2, "", "", PtyFaults{.mute_after = 2}},
      {"fill --pace reply", 1,
       timeout + stopped("1600 of 32768", "is now only partly filled with 0xFF. Fill it"), "", -2,
       "", "", PtyFaults{.mute_after = 100}},
  };
  const std::string written =  // each record at its address, before all is read back
      "!" + std::regex_replace(ImageText(other), std::regex("(\\w+):(\\w+)\r\n"), "$$$1\rW$2\r");
  for (const auto& c : cases) {
    PtyServer server(adapter, c.how == "busy" ? PtyFaults{.mute_after = 0} : c.faults);
    ASSERT_TRUE(server.Start(/*hold_slave=*/false));
    const std::string port = server.SlavePath();
    if (c.how == "busy") {  // for the 100 ticks the first copy waits
      Shell(program.Path() + " read - --pace tick --port " + port + " >/dev/null 2>&1 &");
      for (int i = 0; i < 500 && server.Received().empty(); ++i) std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(c.how == kAsNobody ? Shell("chmod 0 " + port) : 0, 0);
    const std::string args = "--port " + port + " " + c.command_line;
    const auto unanswered_sent = [&] {
      const std::string wire = server.Received();
      return std::ranges::count(wire, 'W') == c.faults.mute_after + 1 && wire.ends_with('\r');
    };
    EXPECT_EQ(c.how == "interrupt" ? program.Signalled(args, SIGINT, unanswered_sent)
                                   : program.Run(args, c.input, c.how == "busy" ? "" : c.how),
              Result(c.status, std::regex_replace(c.err, std::regex("PORT"), port), c.out))
        << c.command_line;
    if (c.lines == -1) std::this_thread::sleep_for(50ms);  // for bytes sent late
    const std::string wire =
        (c.command_line[0] == 'w' && c.status < 2 ? written : "") +
        testing::FullReadOnTheWire().substr(0, c.lines < 0 ? 0 : 7 + 2 * c.lines);
    EXPECT_EQ(c.lines == -2 ? wire : server.Received(), wire) << c.command_line;
  }
  // A read that failed left the file as it was.
  EXPECT_EQ(ReadWholeFile(dir.File("image.txt")) + ReadWholeFile(dir.File("image.bin")) +
                ReadWholeFile(dir.File("old.txt")) + ReadWholeFile(dir.File("old.bin")),
            ImageText(bytes) + bytes + before + before);
  EXPECT_EQ(dir.Names(),
            (std::set<std::string>{"changed.bin", "err", "folder", "image.bin", "image.txt", "in",
                                   "locked", "nocolon.txt", "old.bin", "old.txt", "other.bin",
                                   "out", "shut.bin", "short.bin"}));
}

// The system's own list, whatever this machine has, and the simulator's pty as named, with
// nothing but its path: no USB identity the system did not report.
TEST(CliEndToEndTest, PortsMarksANamedPtyAsNamedWithNoIdentity) {
  const testing::Cli program = Program();
  AdapterSimulator adapter;
  PtyServer server(adapter);
  ASSERT_TRUE(server.Start(/*hold_slave=*/false));
  const auto [status, err, out] = program.Run("ports --port " + server.SlavePath());
  EXPECT_EQ(std::pair(status, err), std::pair(0, std::string()));
  EXPECT_TRUE(std::regex_match(out, std::regex("  PORT +HARDWARE ID +NAME +DEVICE\n[^>]*"
                                               ">  +" +
                                               server.SlavePath() + "\n")))
      << out;
  EXPECT_EQ(out.find("04D8"), std::string::npos) << out;
}

// Intel HEX and S-records as objcopy, a tool apart from this one, writes and reads them.
TEST(CliEndToEndTest, ToolchainImagesGoInAndComeOutAsObjcopyMakesAndReadsThem) {
  const testing::Cli program = Program();
  const testing::TempDir& dir = program.dir;
  AdapterSimulator adapter;
  std::mt19937 random(12);
  std::string image(32768, '\0'), part(40, '\0');
  for (char& byte : image) byte = static_cast<char>(random());
  for (char& byte : part) byte = static_cast<char>(random());
  WriteWholeFile(dir.File("image.bin"), image);
  WriteWholeFile(dir.File("part.bin"), part);
  const auto objcopy = [&](const std::string& args) {
    ASSERT_EQ(Shell("cd " + dir.path() + " && objcopy " + args), 0) << args;
  };
  // The sparse ones: part of a line, a whole one, part of the next, with a start address record.
  for (const char* args : {"-O ihex image.bin image.hex", "-O srec image.bin image.s19",
                           "-O ihex --change-addresses 0x1234 part.bin part.hex",
                           "-O srec --change-addresses 0x1234 part.bin part.srec",
                           "-O ihex --change-addresses 0x7FF0 part.bin far.hex"}) {
    objcopy(std::string("-I binary ") + args);
  }
  // The AVR toolchain's own: its linker puts .eeprom at 0x810000, and the README's recipe moves
  // it to 0.
  ASSERT_EQ(Shell("cd " + dir.path() +
                  " && printf '.section .eeprom,\"aw\",@progbits\\n.byte 1,2,3,0x7E,0x81\\n' "
                  ">app.s && avr-as -o app.o app.s && avr-ld -o app.elf app.o && "
                  "avr-objcopy -j .eeprom -O ihex app.elf app.eep && "
                  "avr-objcopy -j .eeprom --change-section-lma .eeprom=0 -O ihex app.elf at0.eep"),
            0);
  // objcopy's own checksum of the second record, and that record with 00 in its place.
  const std::string hex = ReadWholeFile(dir.File("image.hex"));
  const std::size_t second_end = hex.find("\r\n", hex.find("\r\n") + 2);
  const std::string checksum = hex.substr(second_end - 2, 2);
  ASSERT_NE(checksum, "00");
  WriteWholeFile(dir.File("bad.hex"), std::string(hex).replace(second_end - 2, 2, "00"));
  // The sparse image as records and as its write on the wire: none crosses a 16-byte line.
  std::string sparse_text, sparse_wire = "!";
  for (const auto& [from, to] : {std::pair{0, 12}, {12, 28}, {28, 40}}) {
    char address[8];
    std::snprintf(address, sizeof address, "%04X", 0x1234 + from);
    const std::string data = testing::ImageText(part.substr(from, to - from)).substr(5);
    sparse_text += address + (":" + data);
    sparse_wire += "$" + (address + ("\rW" + data.substr(0, data.size() - 2))) + "\r";
  }
  const std::string avr_section =
      " puts data at 810000, outside 0000 to 7FFF.\nThat is where the AVR toolchain puts the "
      ".eeprom section: add --change-section-lma .eeprom=0 to the objcopy command to move it to "
      "0000.\n";
  const std::string before(32768, '\x5A'),
      with_part = std::string(before).replace(0x1234, 40, part),
      with_section = std::string(before).replace(0, 5, "\x01\x02\x03\x7E\x81"),
      read = testing::FullReadOnTheWire();
  const struct {
    std::string command_line;
    int status;
    std::string err;
    std::optional<std::string> wire;  // nullopt: not looked at
    const std::string& memory;        // after it, a write having started from `before`
  } cases[] = {
      {"write image.hex --verify --pace reply",
       0,
       "write: 32768 bytes in \nverify: 32768 bytes in \nverify: 32768 bytes match\n",
       {},
       image},
      {"write image.s19 --quiet --pace reply", 0, "", {}, image},
      {"write bad.hex", 2,
       "Line 2 of file bad.hex has checksum 00 where its bytes give " + checksum + ".\n", "",
       before},
      {"write far.hex", 2, "Line 2 of file far.hex puts data at 8000, outside 0000 to 7FFF.\n", "",
       before},
      {"write app.eep", 2, "Line 2 of file app.eep" + avr_section, "", before},
      {"write at0.eep", 0, "write: 5 bytes in \n", "!$0000\rW0102037E81\r", with_section},
      {"write part.hex", 0, "write: 40 bytes in \n", sparse_wire, with_part},
      {"write part.srec --verify --quiet", 0, "", sparse_wire + read, with_part},
      {"verify part.hex", 0, "verify: 32768 bytes in \nverify: 40 bytes match\n", read, with_part},
      {"read back.hex --quiet", 0, "", read, with_part},
      {"read back.srec --quiet", 0, "", read, with_part},
  };
  for (const auto& c : cases) {
    if (c.command_line[0] == 'w') std::fill(adapter.memory().begin(), adapter.memory().end(), 0x5A);
    PtyServer server(adapter);
    ASSERT_TRUE(server.Start(/*hold_slave=*/false));
    EXPECT_EQ(program.Run("--port " + server.SlavePath() + " " + c.command_line),
              Result(c.status, c.err, ""))
        << c.command_line;
    EXPECT_EQ(c.wire ? server.Received() : "", c.wire.value_or("")) << c.command_line;
    EXPECT_EQ(std::string(adapter.memory().begin(), adapter.memory().end()), c.memory)
        << c.command_line;
  }
  // What was read back is the memory, to objcopy too; a conversion loses nothing.
  objcopy("-I ihex -O binary back.hex back-hex.bin");
  objcopy("-I srec -O binary back.srec back-srec.bin");
  EXPECT_EQ(ReadWholeFile(dir.File("back-hex.bin")) + ReadWholeFile(dir.File("back-srec.bin")),
            with_part + with_part);
  EXPECT_EQ(program.Run("convert image.hex image.mot"),
            Result(0, "convert: 32768 bytes into image.mot\n", ""));
  EXPECT_EQ(program.Run("convert image.mot again.bin -q"), Result(0, "", ""));
  EXPECT_EQ(ReadWholeFile(dir.File("again.bin")), image);
  EXPECT_EQ(program.Run("convert part.srec - -q"), Result(0, "", sparse_text));
}

}  // namespace
}  // namespace tessimor
