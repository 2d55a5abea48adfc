#include "engine/transfer_engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

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
  // Keeps the lines a write from memory reads.
  LineList& Lines(std::vector<std::string> lines) { return lines_.emplace(std::move(lines)); }
  testing::SimulatedPort port;
  testing::FakeWindow window;
  ImageFiles files;
  testing::FakeObserver observer;
  TransferEngine engine{port, window, files};
  std::optional<LineList> lines_;
  testing::TempDir dir;
};

class TransferEngineTest : public ::testing::Test, public Bench {};

TEST_F(TransferEngineTest, EachOperationSendsItsLinesAndEndsDone) {
  // The W lines giving each address a the byte (a >> shift | set), from 0 on, nothing before.
  const auto w_lines = [](int shift, int set) {
    std::string bytes(32768, '\0'), wire;
    for (std::size_t a = 0; a < bytes.size(); ++a) bytes[a] = static_cast<char>(a >> shift | set);
    const std::string text = testing::ImageText(bytes);
    for (std::size_t i = 0; i < text.size(); i += 39) wire += 'W' + text.substr(i + 5, 32) + '\r';
    return wire;
  };
  const std::string path = dir.File("read.txt"), three = dir.File("three.txt");
  testing::WriteWholeFile(three, "\r\n0010:00FF\r\n  \r\n  0020:ABCD  \r\n:01\r\n\r\n");
  // Fill, read and write hold the buttons off and end saying "Done"; the pattern tests leave both
  // alone. A write moves on by its records' bytes, five here.
  const auto done = [&](std::int32_t mode, const std::string& wire, const auto& start) {
    SCOPED_TRACE(mode);
    Bench t;
    start(t);
    const bool buttons = mode != ModeByteTest && mode != ModePageTest;
    t.Pump();
    EXPECT_EQ(t.port.written, wire);
    EXPECT_EQ(t.window.status, buttons ? "** Done! **" : "W7FF0");
    EXPECT_TRUE(t.window.buttons_enabled && t.window.messages.empty());
    EXPECT_EQ(t.window.enables + t.window.disables, buttons ? 2 : 0);
    EXPECT_EQ(std::pair(t.engine.Mode, int{t.engine.FileNo}), std::pair(ModeIdle, 0));
    EXPECT_EQ(t.observer.advanced, mode == ModeWrite ? 5u : 32768u);
    EXPECT_EQ(Texts(t.observer.ends), Texts({{mode, kDone, ""}}));
  };
  done(ModeFill, "!$0000\r" + w_lines(0, 0xFF), [](Bench& t) { t.engine.StartFill(); });
  done(ModeByteTest, w_lines(0, 0), [](Bench& t) { t.engine.StartByteTest(); });
  done(ModePageTest, w_lines(8, 0), [](Bench& t) { t.engine.StartPageTest(); });
  // "$" alone is answered with the pointer, which is only shown; the third W reply ends it.
  const std::string records = "!$0010\rW00FF\r$0020\rWABCD\r$\rW01\r";
  done(ModeWrite, records, [&](Bench& t) { t.engine.StartWrite(three); });
  done(ModeWrite, records, [&](Bench& t) {
    t.engine.StartWrite(t.Lines({"", "0010:00FF", "  ", "  0020:ABCD  ", ":01", ""}), "memory");
  });
  done(ModeRead, testing::FullReadOnTheWire(), [&](Bench& t) { t.engine.StartRead(path); });
}

TEST_F(TransferEngineTest, AReadSavesTheImageAndAPanelReadGoesOnFromWhereTheLastOneStopped) {
  // At 0 after a write: a whole loop. Past the end after a read: one line, the file untouched.
  port.adapter.memory() = testing::Pattern();
  const std::string path = dir.File("read.txt");
  for (const bool after_write : {true, false}) {
    after_write ? engine.StartWrite(Lines({"0000:AA"}), "memory") : engine.StartRead(path);
    Pump();
    port.writes.clear();
    engine.StartPanelRead();
    Pump();
    EXPECT_EQ(port.writes, std::vector<std::string>(after_write ? 2048 : 1, "R\r"));
  }
  EXPECT_EQ(testing::ReadWholeFile(path), testing::ImageText(port.adapter.memory()));
}

TEST_F(TransferEngineTest, OddFileLinesGoOutAsTheyAreAndOddRepliesAreOnlyShown) {
  // A file line is cut at its first colon, with only the spaces around it dropped.
  const std::pair<std::string, std::string> lines[] = {
      {"0010:00FF", "$0010\rW00FF"},   {"  0000:FF  ", "$0000\rWFF"},
      {"0000:AB:CD", "$0000\rWAB:CD"}, {":01", "$\rW01"},
      {"\t0000:ff", "$\t0000\rWff"},   {"12:", "$12\rW"}};
  for (const auto& [line, command] : lines) {
    Bench t;
    t.engine.StartWrite(t.Lines({line}), "memory");
    EXPECT_EQ(t.port.written, "!" + command + "\r") << line;
  }
  const std::pair<std::int32_t, std::string> replies[] = {
      {ModeRead, "W0000"},      {ModeRead, "r0000:00"}, {ModeRead, ""},
      {ModeRead, "\nR0000:00"}, {ModeFill, "R0000:FF"}, {ModeWrite, "R0000"},
      {ModeByteTest, "w"},      {ModeIdle, "R0000:00"}, {ModeIdle, "W0000"}};
  for (const auto& [mode, reply] : replies) {
    engine.Mode = mode;
    engine.CurAddr = 32;
    engine.HandleReply(reply);
    EXPECT_EQ(std::tuple(window.status, engine.Mode, engine.CurAddr), std::tuple(reply, mode, 32));
  }
  EXPECT_EQ(port.written.size() + observer.advanced + observer.ends.size(), 0u);
}

TEST_F(TransferEngineTest, EveryStartEndsInOneReportAndAnUnfinishedReadKeepsTheOldFile) {
  const std::string image = dir.File("image.txt"), missing = dir.File("no/such.txt"),
                    bad = dir.File("bad.txt"), blank = dir.File("blank.txt"),
                    changing = dir.File("changing.txt");
  testing::WriteWholeFile(bad, "0000:01\r\n\r\n0010 02\r\n0020:03\r\n");
  testing::WriteWholeFile(blank, "   \r\n\n  \r");
  std::string records;
  for (int i = 0; i < 2000; ++i) records += "0000:01\r\n";
  testing::WriteWholeFile(changing, records);
  // Runs `act` over no file and over an old one, five lines into a read of `image` if `reading`,
  // then lets the adapter answer. `quiet`: the act sends nothing, leaves buttons and status be.
  const auto check = [&](const std::vector<OperationEnd>& ends, bool reading, bool quiet,
                         const auto& act) {
    for (const bool existing : {false, true}) {
      SCOPED_TRACE(Texts(ends).front() + (existing ? " over a file" : ""));
      existing ? testing::WriteWholeFile(image, "old\r\n") : std::filesystem::remove(image);
      const auto names = dir.Names();
      Bench t;
      if (reading) t.engine.StartRead(image);
      t.Pump(5);
      t.engine.CurAddr = 1234;
      const auto state = [&] {
        const int calls = t.window.status_changes + t.window.enables + t.window.disables;
        return t.port.written + std::to_string(calls) + "/" + std::to_string(t.engine.CurAddr);
      };
      const std::string before = state();
      act(t.engine);
      EXPECT_EQ(quiet ? state() : before, before);
      t.Pump();
      t.engine.Stop("too late");  // nothing runs now: no second report
      EXPECT_EQ(Texts(t.observer.ends), Texts(ends));
      const std::string& message = ends.back().message;
      EXPECT_EQ(t.window.messages, std::vector<std::string>(!message.empty(), message));
      EXPECT_EQ(t.window.buttons_enabled, ends.back().outcome != kEnded);
      EXPECT_EQ(t.window.status == "** Done! **", ends.back().outcome == kDone);
      EXPECT_EQ(std::pair(t.engine.Mode, int{t.engine.FileNo}), std::pair(ModeIdle, 0));
      EXPECT_EQ(testing::ReadWholeFile(image), existing ? "old\r\n" : "");
      EXPECT_EQ(dir.Names(), names);
    }
  };
  check({{ModeRead, kImageFailed, "Could not open file " + missing}}, false, true,
        [&](Engine& e) { e.StartRead(missing); });
  check({{ModeWrite, kImageFailed, "Could not open file " + missing}}, false, true,
        [&](Engine& e) { e.StartWrite(missing); });
  check({{ModeWrite, kNoColon, "Line 3 of file " + bad + " has no colon."}}, false, true,
        [&](Engine& e) { e.StartWrite(bad); });
  check({{ModeWrite, kNothingToWrite, ""}}, false, true, [&](Engine& e) { e.StartWrite(blank); });
  check({{ModeRead, kTimedOut, "Time out waiting for reply."}}, true, false,
        [](Engine& e) { e.TimeOut(); });
  check({{ModeRead, kStopped, "gone"}}, true, false, [](Engine& e) { e.Stop("gone"); });
  check({{ModeRead, kEnded, ""}}, true, true, [](Engine& e) { e.EndOperation(); });
  check({{ModeRead, kEnded, ""}, {ModeFill, kDone, ""}}, true, false,
        [](Engine& e) { e.StartFill(); });
  // Changed in place after the check, far beyond what the reader has buffered.
  check({{ModeWrite, kNoColon, "Line 1501 of file " + changing + " has no colon."}}, false, false,
        [&](Engine& e) {
          testing::WriteWholeFile(changing, records);
          e.StartWrite(changing);
          testing::WriteWholeFile(changing, std::string(records).replace(1500 * 9, 7, "0000 01"));
        });
  const testing::FullDisk full(4096);
  check({{ModeRead, kImageFailed, "Could not write file " + image}}, false, false,
        [&](Engine& e) { e.StartRead(image); });
}

}  // namespace
}  // namespace tessimor
