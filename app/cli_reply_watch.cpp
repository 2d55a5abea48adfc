#include "app/cli_reply_watch.h"

#include "link/protocol.h"

namespace tessimor::cli {

namespace {

bool MovesOn(std::int32_t mode, const std::string& line) {
  if (line.empty()) return false;
  switch (mode) {
    case ModeRead:
      return line.front() == protocol::kReadReply;
    case ModeWrite:
    case ModeFill:
      return line.front() == protocol::kWriteReply;
    default:
      return false;
  }
}

}  // namespace

void ReplyWatch::HandleReply(const std::string& line) {
  const std::int32_t mode = engine_.Mode;
  const bool moves_on = MovesOn(mode, line);
  if (moves_on && mode == ModeRead && check_read) {
    if (auto problem = check_read(std::string_view(line).substr(1), engine_.CurAddr)) {
      if (on_line) on_line();
      Fail(*problem);
      return;
    }
  }
  engine_.HandleReply(line);
  if (moves_on && on_step) on_step(mode);
  if (on_line) on_line();
}

void ReplyWatch::Fail(const std::string& message) {
  engine_.EndOperation();
  window_.ShowMessage(message);
  window_.EnableButtons();
}

}  // namespace tessimor::cli
