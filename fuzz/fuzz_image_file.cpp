// Arbitrary image file contents through the line reader, the colon check and the write
// operation, each compared with a model worked out here from the raw bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/image_files.h"
#include "engine/modes.h"
#include "engine/record_io.h"
#include "engine/transfer_engine.h"
#include "fuzz/require.h"
#include "link/messages.h"
#include "link/protocol.h"
#include "tests/kit/fakes.h"

namespace tessimor::fuzz {
namespace {

namespace p = protocol;

using Lines = std::vector<std::string>;

// CR LF, a lone LF and a lone CR each end a line; text after the last end is a line too.
Lines SplitLines(std::string_view bytes) {
  Lines lines;
  std::string line;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

Lines ReadAllLines(ImageFiles& files, const std::string& path, std::size_t most) {
  const ImageFiles::Handle handle = files.OpenForReading(path);
  Require(handle > 0, "an existing file opens for reading");
  Lines lines;
  while (!files.AtEnd(handle)) {
    Require(lines.size() < most, "reading ends");
    lines.push_back(files.ReadLine(handle));
    Require(lines.back().find_first_of("\r\n") == std::string::npos, "lines read hold no CR or LF");
  }
  files.Close(handle);
  return lines;
}

bool Blank(const std::string& line) {
  return line.find_first_not_of(' ') == std::string::npos;
}

struct Check {
  int line_without_colon = 0;
  int records = 0;
};

Check CheckModel(const Lines& lines) {
  Check check;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (Blank(lines[i])) continue;
    if (lines[i].find(':') == std::string::npos) {
      check.line_without_colon = static_cast<int>(i) + 1;
      break;
    }
    ++check.records;
  }
  return check;
}

// What the user is told of the line without a colon; empty when there is none.
std::string NoColonModel(const Check& check, const std::string& path) {
  if (check.line_without_colon == 0) return {};
  return "Line " + std::to_string(check.line_without_colon) + " of file " + path + " has no colon.";
}

// What the write operation should send for these lines, replies included.
std::string WriteModel(const Lines& lines) {
  std::string sent;
  for (const std::string& line : lines) {
    if (Blank(line)) continue;
    const std::size_t first = line.find_first_not_of(' ');
    const std::size_t last = line.find_last_not_of(' ');
    const std::string record = line.substr(first, last - first + 1);
    const std::size_t colon = record.find(':');
    if (sent.empty()) sent += p::kMark;
    sent += p::kAddressCommand;
    sent += record.substr(0, colon) + p::kCr;
    sent += p::kWriteCommand;
    sent += record.substr(colon + 1) + p::kCr;
  }
  return sent;
}

void CheckLineEnds(ImageFiles& files, const std::string& path, const Lines& lines) {
  static constexpr std::string_view kEnds[] = {ImageFiles::kLineEnd, "\n", "\r"};
  for (std::string_view end : kEnds) {
    std::string joined;
    for (const std::string& line : lines) {
      joined += line;
      joined += end;
    }
    WriteScratchFile(path, joined);
    Require(ReadAllLines(files, path, lines.size() + 1) == lines, "every line end reads alike");
    if (lines.empty() || lines.back().empty()) continue;
    joined.resize(joined.size() - end.size());
    WriteScratchFile(path, joined);
    Require(ReadAllLines(files, path, lines.size() + 1) == lines, "a last line needs no end");
  }
}

void CheckWrite(const std::string& path, const Lines& lines) {
  testing::FakeSerialPort port;
  testing::FakeWindow window;
  ImageFiles files;
  TransferEngine engine(port, window, files);
  const Check check = CheckModel(lines);

  engine.StartWrite(path);
  if (check.line_without_colon > 0 || check.records == 0) {
    Require(port.written.empty(),
            "a file with nothing to send, or a line without colon, sends nothing");
    if (check.line_without_colon > 0) {
      Require(window.messages.size() == 1 && window.messages[0] == NoColonModel(check, path),
              "a line without colon is reported by its number");
    } else {
      Require(window.messages.empty(), "a file of blank lines is passed over quietly");
    }
    Require(engine.Mode == ModeIdle && engine.FileNo == 0, "a refused write leaves nothing behind");
    return;
  }
  Require(engine.Mode == ModeWrite && window.messages.empty(), "a good file starts the write");
  for (int reply = 0; engine.Mode == ModeWrite; ++reply) {
    Require(reply < check.records, "the write ends on the reply to its last record");
    const std::size_t before = port.written.size();
    engine.HandleReply(std::string(1, p::kWriteReply));
    Require(port.written.size() > before || engine.Mode == ModeIdle,
            "each reply brings the next record or the end");
  }
  Require(port.written == WriteModel(lines), "the bytes sent follow the file's records");
  Require(engine.FileNo == 0 && engine.CurAddr == 0, "a finished write closes its file");
  Require(window.status == messages::kDoneText && window.buttons_enabled,
          "a finished write says so");
}

}  // namespace
}  // namespace tessimor::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessimor;
  using namespace tessimor::fuzz;
  const std::string raw(reinterpret_cast<const char*>(data), size);
  const std::string path = ScratchDir() + "/image.txt";
  const Lines lines = SplitLines(raw);

  ImageFiles files;
  WriteScratchFile(path, raw);
  Require(ReadAllLines(files, path, size + 1) == lines, "lines read follow the line ends");

  const ImageFiles::Handle handle = files.OpenForReading(path);
  int records = -1;
  FileRecords source(files, handle, path);
  const auto refusal = FindLineWithoutColon(source, path, &records);
  files.Close(handle);
  const Check check = CheckModel(lines);
  Require(refusal.value_or("") == NoColonModel(check, path) && records == check.records,
          "the colon check finds the first line without one");

  CheckWrite(path, lines);
  CheckLineEnds(files, path + ".ends", lines);
  return 0;
}
