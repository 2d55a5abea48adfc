#include "link/receiver.h"

#include "link/protocol.h"

namespace tessimor {

void Receiver::PollReceiver() {
  if (sink_.IsBusy()) {
    ++Ticks;
    if (Ticks > protocol::kMaxQuietTicks) {
      // Reset first: ticks that run inside the timeout's message box start counting afresh.
      Ticks = 0;
      sink_.TimeOut();
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
