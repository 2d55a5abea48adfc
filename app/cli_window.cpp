#include "app/cli_window.h"

#include "link/protocol.h"

namespace tessimor::cli {

void TerminalWindow::EnableButtons() {
  if (on_finished) on_finished();
}

void TerminalWindow::SetStatus(const std::string& text) {
  if (text == protocol::kDoneText) {
    done_ = true;
    return;
  }
  progress_.Refresh();
}

void TerminalWindow::ShowMessage(const std::string& text) {
  std::string shown = text;
  if (!alias_from_.empty()) {
    for (std::size_t at = shown.find(alias_from_); at != std::string::npos;
         at = shown.find(alias_from_, at + alias_to_.size())) {
      shown.replace(at, alias_from_.size(), alias_to_);
    }
  }
  if (!failure_) failure_ = shown;
  Say(shown);
}

void TerminalWindow::Reset() {
  done_ = false;
  failure_.reset();
}

void TerminalWindow::SetPathAlias(std::string from, std::string to) {
  alias_from_ = std::move(from);
  alias_to_ = std::move(to);
}

void TerminalWindow::Say(const std::string& text) {
  progress_.Clear();
  err_ << text << '\n' << std::flush;
}

}  // namespace tessimor::cli
