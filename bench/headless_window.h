#pragma once

#include <cstdio>
#include <string>

#include "platform/window_ops.h"

namespace tessimor::bench {

// The window operations with nothing to show them on: messages go to stderr, since a benchmark
// that times out or fails to write must say so.
class HeadlessWindow : public WindowOps {
 public:
  void EnableButtons() override {}
  void DisableButtons() override {}
  void SetStatus(const std::string& text) override { status = text; }
  void ShowMessage(const std::string& text) override {
    ++messages;
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }

  std::string status;
  int messages = 0;
};

}  // namespace tessimor::bench
