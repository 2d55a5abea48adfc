#include "engine/transfer_engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>

#include "tests/kit/expected.h"
#include "tests/kit/fakes.h"
#include "tests/kit/files.h"
#include "tests/kit/full_disk.h"

namespace tessimor {
namespace {

using enum Outcome;
using Engine = TransferEngine;

// One line a report, so a failing comparison shows them all.
std::vector<std::string> Texts(const std::vector<OperationEnd>& ends) {
  std::vector<std::string> texts;
  for (const auto& [mode, outcome, message] : ends) {
    texts.push_back(std::to_string(mode) + "/" + ::testing::PrintToString(outcome) + " " + message);
  }
  return texts;
}

struct Bench {
  Bench() { engine.SetObserver(&observer); }
  // Hands the adapter's replies to the engine until it stops answering.
  void Pump(int limit = 1 << 20) {
    for (std::size_t cr; limit-- > 0 && (cr = port.incoming.find('\r')) != std::string::npos;) {
      engine.HandleReply(port.incoming.substr(0, cr));  // its answer goes after this line
      port.incoming.erase(0, cr + 1);
    }
  }
  testing::SimulatedPort port;
  testing::FakeWindow window;
  ImageFiles files;
  testing::FakeObserver observer;
  TransferEngine engine{port, window, files};
  testing::TempDir dir;
};

class TransferEngineTest : public ::testing::Test, public Bench {};

TEST_F(TransferEngineTest, APartialReadAsksOnlyForItsLinesAndJumpsWhereTheyDoNotFollowOn) {
  struct Replies : RecordSink {
    bool Put(std::int32_t address, std::string_view data) override {
      got.emplace_back(address, std::string(data.substr(0, 5)));
      return true;
    }
    std::string Problem() const override { return {}; }
    std::vector<std::pair<std::int32_t, std::string>> got;
  } sink;
  port.adapter.memory() = testing::Pattern();
  engine.StartRead(sink, {0x0010, 0x0020, 0x7FF0});
  Pump();
  EXPECT_EQ(port.written, "!$0010\rR\rR\r$7FF0\rR\r");
  EXPECT_EQ(sink.got, (decltype(sink.got){{0x0010, "0010:"}, {0x0020, "0020:"}, {0x7FF0, "7FF0:"}}));
  EXPECT_EQ(std::pair(observer.advanced, observer.addresses),
            std::pair(std::size_t{48}, std::vector<std::uint32_t>{0x0020, 0x7FF0, 0x8000}));
  EXPECT_EQ(Texts(observer.ends), Texts({{ModeRead, kDone, ""}}));
  EXPECT_EQ(window.status, "** Done! **");
}

TEST_F(TransferEngineTest, EachOperationSendsItsLinesAndEndsDoneOtherRepliesAreOnlyShown) {
  // Writing byte_at(a) to every address a: each "AAAA:data" CR LF a read saves, as "W" data CR.
  const auto w_lines = [](const auto& byte_at) {
    std::string bytes(32768, '\0');
    for (std::size_t a = 0; a < bytes.size(); ++a) bytes[a] = static_cast<char>(byte_at(a));
    return std::regex_replace(testing::ImageText(bytes), std::regex("....:(.*)\r\n"), "W$1\r");
  };
  const std::string path = dir.File("read.txt"), three = dir.File("three.txt");
  testing::WriteWholeFile(three, "\r\n0010:00FF\r\n  \r\n  0020:ABCD  \r\n:01\r\n\r\n");
  LineList three_in_memory({"", "0010:00FF", "  ", "  0020:ABCD  ", ":01", ""});
  const auto done = [&](std::int32_t mode, const std::string& wire, const auto& start) {
    SCOPED_TRACE(mode);
    Bench t;
    t.port.adapter.memory() = testing::Pattern();
    std::invoke(start, t.engine);
    const bool buttons = mode != ModeByteTest && mode != ModePageTest;  // held off, then "Done"
    t.Pump();
    EXPECT_EQ(t.port.written, wire);
    EXPECT_EQ(t.window.status, buttons ? "** Done! **" : "W7FF0");
    EXPECT_TRUE(t.window.buttons_enabled && t.window.messages.empty());
    EXPECT_EQ(t.window.enables + t.window.disables, buttons ? 2 : 0);
    EXPECT_EQ(std::pair(t.engine.Mode, int{t.engine.FileNo}), std::pair(ModeIdle, 0));
    EXPECT_EQ(t.observer.advanced, mode == ModeWrite ? 5u : 32768u);  // a write: its records' bytes
    // A write goes on at its next record's address; the others in order, to the end.
    const std::vector<std::uint32_t>& at = t.observer.addresses;
    EXPECT_EQ(std::tuple(at[0], at[1], at.back()),
              mode == ModeWrite ? std::tuple(0x0020u, 0x0022u, at.back())
                                : std::tuple(0x0010u, 0x0020u, 0x8000u));
    EXPECT_EQ(Texts(t.observer.ends), Texts({{mode, kDone, ""}}));
    // A panel read goes on from where it stopped: at 0 after a write, else past the end.
    t.port.writes.clear();
    t.engine.StartPanelRead();
    t.Pump();
    EXPECT_EQ(t.port.writes, std::vector<std::string>(mode == ModeWrite ? 2048 : 1, "R\r"));
  };
  done(ModeFill, "!$0000\r" + w_lines([](int) { return 0xFF; }), &Engine::StartFill);
  done(ModeByteTest, w_lines([](int a) { return a; }), &Engine::StartByteTest);
  done(ModePageTest, w_lines([](int a) { return a / 256; }), &Engine::StartPageTest);
  // "$" alone is answered with the pointer, which is only shown; the third W reply ends it.
  const std::string records = "!$0010\rW00FF\r$0020\rWABCD\r$\rW01\r";
  done(ModeWrite, records, [&](Engine& e) { e.StartWrite(three); });
  done(ModeWrite, records, [&](Engine& e) { e.StartWrite(three_in_memory, "memory"); });
  done(ModeRead, testing::FullReadOnTheWire(), [&](Engine& e) { e.StartRead(path); });
  EXPECT_EQ(testing::ReadWholeFile(path), testing::ImageText(testing::Pattern()));
  // A line is cut at its first colon, with only the spaces around it dropped.
  const std::pair<std::string, std::string> lines[] = {
      {"0000:AB:CD", "$0000\rWAB:CD"}, {"\t0000:ff", "$\t0000\rWff"}, {"12:", "$12\rW"}};
  for (const auto& [line, command] : lines) {
    engine.FileLine = line;
    engine.FileLineToCommand();
    EXPECT_EQ(engine.TxLine, command) << line;
  }
  // Replies other than the one an operation waits for are only shown.
  const std::pair<std::int32_t, std::string> replies[] = {
      {ModeRead, "W0000"},      {ModeRead, "r0000:00"}, {ModeRead, ""},
      {ModeRead, "\nR0000:00"}, {ModeFill, "R0000:FF"}, {ModeWrite, "R0000"},
      {ModeByteTest, "w"},      {ModeIdle, "R0000:00"}, {ModeIdle, "W0000"}};
  engine.CurAddr = 32;
  for (const auto& [mode, reply] : replies) {
    engine.Mode = mode;
    engine.HandleReply(reply);
    EXPECT_EQ(std::tuple(window.status, engine.Mode, engine.CurAddr), std::tuple(reply, mode, 32));
  }
  EXPECT_EQ(port.written.size() + observer.advanced + observer.ends.size(), 0u);
}

TEST_F(TransferEngineTest, EveryStartEndsInOneReportAndAnUnfinishedReadKeepsTheOldFile) {
  const std::string image = dir.File("image.txt"), bad = dir.File("bad.txt"),
                    blank = dir.File("blank.txt"), changing = dir.File("changing.txt");
  testing::WriteWholeFile(image, "old\r\n");
  testing::WriteWholeFile(bad, "0000:01\r\n\r\n0010 02\r\n0020:03\r\n");
  testing::WriteWholeFile(blank, "   \r\n\n  \r");
  const std::string records = testing::ImageText(std::string(2000 * 16, '\x01'));
  testing::WriteWholeFile(changing, records);
  const auto names = dir.Names();
  // Runs `act` (five lines into a read if `reading`) to the end; a `quiet` one changes nothing.
  const auto check = [&](std::vector<OperationEnd> ends, bool reading, bool quiet, auto act) {
    SCOPED_TRACE(Texts(ends).front());
    Bench t;
    int dones = 0;
    t.window.on_status = [&](const std::string& text) { dones += text == "** Done! **"; };
    if (reading) t.engine.StartRead(image);
    t.Pump(5);
    t.engine.CurAddr = 1234;
    const auto state = [&] {
      return std::tuple(t.port.written, t.window.status_changes, t.window.enables,
                        t.window.disables, t.engine.CurAddr);
    };
    const auto before = state();
    std::invoke(act, t.engine);
    EXPECT_EQ(state() == before, quiet) << "the act sends or shows something";
    t.Pump();
    t.engine.Stop("too late");  // nothing runs now: no second report
    EXPECT_EQ(Texts(t.observer.ends), Texts(ends));
    const std::string& message = ends.back().message;
    EXPECT_EQ(t.window.messages, std::vector<std::string>(!message.empty(), message));
    EXPECT_EQ(t.window.buttons_enabled, ends.back().outcome != kEnded);
    const bool done = ends.back().outcome == kDone;
    EXPECT_EQ(std::pair(t.window.status == "** Done! **", dones), std::pair(done, int{done}));
    EXPECT_EQ(std::pair(t.engine.Mode, int{t.engine.FileNo}), std::pair(ModeIdle, 0));
    EXPECT_EQ(testing::ReadWholeFile(image), "old\r\n");
    EXPECT_EQ(dir.Names(), names);
  };
  check({{ModeRead, kImageFailed, "Could not open file " + dir.path()}}, false, true,
        [&](Engine& e) { e.StartRead(dir.path()); });
  check({{ModeWrite, kImageFailed, "Could not open file " + dir.path()}}, false, true,
        [&](Engine& e) { e.StartWrite(dir.path()); });
  check({{ModeWrite, kNoColon, "Line 3 of file " + bad + " has no colon."}}, false, true,
        [&](Engine& e) { e.StartWrite(bad); });
  check({{ModeWrite, kNothingToWrite, ""}}, false, true, [&](Engine& e) { e.StartWrite(blank); });
  check({{ModeRead, kTimedOut, "Time out waiting for reply."}}, true, false, &Engine::TimeOut);
  check({{ModeRead, kStopped, "gone"}}, true, false, [](Engine& e) { e.Stop("gone"); });
  check({{ModeRead, kEnded, ""}}, true, true, &Engine::EndOperation);
  check({{ModeRead, kEnded, ""}, {ModeFill, kDone, ""}}, true, false, &Engine::StartFill);
  // A refused start still ends the read it cut into, and gives the buttons back.
  check({{ModeRead, kEnded, ""}, {ModeWrite, kImageFailed, "Could not open file " + dir.path()}},
        true, false, [&](Engine& e) { e.StartWrite(dir.path()); });
  // Changed in place after the check, far beyond what the reader has buffered.
  check({{ModeWrite, kNoColon, "Line 1501 of file " + changing + " has no colon."}}, false, false,
        [&](Engine& e) {
          e.StartWrite(changing);
          testing::WriteWholeFile(changing, std::string(records).replace(1500 * 39 + 4, 1, " "));
        });
  // A full read whose file cannot take the old one's place: its scratch file is gone...
  const std::string cannot_write = "Could not write file " + image;
  check({{ModeRead, kImageFailed, cannot_write}}, false, false, [&](Engine& e) {
    e.StartRead(image);
    for (const std::string& name : dir.Names()) {
      if (!names.contains(name)) std::filesystem::remove(dir.File(name));
    }
  });
  // ...or the disk is full at the first lines, or only for the last bytes (2048 lines of 39),
  // which go out as the file closes.
  for (const rlim_t limit : {rlim_t{4096}, rlim_t{2048 * 39 - 1}}) {
    const testing::FullDisk full(limit);
    check({{ModeRead, kImageFailed, cannot_write}}, false, false,
          [&](Engine& e) { e.StartRead(image); });
  }
}

}  // namespace
}  // namespace tessimor
