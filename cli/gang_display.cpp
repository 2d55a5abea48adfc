#include "cli/gang_display.h"

#include <array>
#include <cstdio>

#include "cli/columns.h"
#include "session/escape.h"

namespace tessimor::cli {

namespace {

using production::PartStatus;
using production::Stage;

constexpr char kCursorUp[] = "\x1b[A";
constexpr char kClearLine[] = "\r\x1b[K";
constexpr char kNone[] = "-";
constexpr const char* kGap = "  ";
constexpr const char* kHeadings[] = {"PORT", "USB SERIAL", "SERIAL", "RESULT", "SECONDS"};
using Row = std::array<std::string, std::size(kHeadings)>;

std::string Or(const std::string& text) {
  return text.empty() ? kNone : Escaped(text);
}

std::string Result(const PartStatus& part) {
  std::string result = StageName(part.stage);
  if (part.rework) result += " (rework)";
  return result;
}

}  // namespace

std::string PartLine(const PartStatus& part) {
  const std::size_t percent = part.total ? 100 * part.done / part.total : 0;
  char text[16];
  std::snprintf(text, sizeof text, "%3zu%%", percent);
  return Escaped(part.socket.port) + "  " + StageName(part.stage) + "  " + text + "  " +
         Or(part.serial);
}

void PrintPartsTable(const std::vector<PartStatus>& parts, std::ostream& out) {
  std::vector<Row> rows{{kHeadings[0], kHeadings[1], kHeadings[2], kHeadings[3], kHeadings[4]}};
  for (const PartStatus& part : parts) {
    rows.push_back({Escaped(part.socket.port), Or(part.socket.usb_serial), Or(part.serial),
                    Result(part), production::SecondsText(part.seconds)});
  }
  PrintColumns(rows, {kGap, kGap, kGap, kGap}, out);
  for (const PartStatus& part : parts) {
    if (part.stage == Stage::kFailed)
      out << Escaped(part.socket.port) << ": " << part.error << '\n';
  }
  out << std::flush;
}

void GangDisplay::Refresh(const std::vector<PartStatus>& parts, bool force) {
  if (!live_) return;
  const double now = clock_();
  if (!force && lines_ > 0 && now - drawn_at_ < Progress::kRedrawSeconds) return;
  drawn_at_ = now;
  for (std::size_t i = 0; i < lines_; ++i) err_ << kCursorUp;
  for (const PartStatus& part : parts) err_ << kClearLine << PartLine(part) << '\n';
  lines_ = parts.size();
  err_ << std::flush;
}

}  // namespace tessimor::cli
