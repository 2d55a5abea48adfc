#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "app/cli_progress.h"
#include "platform/window_ops.h"

namespace tessimor::cli {

// The window operations served for a terminal: the status line feeds the progress display, a
// message box is one line on standard error, the buttons are not there.
class TerminalWindow : public WindowOps {
 public:
  TerminalWindow(std::ostream& err, Progress& progress) : err_(err), progress_(progress) {}

  void EnableButtons() override;
  void DisableButtons() override {}
  void SetStatus(const std::string& text) override;
  void ShowMessage(const std::string& text) override;

  // Forgets the last operation's end.
  void Reset();
  // Messages that name `from` name `to` instead: the user never sees scratch files.
  void SetPathAlias(std::string from, std::string to);
  // A line on standard error of the program's own.
  void Say(const std::string& text);

  bool Done() const { return done_; }
  const std::optional<std::string>& Failure() const { return failure_; }

  // Called when the engine or the receiver gives the buttons back: the operation is over.
  std::function<void()> on_finished;

 private:
  std::ostream& err_;
  Progress& progress_;
  bool done_ = false;
  std::optional<std::string> failure_;
  std::string alias_from_;
  std::string alias_to_;
};

}  // namespace tessimor::cli
