#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/serial_port.h"
#include "platform/window_ops.h"

namespace tessimor::fuzz {

// Aborts with the broken invariant named, so libFuzzer keeps the input as a crash.
void Require(bool ok, const char* invariant);

// A port that keeps what was written and hands out what the harness queued.
class FuzzPort : public SerialPort {
 public:
  void SetPortNumber(std::int16_t number) override { number_ = number; }
  std::int16_t PortNumber() const override { return number_; }
  void Open() override { open_ = true; }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  void WriteText(std::string_view text) override;
  int WaitingCount() override { return static_cast<int>(incoming.size()); }
  std::string TakeInput() override;

  std::string written;
  std::string incoming;
  std::function<void(std::string_view)> on_write;
  std::function<void(const std::string&)> on_take;

 private:
  std::int16_t number_ = 0;
  bool open_ = true;
};

// A window whose modal box may run ticks while it is open, as Qt's nested event loop does.
class FuzzWindow : public WindowOps {
 public:
  void EnableButtons() override { buttons_enabled = true; }
  void DisableButtons() override { buttons_enabled = false; }
  void SetStatus(const std::string& text) override {
    status = text;
    if (on_status) on_status(text);
  }
  void ShowMessage(const std::string& text) override;

  bool buttons_enabled = true;
  std::string status;
  std::string last_message;
  int messages = 0;
  std::function<void(const std::string&)> on_status;
  std::function<void(const std::string&)> while_message_open;
};

// A directory of its own for the process, removed at exit.
const std::string& ScratchDir();
void WriteWholeFile(const std::string& path, std::string_view contents);
std::string ReadWholeFile(const std::string& path);

}  // namespace tessimor::fuzz
