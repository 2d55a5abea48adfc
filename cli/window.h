#pragma once

#include <ostream>
#include <string>

#include "cli/progress.h"
#include "link/window_ops.h"

namespace tessimor::cli {

// The window operations served for a terminal: the status line feeds the progress display, a
// message box is one line on standard error, the buttons are not there.
class TerminalWindow : public WindowOps {
 public:
  TerminalWindow(std::ostream& err, Progress& progress) : err_(err), progress_(progress) {}

  void EnableButtons() override {}
  void DisableButtons() override {}
  void SetStatus(const std::string&) override { progress_.Refresh(); }
  void ShowMessage(const std::string& text) override { Say(text); }

  // A line on standard error of the program's own.
  void Say(const std::string& text);

 private:
  std::ostream& err_;
  Progress& progress_;
};

}  // namespace tessimor::cli
