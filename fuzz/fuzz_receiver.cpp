// Plays the adapter with arbitrary reply bytes, batched and ticked as the input says, and checks
// the receiver and the engine against what they promise.
//
// Input: one byte naming the first start, then steps, each a control byte whose top three bits
// pick the kind and whose low five bits give its size (see Step below).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/image_files.h"
#include "engine/modes.h"
#include "engine/transfer_engine.h"
#include "fuzz/require.h"
#include "link/messages.h"
#include "link/protocol.h"
#include "link/receiver.h"
#include "tests/kit/fakes.h"

namespace tessimor::fuzz {
namespace {

namespace p = protocol;

enum class Start { kRead, kWrite, kFill, kPanelRead, kByteTest, kPageTest, kBadWrite, kBadRead };
constexpr int kStarts = 8;
// Command lines each start may send of its own.
constexpr int kStartSends[kStarts] = {2, 1, 2, 1, 1, 1, 0, 0};

constexpr int kMaxNesting = 3;
constexpr int kMaxRepeats = 4096;
// Keeps every input well inside libFuzzer's per-input time limit.
constexpr long kMaxTicks = 200000;

bool IsModeCode(std::int32_t mode) {
  return mode == ModeIdle || mode == ModeRead || mode == ModeWrite || mode == ModeFill ||
         mode == ModeByteTest || mode == ModePageTest;
}

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return at_ == size_; }
  std::uint8_t Byte() { return Empty() ? 0 : data_[at_++]; }
  std::string Bytes(std::size_t n) {
    n = std::min(n, size_ - at_);
    std::string bytes(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return bytes;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

class Harness;

// Stands between the receiver and the engine to see every reply line handed over.
class CheckedSink : public ReplySink {
 public:
  explicit CheckedSink(Harness& harness) : harness_(harness) {}
  bool IsBusy() const override;
  void HandleReply(const std::string& line) override;
  void TimeOut() override;

 private:
  Harness& harness_;
};

class Harness {
 public:
  Harness()
      : sink_(*this),
        engine_(port_, window_, files_),
        receiver_(port_, sink_),
        read_path_(ScratchDir() + "/read.txt"),
        write_path_(ScratchDir() + "/write.txt"),
        bad_write_path_(ScratchDir() + "/no-colon.txt"),
        bad_read_path_(ScratchDir() + "/missing/read.txt") {
    // The same two files serve every input; writing them once keeps the runs fast.
    static const bool written = [this] {
      WriteScratchFile(write_path_,
                       "0000:000102030405060708090A0B0C0D0E0F\r\n  \r\n 0010:FF \n0020:AB");
      WriteScratchFile(bad_write_path_, "0000:00\r\nno colon here\r\n");
      return true;
    }();
    (void)written;
    // Left by earlier inputs, or absent: a read must leave it so unless it completes.
    read_file_ = testing::ReadWholeFile(read_path_);
    port_.Open();
    engine_.SetObserver(&observer_);
    port_.on_write = [this](std::string_view text) { OnWrite(text); };
    port_.on_take = [this](const std::string& bytes) { ModelIntake(bytes); };
    window_.on_status = [this](const std::string& text) { OnStatus(text); };
    window_.while_message_open = [this](const std::string& text) { OnMessage(text); };
  }

  void Run(Input& in) {
    StartOperation(in.Byte() % kStarts);
    while (!in.Empty() && ticks_run_ < kMaxTicks) {
      Step(in);
      CheckSettled();
    }
    engine_.EndOperation();
    Require(engine_.FileNo == 0, "ending an operation closes its file");
    Require(observer_.ends.size() == starts_, "every start's end is reported once");
    Require(testing::ReadWholeFile(read_path_) == read_file_,
            "the read file holds each read reply once the read is done, and is untouched before");
    Require(std::distance(std::filesystem::directory_iterator(ScratchDir()), {}) <= 3,
            "no scratch file is left behind");
  }

  // Called by CheckedSink.
  bool EngineBusy() const { return engine_.IsBusy(); }
  void Reply(const std::string& line) {
    Require(line.size() <= p::kMaxRxLine, "a reply line stays within the limit");
    Require(!expected_lines_.empty() && expected_lines_.front() == line,
            "reply lines are handed over whole, once, in order");
    expected_lines_.pop_front();
    quiet_ticks_ = 0;
    const std::int32_t mode = engine_.Mode;
    if (mode == ModeRead && !line.empty() && line.front() == p::kReadReply && engine_.FileNo > 0 &&
        engine_.FileNo == read_handle_) {
      read_model_ += line.substr(1);
      read_model_ += ImageFiles::kLineEnd;
    }
    const bool reading = engine_.FileNo > 0 && engine_.FileNo == read_handle_;
    done_shown_ = false;
    status_line_ = &line;
    sends_.push_back(0);
    engine_.HandleReply(line);
    if (reading && engine_.FileNo == 0 && done_shown_) read_file_ = read_model_;
    Require(sends_.back() <= 1, "at most one command line per reply line");
    Require(mode != ModeIdle || sends_.back() == 0, "nothing is sent while idle");
    sends_.pop_back();
    Require(status_line_ == nullptr, "every reply line is shown");
    CheckMode();
  }
  void TimeOut() { engine_.TimeOut(); }

 private:
  void Step(Input& in) {
    const std::uint8_t control = in.Byte();
    const int size = control & 0x1F;
    switch (control >> 5) {
      case 0:  // one batch, then a tick
        port_.incoming += in.Bytes(size + 1);
        Tick();
        break;
      case 1:  // bytes that wait for a later tick
        port_.incoming += in.Bytes(size + 1);
        break;
      case 2:  // a quiet spell
        for (int i = 0; i < size * 4 + 1; ++i) Tick();
        break;
      case 3:  // another start, cutting in
        StartOperation(size % kStarts);
        break;
      case 4: {  // the same batch again and again, a tick each
        const std::string batch = in.Bytes(size + 1);
        const int repeats = std::min(kMaxRepeats, in.Byte() * 16 + 1);
        for (int i = 0; i < repeats && ticks_run_ < kMaxTicks; ++i) {
          port_.incoming += batch;
          Tick();
        }
        break;
      }
      case 5:  // ticks each message box runs while open
        nested_ticks_ = size & 7;
        break;
      case 6: {  // bytes fed straight in, outside any tick
        const std::string bytes = in.Bytes(size + 1);
        ModelIntake(bytes);
        receiver_.Accept(bytes);
        break;
      }
      default:  // one byte per tick
        for (char c : in.Bytes(size + 1)) {
          port_.incoming += c;
          Tick();
        }
        break;
    }
  }

  void StartOperation(int which) {
    ++starts_;
    sends_.push_back(0);
    switch (static_cast<Start>(which)) {
      case Start::kRead:
        engine_.StartRead(read_path_);
        Require(engine_.FileNo > 0 && engine_.Mode == ModeRead, "a read opens its file");
        read_handle_ = engine_.FileNo;
        read_model_.clear();
        break;
      case Start::kWrite:
        engine_.StartWrite(write_path_);
        Require(engine_.FileNo > 0 && engine_.Mode == ModeWrite, "a write opens its file");
        break;
      case Start::kFill:
        engine_.StartFill();
        break;
      case Start::kPanelRead:
        engine_.StartPanelRead();
        break;
      case Start::kByteTest:
        engine_.StartByteTest();
        break;
      case Start::kPageTest:
        engine_.StartPageTest();
        break;
      case Start::kBadWrite:
        engine_.StartWrite(bad_write_path_);
        Require(engine_.FileNo == 0, "a refused write leaves no file open");
        break;
      case Start::kBadRead:
        engine_.StartRead(bad_read_path_);
        Require(engine_.FileNo == 0, "a refused read leaves no file open");
        break;
    }
    Require(sends_.back() <= kStartSends[which], "a start sends only its own command lines");
    sends_.pop_back();
    CheckMode();
  }

  // One timer tick, with the timeout it must bring worked out beforehand.
  void Tick() {
    ++ticks_run_;
    const bool busy = engine_.IsBusy();
    quiet_ticks_ = busy ? quiet_ticks_ + 1 : 0;
    const bool expect_timeout = busy && quiet_ticks_ > p::kMaxQuietTicks;
    if (expect_timeout) quiet_ticks_ = 0;
    ticks_.push_back({expect_timeout, false});
    receiver_.PollReceiver();
    const TickRecord tick = ticks_.back();
    ticks_.pop_back();
    Require(tick.timed_out == tick.expect_timeout, "the timeout comes on the 100th quiet tick");
    Require(receiver_.Ticks >= 0 && receiver_.Ticks <= p::kMaxQuietTicks,
            "the tick count stays in range");
    Require(receiver_.RxLine.size() <= p::kMaxRxLine, "RxLine stays within the limit");
    CheckMode();
  }

  void ModelIntake(const std::string& bytes) {
    for (char c : bytes) {
      if (c == p::kCr) {
        expected_lines_.push_back(partial_line_);
        partial_line_.clear();
      } else if (partial_line_.size() < p::kMaxRxLine) {
        partial_line_ += c;
      }
    }
  }

  void OnWrite(std::string_view text) {
    Require(!sends_.empty(), "commands go out only from a start or a reply");
    Require(!text.empty() && text.back() == p::kCr, "every command line ends with CR");
    ++sends_.back();
  }

  void OnStatus(const std::string& text) {
    if (status_line_) {
      Require(text == *status_line_, "a reply line is shown before anything else");
      status_line_ = nullptr;
      return;
    }
    if (text == messages::kDoneText) {
      Require(engine_.Mode == ModeIdle && engine_.FileNo == 0, "done means idle and closed");
      done_shown_ = true;
    }
  }

  void OnMessage(const std::string& text) {
    if (text == messages::kTimeoutText) {
      Require(!ticks_.empty() && ticks_.back().expect_timeout && !ticks_.back().timed_out,
              "a timeout message only when one is due");
      ticks_.back().timed_out = true;
      Require(engine_.Mode == ModeIdle, "idle before the timeout box opens");
      Require(engine_.FileNo == 0, "a timeout closes the image file");
    }
    if (nesting_ >= kMaxNesting) return;
    ++nesting_;
    for (int i = 0; i < nested_ticks_; ++i) Tick();
    --nesting_;
  }

  void CheckMode() const { Require(IsModeCode(engine_.Mode), "Mode is one of the six codes"); }

  void CheckSettled() const {
    Require(sends_.empty() && ticks_.empty() && nesting_ == 0, "every step has returned");
    Require(receiver_.RxLine == partial_line_, "RxLine holds the bytes since the last CR");
    Require(expected_lines_.empty(), "every complete line was handed over");
  }

  struct TickRecord {
    bool expect_timeout;
    bool timed_out;
  };

  testing::FakeSerialPort port_;
  testing::FakeWindow window_;
  testing::FakeObserver observer_;
  std::size_t starts_ = 0;
  ImageFiles files_;
  CheckedSink sink_;
  TransferEngine engine_;
  Receiver receiver_;
  const std::string read_path_;
  const std::string write_path_;
  const std::string bad_write_path_;
  const std::string bad_read_path_;

  std::vector<int> sends_;  // command lines sent by each start or reply in progress
  std::vector<TickRecord> ticks_;
  int nesting_ = 0;
  int nested_ticks_ = 2;
  int quiet_ticks_ = 0;
  long ticks_run_ = 0;
  std::string partial_line_;
  std::deque<std::string> expected_lines_;
  const std::string* status_line_ = nullptr;
  bool done_shown_ = false;
  std::string read_file_;
  ImageFiles::Handle read_handle_ = 0;
  std::string read_model_;
};

bool CheckedSink::IsBusy() const {
  return harness_.EngineBusy();
}
void CheckedSink::HandleReply(const std::string& line) {
  harness_.Reply(line);
}
void CheckedSink::TimeOut() {
  harness_.TimeOut();
}

}  // namespace
}  // namespace tessimor::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tessimor::fuzz::Input in(data, size);
  tessimor::fuzz::Harness harness;
  harness.Run(in);
  return 0;
}
