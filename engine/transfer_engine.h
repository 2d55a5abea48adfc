#pragma once

#include <cstdint>
#include <string>

#include "engine/image_files.h"
#include "engine/modes.h"
#include "link/reply_sink.h"
#include "platform/serial_port.h"
#include "platform/window_ops.h"

namespace tessimor {

// The running operation: starts it, builds its command lines and advances it one step per
// reply line. Never waits for the adapter.
class TransferEngine : public ReplySink {
 public:
  TransferEngine(SerialPort& port, WindowOps& window, ImageFiles& files)
      : port_(port), window_(window), files_(files) {}

  void StartRead(const std::string& path);
  void StartWrite(const std::string& path);
  void StartFill();
  void StartPanelRead();
  void StartByteTest();
  void StartPageTest();

  void HandleReply(const std::string& line) override;
  bool IsBusy() const override { return Mode != ModeIdle; }
  void EndOperation() override;

  void SendFillLine();
  void SendByteTestLine();
  void SendPageTestLine();
  void FileLineToCommand();

  std::int32_t Mode = ModeIdle;
  std::int32_t CurAddr = 0;
  ImageFiles::Handle FileNo = 0;
  std::string TxLine;
  std::string FileLine;

 private:
  void Send(std::string_view text);
  void SendTxLine();
  // Closes the image file without keeping what an unfinished read wrote.
  void DiscardImageFile();
  void FinishWithFile();
  void FailOperation(const std::string& message);
  void HandleReadReply(const std::string& line);
  void HandleWriteReply();
  // Reads the next line holding more than spaces into FileLine; false at the end of the file.
  bool ReadNextRecord();

  SerialPort& port_;
  WindowOps& window_;
  ImageFiles& files_;
  std::string path_;
  int line_number_ = 0;
};

// Two upper-case hex digits of the low 8 bits.
std::string HexByte(std::int32_t value);
bool IsBlankLine(std::string_view line);
// Line number (from 1) of the first line that is neither blank nor holds a colon; 0 when none.
// `records` counts the lines that are not blank.
int FindLineWithoutColon(ImageFiles& files, ImageFiles::Handle handle, int* records);
// What the user is told of such a line.
std::string NoColonMessage(int line_number, const std::string& path);

}  // namespace tessimor
