#include "link/receiver.h"

#include "link/protocol.h"

namespace tessimor {

void Receiver::PollReceiver() {
  if (sink_.IsBusy()) {
    ++Ticks;
    if (Ticks > protocol::kTimeoutTicks) {
      // Idle before the box opens: ticks that run inside it must find nothing to time out.
      Ticks = 0;
      sink_.EndOperation();
      window_.ShowMessage(std::string(protocol::kTimeoutText));
      window_.EnableButtons();
    }
  } else {
    Ticks = 0;
  }
  TakeWaitingBytes();
}

void Receiver::TakeWaitingBytes() {
  if (port_.WaitingCount() > 0) Accept(port_.TakeInput());
}

void Receiver::Accept(const std::string& bytes) {
  pending_ += bytes;
  ProcessPending();
}

void Receiver::ProcessPending() {
  while (next_ < pending_.size()) {
    const char c = pending_[next_++];
    if (c == protocol::kCr) {
      Ticks = 0;
      std::string line;
      line.swap(RxLine);
      sink_.HandleReply(line);
    } else if (RxLine.size() < protocol::kMaxRxLine) {
      RxLine += c;
    }
  }
  pending_.clear();
  next_ = 0;
}

}  // namespace tessimor
