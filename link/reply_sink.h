#pragma once

#include <string>

namespace tessimor {

// How the receiver reaches whoever runs the transfers.
class ReplySink {
 public:
  virtual ~ReplySink() = default;

  virtual bool IsBusy() const = 0;
  virtual void HandleReply(const std::string& line) = 0;
  // The running operation heard nothing for too long: it ends, and the user is told.
  virtual void TimeOut() = 0;
};

}  // namespace tessimor
