#include "cli/progress.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace tessimor::cli {

namespace {

std::string Printf(const char* format, auto... values) {
  char text[160];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

double Rate(std::size_t bytes, double elapsed) {
  return elapsed > 0 ? static_cast<double>(bytes) / elapsed : 0;
}

}  // namespace

Clock SteadyClock() {
  return [] {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
  };
}

std::string FormatProgressLine(const std::string& operation, std::size_t done, std::size_t total,
                               std::uint32_t address, double elapsed) {
  const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
  const double rate = Rate(done, elapsed);
  std::string left = "--:--";
  if (rate > 0 && done <= total) {
    const long seconds = std::lround(static_cast<double>(total - done) / rate);
    left = Printf("%ld:%02ld", seconds / 60, seconds % 60);
  }
  return Printf("%-6s %3d%%  0x%04X  %6.0f B/s  %s left", operation.c_str(), percent,
                static_cast<unsigned>(address), rate, left.c_str());
}

std::string FormatSummary(const std::string& operation, std::size_t bytes, double elapsed) {
  return Printf("%s: %zu bytes in %.1f s, %.0f B/s", operation.c_str(), bytes, elapsed,
                Rate(bytes, elapsed));
}

Progress::Progress(std::ostream& out, Display display, Clock clock)
    : out_(out), display_(display), clock_(std::move(clock)) {}

void Progress::Begin(const std::string& operation, std::size_t total) {
  operation_ = operation;
  total_ = total;
  done_ = 0;
  address_ = 0;
  started_ = clock_();
  drawn_ = false;
  Refresh();
}

void Progress::Advance(std::size_t bytes, std::optional<std::uint32_t> next_address) {
  done_ += bytes;
  address_ = next_address.value_or(static_cast<std::uint32_t>(done_));
  Refresh();
}

void Progress::Refresh() {
  if (!display_.live) return;
  if (drawn_ && clock_() - drawn_at_ < kRedrawSeconds) return;
  Draw();
}

void Progress::Draw() {
  const double now = clock_();
  drawn_ = true;
  drawn_at_ = now;
  on_screen_ = true;
  // Carriage return and erase to the end of the line: the next drawing takes its place.
  out_ << '\r' << FormatProgressLine(operation_, done_, total_, address_, now - started_)
       << "\x1b[K" << std::flush;
}

void Progress::Clear() {
  if (!on_screen_) return;
  out_ << "\r\x1b[K" << std::flush;
  on_screen_ = false;
}

void Progress::Finish() {
  if (display_.live) {
    Draw();
    out_ << '\n';
    on_screen_ = false;
  }
  if (display_.summary) out_ << FormatSummary(operation_, done_, clock_() - started_) << '\n';
  out_ << std::flush;
}

}  // namespace tessimor::cli
