#include "engine/transfer_engine.h"

#include "engine/image_text.h"
#include "link/messages.h"
#include "link/protocol.h"

namespace tessimor {

namespace p = protocol;

void TransferEngine::Send(std::string_view text) {
  port_.WriteText(text);
}

void TransferEngine::SendTxLine() {
  Send(TxLine + p::kCr);
}

void TransferEngine::DiscardImageFile() {
  if (FileNo > 0) files_.Discard(FileNo);
  FileNo = 0;
  file_.reset();
  sink_ = nullptr;
  source_ = nullptr;
}

void TransferEngine::EndForStart() {
  const bool busy = IsBusy();
  EndOperation();
  // As the ended operation's own end would; a start that goes ahead takes them again.
  if (busy) window_.EnableButtons();
}

void TransferEngine::CutIn() {
  Report(Outcome::kEnded);
}

void TransferEngine::Begin(std::int32_t mode) {
  Mode = mode;
  mode_ = mode;
  reporting_ = true;
}

void TransferEngine::Report(Outcome outcome, const std::string& message) {
  if (!reporting_) return;
  reporting_ = false;
  if (observer_) observer_->Ended(OperationEnd{mode_, outcome, message});
}

void TransferEngine::Refuse(std::int32_t mode, Outcome outcome, const std::string& message) {
  if (!message.empty()) window_.ShowMessage(message);
  // Nothing began, so there is nothing else to report.
  if (observer_) observer_->Ended(OperationEnd{mode, outcome, message});
}

void TransferEngine::StartRead(const std::string& path) {
  EndForStart();
  FileNo = files_.OpenForWriting(path);
  if (FileNo == 0) {
    Refuse(ModeRead, Outcome::kImageFailed, std::string(messages::kCouldNotOpenText) + path);
    return;
  }
  file_.emplace(files_, FileNo, path);
  BeginRead(&*file_);
}

void TransferEngine::StartRead(RecordSink& sink) {
  EndForStart();
  BeginRead(&sink);
}

void TransferEngine::StartRead(RecordSink& sink, std::vector<std::int32_t> lines) {
  EndForStart();
  if (lines.empty()) {
    Refuse(ModeRead, Outcome::kDone, {});
    return;
  }
  BeginRead(&sink, std::move(lines));
}

void TransferEngine::BeginRead(RecordSink* sink, std::vector<std::int32_t> lines) {
  sink_ = sink;
  lines_ = std::move(lines);
  next_line_ = 0;
  window_.DisableButtons();
  CurAddr = lines_.empty() ? 0 : lines_.front();
  Send(std::string(p::kMark) + std::string(p::kAddressCommand) + HexAddress(CurAddr) + p::kCr);
  Send(std::string(p::kReadCommand) + p::kCr);
  Begin(ModeRead);
}

void TransferEngine::SendReadLine() {
  const std::int32_t line = lines_[next_line_];
  if (line != CurAddr) {
    CurAddr = line;
    Send(std::string(p::kAddressCommand) + HexAddress(CurAddr) + p::kCr);
  }
  Send(std::string(p::kReadCommand) + p::kCr);
}

void TransferEngine::StartWrite(const std::string& path) {
  EndForStart();
  const std::string cannot_open = std::string(messages::kCouldNotOpenText) + path;
  // Every record is checked before the first byte goes out.
  ImageFiles::Handle check = files_.OpenForReading(path);
  if (check == 0) {
    Refuse(ModeWrite, Outcome::kImageFailed, cannot_open);
    return;
  }
  int records = 0;
  FileRecords checked(files_, check, path);
  const auto no_colon = FindLineWithoutColon(checked, path, &records);
  files_.Close(check);
  if (no_colon) {
    Refuse(ModeWrite, Outcome::kNoColon, *no_colon);
    return;
  }
  if (records == 0) {
    Refuse(ModeWrite, Outcome::kNothingToWrite, {});
    return;
  }
  FileNo = files_.OpenForReading(path);
  if (FileNo == 0) {
    Refuse(ModeWrite, Outcome::kImageFailed, cannot_open);
    return;
  }
  file_.emplace(files_, FileNo, path);
  BeginWrite(*file_, path);
}

void TransferEngine::StartWrite(RecordSource& source, const std::string& name) {
  EndForStart();
  BeginWrite(source, name);
}

void TransferEngine::BeginWrite(RecordSource& source, const std::string& name) {
  source_ = &source;
  path_ = name;
  line_number_ = 0;
  if (!ReadNextRecord()) {
    DiscardImageFile();
    Refuse(ModeWrite, Outcome::kNothingToWrite, {});
    return;
  }
  if (const auto no_colon = RefuseWithoutColon(FileLine, line_number_, name)) {
    DiscardImageFile();
    Refuse(ModeWrite, Outcome::kNoColon, *no_colon);
    return;
  }
  window_.DisableButtons();
  FileLineToCommand();
  Send(std::string(p::kMark) + TxLine + p::kCr);
  Begin(ModeWrite);
}

void TransferEngine::StartFill() {
  // A fill cut into a read would leave its file open for good; it is dropped before "Done".
  EndForStart();
  window_.DisableButtons();
  CurAddr = 0;
  Send(std::string(p::kMark) + std::string(p::kStartAddress) + p::kCr);
  SendFillLine();
  Begin(ModeFill);
}

// The panel's starts cut straight into whatever runs, keeping its image file.
void TransferEngine::StartPanelRead() {
  CutIn();
  Send(std::string(p::kReadCommand) + p::kCr);
  Begin(ModeRead);
}

void TransferEngine::StartByteTest() {
  CutIn();
  CurAddr = 0;
  SendByteTestLine();
  Begin(ModeByteTest);
}

void TransferEngine::StartPageTest() {
  CutIn();
  CurAddr = 0;
  SendPageTestLine();
  Begin(ModePageTest);
}

void TransferEngine::SendFillLine() {
  TxLine = p::kWriteCommand;
  for (int i = 0; i < p::kBytesPerLine; ++i) TxLine += p::kFillByte;
  SendTxLine();
}

void TransferEngine::SendByteTestLine() {
  TxLine = p::kWriteCommand;
  for (int i = 0; i < p::kBytesPerLine; ++i) TxLine += HexByte(CurAddr + i);
  SendTxLine();
}

void TransferEngine::SendPageTestLine() {
  const std::int32_t page = CurAddr / 256;
  TxLine = p::kWriteCommand;
  for (int i = 0; i < p::kBytesPerLine; ++i) TxLine += HexByte(page);
  SendTxLine();
}

void TransferEngine::FileLineToCommand() {
  CurAddr = 0;
  const RecordParts record = SplitRecord(FileLine);
  TxLine = std::string(p::kAddressCommand) + std::string(record.address) + p::kCr +
           std::string(p::kWriteCommand) + std::string(record.data);
}

bool TransferEngine::ReadNextRecord() {
  while (source_ && !source_->AtEnd()) {
    FileLine = source_->ReadLine();
    ++line_number_;
    if (!IsBlankLine(FileLine)) return true;
  }
  return false;
}

void TransferEngine::HandleReply(const std::string& line) {
  window_.SetStatus(line);
  const char first = line.empty() ? '\0' : line.front();
  switch (Mode) {
    case ModeRead:
      if (first == p::kReadReply) HandleReadReply(line);
      break;
    case ModeWrite:
      if (first == p::kWriteReply) HandleWriteReply();
      break;
    case ModeFill:
      if (first != p::kWriteReply) break;
      CurAddr += p::kBytesPerLine;
      Advance(p::kBytesPerLine, CurAddr);
      if (CurAddr < p::kAddressLimit) {
        SendFillLine();
      } else {
        SucceedOperation();
      }
      break;
    case ModeByteTest:
    case ModePageTest:
      if (first != p::kWriteReply) break;
      CurAddr += p::kBytesPerLine;
      Advance(p::kBytesPerLine, CurAddr);
      if (CurAddr >= p::kAddressLimit) {
        Mode = ModeIdle;
        Report(Outcome::kDone);
      } else if (Mode == ModeByteTest) {
        SendByteTestLine();
      } else {
        SendPageTestLine();
      }
      break;
    default:
      break;
  }
}

void TransferEngine::Advance(std::size_t bytes, std::int32_t next_address) {
  if (observer_) observer_->Advanced(bytes, static_cast<std::uint32_t>(next_address));
}

void TransferEngine::HandleReadReply(const std::string& line) {
  if (sink_ && !sink_->Put(CurAddr, std::string_view(line).substr(1))) {
    FailOperation(Outcome::kImageFailed, sink_->Problem());
    return;
  }
  CurAddr += p::kBytesPerLine;
  if (lines_.empty()) {
    Advance(p::kBytesPerLine, CurAddr);
    if (CurAddr < p::kAddressLimit) {
      Send(std::string(p::kReadCommand) + p::kCr);
    } else {
      FinishWithFile();
    }
    return;
  }
  const bool more = ++next_line_ < lines_.size();
  Advance(p::kBytesPerLine, more ? lines_[next_line_] : CurAddr);
  if (more) {
    SendReadLine();
  } else {
    FinishWithFile();
  }
}

void TransferEngine::HandleWriteReply() {
  const std::size_t bytes = SplitRecord(FileLine).data.size() / 2;
  const std::optional<ImageRecord> done = ParseImageRecord(FileLine);
  std::int32_t next = done ? static_cast<std::int32_t>(done->address + bytes) : 0;
  if (!ReadNextRecord()) {
    Advance(bytes, next);
    FinishWithFile();
    return;
  }
  if (const std::optional<ImageRecord> record = ParseImageRecord(FileLine)) {
    next = static_cast<std::int32_t>(record->address);
  }
  Advance(bytes, next);
  if (const auto no_colon = RefuseWithoutColon(FileLine, line_number_, path_)) {
    // The file changed after it was checked; never guess at a record.
    FailOperation(Outcome::kNoColon, *no_colon);
    return;
  }
  FileLineToCommand();
  SendTxLine();
}

void TransferEngine::FinishWithFile() {
  const bool written = FileNo <= 0 || files_.Close(FileNo);
  const std::string problem = file_ ? file_->Problem() : std::string();
  FileNo = 0;
  DiscardImageFile();
  if (!written) {
    FailOperation(Outcome::kImageFailed, problem);
    return;
  }
  SucceedOperation();
}

void TransferEngine::SucceedOperation() {
  Mode = ModeIdle;
  window_.SetStatus(std::string(messages::kDoneText));
  window_.EnableButtons();
  Report(Outcome::kDone);
}

void TransferEngine::FailOperation(Outcome outcome, const std::string& message) {
  DiscardImageFile();
  Mode = ModeIdle;
  window_.ShowMessage(message);
  window_.EnableButtons();
  Report(outcome, message);
}

void TransferEngine::TimeOut() {
  if (IsBusy()) FailOperation(Outcome::kTimedOut, std::string(messages::kTimeoutText));
}

void TransferEngine::Stop(const std::string& message) {
  if (IsBusy()) FailOperation(Outcome::kStopped, message);
}

void TransferEngine::EndOperation() {
  DiscardImageFile();
  Mode = ModeIdle;
  Report(Outcome::kEnded);
}

}  // namespace tessimor
