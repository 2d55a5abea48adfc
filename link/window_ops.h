#pragma once

#include <string>

namespace tessimor {

// What the engine and the receiver may ask of whoever shows the program.
class WindowOps {
 public:
  virtual ~WindowOps() = default;

  virtual void EnableButtons() = 0;
  virtual void DisableButtons() = 0;
  virtual void SetStatus(const std::string& text) = 0;
  // Modal: returns when the user has dismissed it.
  virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace tessimor
