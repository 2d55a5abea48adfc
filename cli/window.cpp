#include "cli/window.h"

namespace tessimor::cli {

void TerminalWindow::Say(const std::string& text) {
  progress_.Clear();
  err_ << text << '\n' << std::flush;
}

}  // namespace tessimor::cli
