#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/image_files.h"
#include "engine/modes.h"
#include "engine/operation_observer.h"
#include "engine/record_io.h"
#include "link/reply_sink.h"
#include "link/window_ops.h"
#include "platform/serial_port.h"

namespace tessimor {

// The running operation: starts it, builds its command lines and advances it one step per
// reply line. Never waits for the adapter. Every start ends in exactly one report to the
// observer, at once when it is refused. The main starts (read, write, fill) end whatever runs
// first; the panel's cut straight into it.
class TransferEngine : public ReplySink {
 public:
  TransferEngine(SerialPort& port, WindowOps& window, ImageFiles& files)
      : port_(port), window_(window), files_(files) {}

  void SetObserver(OperationObserver* observer) { observer_ = observer; }

  // The whole EEPROM into the image file at `path`, or into `sink`.
  void StartRead(const std::string& path);
  void StartRead(RecordSink& sink);
  // Only the 16-byte lines that begin at `lines`, in ascending order, into `sink`: a read-back of
  // what a write covered takes no longer than the write.
  void StartRead(RecordSink& sink, std::vector<std::int32_t> lines);
  // The records of the image file at `path`, each line checked before the first goes out; or
  // those of `source`, named `name` in messages, which its maker has checked.
  void StartWrite(const std::string& path);
  void StartWrite(RecordSource& source, const std::string& name);
  void StartFill();
  void StartPanelRead();
  void StartByteTest();
  void StartPageTest();

  void HandleReply(const std::string& line) override;
  bool IsBusy() const override { return Mode != ModeIdle; }
  void TimeOut() override;
  // Ends the running operation at once, telling nobody; a file an unfinished read was saving
  // stays as it was.
  void EndOperation();
  // Ends it as a timeout does, with `message` in the box.
  void Stop(const std::string& message);

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
  // A main start ends whatever runs first, so even a refused one leaves the engine idle.
  void EndForStart();
  // What runs is reported ended before a panel start takes over.
  void CutIn();
  void Begin(std::int32_t mode);
  void BeginRead(RecordSink* sink, std::vector<std::int32_t> lines = {});
  // The next line a read asks for, after a jump to it when it does not follow on.
  void SendReadLine();
  void BeginWrite(RecordSource& source, const std::string& name);
  // Tells the observer how the operation ended, once.
  void Report(Outcome outcome, const std::string& message = {});
  void Advance(std::size_t bytes, std::int32_t next_address);
  // Closes the image file without keeping what an unfinished read wrote.
  void DiscardImageFile();
  void FinishWithFile();
  // The end of a main operation; the panel's tests never held the buttons, so end without it.
  void SucceedOperation();
  void FailOperation(Outcome outcome, const std::string& message);
  void HandleReadReply(const std::string& line);
  void HandleWriteReply();
  // Reads the next line holding more than spaces into FileLine; false at the end.
  bool ReadNextRecord();
  // Refused before it began: said, and reported.
  void Refuse(std::int32_t mode, Outcome outcome, const std::string& message);

  SerialPort& port_;
  WindowOps& window_;
  ImageFiles& files_;
  OperationObserver* observer_ = nullptr;
  std::int32_t mode_ = ModeIdle;  // the mode the operation to report began in
  bool reporting_ = false;        // an operation has begun and its end is not yet reported
  std::optional<FileRecords> file_;
  RecordSink* sink_ = nullptr;
  std::vector<std::int32_t> lines_;  // a partial read's lines; empty for the whole EEPROM
  std::size_t next_line_ = 0;
  RecordSource* source_ = nullptr;
  std::string path_;
  int line_number_ = 0;
};

}  // namespace tessimor
