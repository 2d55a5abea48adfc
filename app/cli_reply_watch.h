#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/transfer_engine.h"
#include "link/reply_sink.h"
#include "platform/window_ops.h"

namespace tessimor::cli {

// Stands between the receiver and the engine: forwards every line unchanged and notes it, so
// the program can time replies by the clock, count progress and check read data on the way.
class ReplyWatch : public ReplySink {
 public:
  ReplyWatch(TransferEngine& engine, WindowOps& window) : engine_(engine), window_(window) {}

  bool IsBusy() const override { return engine_.IsBusy(); }
  void EndOperation() override { engine_.EndOperation(); }
  void HandleReply(const std::string& line) override;

  // Ends the running operation with a message, as a timeout does.
  void Fail(const std::string& message);

  // Sees each read reply's data before the engine does; a message stops the read with it.
  std::function<std::optional<std::string>(std::string_view data, std::int32_t address)> check_read;
  // After each reply that moved the operation on, with the mode it was in.
  std::function<void(std::int32_t mode)> on_step;
  // After every reply line, fitting or not.
  std::function<void()> on_line;

 private:
  TransferEngine& engine_;
  WindowOps& window_;
};

}  // namespace tessimor::cli
