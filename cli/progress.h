#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace tessimor::cli {

// Seconds since some fixed point; injected so the display can be tested without waiting.
using Clock = std::function<double()>;
Clock SteadyClock();

std::string FormatProgressLine(const std::string& operation, std::size_t done, std::size_t total,
                               std::uint32_t address, double elapsed);
std::string FormatSummary(const std::string& operation, std::size_t bytes, double elapsed);

// One line on a terminal, redrawn at most ten times a second, then a summary line.
class Progress {
 public:
  struct Display {
    bool live = false;     // standard error is a terminal and progress is wanted
    bool summary = false;  // the closing line
  };

  Progress(std::ostream& out, Display display, Clock clock);

  void Begin(const std::string& operation, std::size_t total);
  // `next_address` defaults to the bytes done so far, as for an operation that goes in order.
  void Advance(std::size_t bytes, std::optional<std::uint32_t> next_address = std::nullopt);
  // Redraws when a tenth of a second has passed since the last drawing.
  void Refresh();
  // Takes the live line away so a message can stand on a line of its own.
  void Clear();
  void Finish();
  // Bytes advanced since Begin.
  std::size_t Done() const { return done_; }

  static constexpr double kRedrawSeconds = 0.1;

 private:
  void Draw();

  std::ostream& out_;
  Display display_;
  Clock clock_;
  std::string operation_;
  std::size_t total_ = 0;
  std::size_t done_ = 0;
  std::uint32_t address_ = 0;
  double started_ = 0;
  double drawn_at_ = 0;
  bool drawn_ = false;
  bool on_screen_ = false;
};

}  // namespace tessimor::cli
