#pragma once

#include <string>

namespace tessimor {

// How the receiver reaches whoever runs the transfers.
class ReplySink {
 public:
  virtual ~ReplySink() = default;

  virtual bool IsBusy() const = 0;
  virtual void HandleReply(const std::string& line) = 0;
  // Ends the running operation at once; a file an unfinished read was saving stays as it was.
  virtual void EndOperation() = 0;
};

}  // namespace tessimor
