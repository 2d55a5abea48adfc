#pragma once

#include <string>

namespace tessimor {

// Both return the chosen path, or an empty string when the user cancels.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;

  // Asks no question before an existing file is chosen.
  virtual std::string AskSavePath(const std::string& filter) = 0;
  // Only an existing file can be chosen.
  virtual std::string AskOpenPath(const std::string& filter) = 0;
};

}  // namespace tessimor
