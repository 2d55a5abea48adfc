#include "engine/transfer_engine.h"

#include "link/protocol.h"

namespace tessimor {

namespace p = protocol;

std::string HexByte(std::int32_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const unsigned low = static_cast<unsigned>(value) & 0xFFu;
  return {kDigits[low >> 4], kDigits[low & 0xFu]};
}

bool IsBlankLine(std::string_view line) {
  return line.find_first_not_of(' ') == line.npos;
}

int FindLineWithoutColon(ImageFiles& files, ImageFiles::Handle handle, int* records) {
  int number = 0;
  int found = 0;
  if (records) *records = 0;
  while (!files.AtEnd(handle)) {
    const std::string line = files.ReadLine(handle);
    ++number;
    if (IsBlankLine(line)) continue;
    if (line.find(':') == std::string::npos) {
      found = number;
      break;
    }
    if (records) ++*records;
  }
  return found;
}

std::string NoColonMessage(int line_number, const std::string& path) {
  return "Line " + std::to_string(line_number) + " of file " + path + " has no colon.";
}

void TransferEngine::Send(std::string_view text) {
  port_.WriteText(text);
}

void TransferEngine::SendTxLine() {
  Send(TxLine + p::kCr);
}

void TransferEngine::DiscardImageFile() {
  if (FileNo > 0) files_.Discard(FileNo);
  FileNo = 0;
}

void TransferEngine::StartRead(const std::string& path) {
  DiscardImageFile();
  FileNo = files_.OpenForWriting(path);
  if (FileNo == 0) {
    window_.ShowMessage(std::string(p::kCouldNotOpenText) + path);
    return;
  }
  path_ = path;
  window_.DisableButtons();
  CurAddr = 0;
  Send(std::string(p::kMark) + std::string(p::kStartAddress) + p::kCr);
  Send(std::string(p::kReadCommand) + p::kCr);
  Mode = ModeRead;
}

void TransferEngine::StartWrite(const std::string& path) {
  DiscardImageFile();
  const std::string cannot_open = std::string(p::kCouldNotOpenText) + path;
  // Every record is checked before the first byte goes out.
  ImageFiles::Handle check = files_.OpenForReading(path);
  if (check == 0) {
    window_.ShowMessage(cannot_open);
    return;
  }
  int records = 0;
  const int bad_line = FindLineWithoutColon(files_, check, &records);
  files_.Close(check);
  if (bad_line > 0) {
    window_.ShowMessage(NoColonMessage(bad_line, path));
    return;
  }
  if (records == 0) return;

  FileNo = files_.OpenForReading(path);
  if (FileNo == 0) {
    window_.ShowMessage(cannot_open);
    return;
  }
  path_ = path;
  line_number_ = 0;
  if (!ReadNextRecord()) {
    DiscardImageFile();
    return;
  }
  window_.DisableButtons();
  FileLineToCommand();
  Send(std::string(p::kMark) + TxLine + p::kCr);
  Mode = ModeWrite;
}

void TransferEngine::StartFill() {
  // A fill cut into a read would leave its file open for good; it is dropped before "Done".
  DiscardImageFile();
  window_.DisableButtons();
  CurAddr = 0;
  Send(std::string(p::kMark) + std::string(p::kStartAddress) + p::kCr);
  SendFillLine();
  Mode = ModeFill;
}

void TransferEngine::StartPanelRead() {
  Send(std::string(p::kReadCommand) + p::kCr);
  Mode = ModeRead;
}

void TransferEngine::StartByteTest() {
  CurAddr = 0;
  SendByteTestLine();
  Mode = ModeByteTest;
}

void TransferEngine::StartPageTest() {
  CurAddr = 0;
  SendPageTestLine();
  Mode = ModePageTest;
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
  const std::size_t first = FileLine.find_first_not_of(' ');
  const std::string record =
      first == std::string::npos
          ? std::string()
          : FileLine.substr(first, FileLine.find_last_not_of(' ') - first + 1);
  const std::size_t colon = record.find(':');
  const std::string address = colon == std::string::npos ? record : record.substr(0, colon);
  const std::string data = colon == std::string::npos ? std::string() : record.substr(colon + 1);
  TxLine =
      std::string(p::kAddressCommand) + address + p::kCr + std::string(p::kWriteCommand) + data;
}

bool TransferEngine::ReadNextRecord() {
  while (FileNo > 0 && !files_.AtEnd(FileNo)) {
    FileLine = files_.ReadLine(FileNo);
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
      if (CurAddr < p::kAddressLimit) {
        SendFillLine();
      } else {
        Mode = ModeIdle;
        window_.SetStatus(std::string(p::kDoneText));
        window_.EnableButtons();
      }
      break;
    case ModeByteTest:
    case ModePageTest:
      if (first != p::kWriteReply) break;
      CurAddr += p::kBytesPerLine;
      if (CurAddr >= p::kAddressLimit) {
        Mode = ModeIdle;
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

void TransferEngine::HandleReadReply(const std::string& line) {
  if (FileNo > 0 && !files_.WriteLine(FileNo, std::string_view(line).substr(1))) {
    FailOperation(std::string(p::kCouldNotWriteText) + path_);
    return;
  }
  CurAddr += p::kBytesPerLine;
  if (CurAddr < p::kAddressLimit) {
    Send(std::string(p::kReadCommand) + p::kCr);
  } else {
    FinishWithFile();
  }
}

void TransferEngine::HandleWriteReply() {
  if (!ReadNextRecord()) {
    FinishWithFile();
    return;
  }
  if (FileLine.find(':') == std::string::npos) {
    // The file changed after it was checked; never guess at a record.
    FailOperation(NoColonMessage(line_number_, path_));
    return;
  }
  FileLineToCommand();
  SendTxLine();
}

void TransferEngine::FinishWithFile() {
  const bool written = FileNo <= 0 || files_.Close(FileNo);
  FileNo = 0;
  if (!written) {
    FailOperation(std::string(p::kCouldNotWriteText) + path_);
    return;
  }
  Mode = ModeIdle;
  window_.SetStatus(std::string(p::kDoneText));
  window_.EnableButtons();
}

void TransferEngine::FailOperation(const std::string& message) {
  DiscardImageFile();
  Mode = ModeIdle;
  window_.ShowMessage(message);
  window_.EnableButtons();
}

void TransferEngine::EndOperation() {
  DiscardImageFile();
  Mode = ModeIdle;
}

}  // namespace tessimor
