#pragma once

#include <string>

namespace tessimor {

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;

  // Modal, critical-error icon, OK only.
  virtual void ShowCritical(const std::string& text) = 0;
};

}  // namespace tessimor
