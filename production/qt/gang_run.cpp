#include "production/qt/gang_run.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "engine/record_io.h"
#include "link/protocol.h"
#include "platform/bound_inventory.h"
#include "production/part_image.h"
#include "session/adapter_session.h"
#include "session/escape.h"
#include "session/image_capture.h"

namespace tessimor::production {

namespace {

constexpr char kInterrupted[] = "Interrupted.";

// The engine's words for one part, kept for its row instead of shown.
class PartWindow : public WindowOps {
 public:
  void EnableButtons() override {}
  void DisableButtons() override {}
  void SetStatus(const std::string&) override {}
  void ShowMessage(const std::string& text) override { said = text; }

  std::string said;
};

// The 16-byte lines the field lies in.
std::vector<std::int32_t> FieldLines(const SerialField& field) {
  std::vector<std::int32_t> lines;
  const std::int32_t line = protocol::kBytesPerLine;
  const auto first = static_cast<std::int32_t>(field.address) / line * line;
  const auto last = static_cast<std::int32_t>(field.address + field.size - 1);
  for (std::int32_t at = first; at <= last; at += line) lines.push_back(at);
  return lines;
}

std::string DifferenceText(const CompareReport& report) {
  return "Read-back: " + std::to_string(report.differing) + " of " +
         std::to_string(report.compared) + " bytes differ, the first at " +
         AddressText(report.first.front().address) + ".";
}

}  // namespace

NumberAt NumbersOf(const Plan& plan) {
  return [&plan](std::uint64_t index, std::string* why) -> std::optional<std::string> {
    const Checked<SerialValue> at = plan.numbering.At(index);
    if (!at.value) {
      *why = at.error;
      return std::nullopt;
    }
    if (const auto bytes = Encode(plan.layout.serial, *at.value); !bytes.value) {
      *why = bytes.error;
      return std::nullopt;
    }
    return ValueText(*at.value);
  };
}

// One socket's part, from its reservation to its outcome in the record.
class GangRun::Part {
 public:
  Part(GangRun& run, std::size_t index, Record& record, const EepromImage& golden, const Plan& plan,
       RunSettings settings)
      : run_(run),
        index_(index),
        record_(record),
        golden_(golden),
        plan_(plan),
        settings_(settings),
        inventory_(Status().socket.port),
        session_(inventory_, window_) {
    QObject::connect(&session_, &AdapterSession::Progressed, &session_,
                     [this](std::size_t bytes, std::uint32_t) {
                       Status().done += bytes;
                       run_.Changed(index_);
                     });
    QObject::connect(&session_, &AdapterSession::OperationEnded, &session_,
                     [this](const OperationEnd& end) {
                       if (const auto next = std::exchange(next_, nullptr)) next(end);
                     });
  }

  void Begin() {
    clock_.start();
    if (!session_.Connect()) {
      Fail(window_.said);
      return;
    }
    Status().opened = true;
    if (settings_.keep_existing) {
      std::vector<std::int32_t> lines = FieldLines(plan_.layout.serial);
      Enter(Stage::kReading, lines.size() * protocol::kBytesPerLine);
      Perform(
          Pace::Reply,
          [this, lines = std::move(lines)](TransferEngine& e) { e.StartRead(capture_, lines); },
          [this] { ReserveFor(HeldValue()); });
      return;
    }
    ReserveFor(std::nullopt);
  }

  void Interrupt() {
    interrupted_ = true;
    session_.Interrupt();
  }

 private:
  PartStatus& Status() { return run_.parts_[index_]; }

  void Enter(Stage stage, std::size_t total) {
    Status().stage = stage;
    Status().done = 0;
    Status().total = total;
    run_.Changed(index_);
  }

  // Starts an operation and goes on to `then` when it ends done; fails the part otherwise.
  void Perform(Pace pace, const std::function<void(TransferEngine&)>& start,
               std::function<void()> then) {
    next_ = [this, then = std::move(then)](const OperationEnd& end) {
      if (interrupted_) {
        Fail(kInterrupted);
      } else if (end.outcome != Outcome::kDone) {
        Fail(end.message.empty() ? window_.said : end.message);
      } else {
        then();
      }
    };
    session_.Start(pace, start);
  }

  // The number the part's serial field already holds, if the record shows it passed.
  std::optional<SerialValue> HeldValue() {
    const SerialField& field = plan_.layout.serial;
    std::vector<std::uint8_t> bytes;
    for (std::size_t at = field.address; at < field.address + field.size; ++at) {
      bytes.push_back(capture_.Image().At(at));
    }
    return Decode(field, bytes);
  }

  void ReserveFor(const std::optional<SerialValue>& held) {
    Enter(Stage::kReserving, 0);
    std::string error;
    std::optional<SerialValue> value;
    if (held) {
      reservation_ = record_.ReserveRework(ValueText(*held), Status().socket.port,
                                           Status().socket.usb_serial, &error);
      if (reservation_) value = held;
    }
    if (!reservation_ && error.empty()) {
      reservation_ = record_.Reserve(NumbersOf(plan_), Status().socket.port,
                                     Status().socket.usb_serial, &error);
      if (reservation_) value = plan_.numbering.At(reservation_->index).value;
    }
    if (!reservation_ || !value) {
      Fail(error);
      return;
    }
    Status().serial = reservation_->serial;
    Status().rework = reservation_->rework;
    Checked<PartImage> part = MakePartImage(golden_, plan_.layout, *value);
    if (!part.value) {
      Fail(part.error);
      return;
    }
    part_ = std::move(*part.value);
    Write();
  }

  void Write() {
    std::vector<std::string> lines;
    for (const ImageRecord& record : part_.image.Records()) lines.push_back(record.text);
    source_ = std::make_unique<LineList>(std::move(lines));
    Enter(Stage::kWriting, part_.image.CoveredCount());
    Perform(
        settings_.write_pace,
        [this](TransferEngine& e) { e.StartWrite(*source_, "the part's image"); },
        [this] { Verify(); });
  }

  // Only the lines written are read back, so the check takes no longer than the write.
  void Verify() {
    capture_ = ImageCapture();
    std::vector<std::int32_t> lines = part_.image.CoveredLines();
    Enter(Stage::kVerifying, lines.size() * protocol::kBytesPerLine);
    Perform(
        Pace::Reply,
        [this, lines = std::move(lines)](TransferEngine& e) { e.StartRead(capture_, lines); },
        [this] {
          const CompareReport report = CompareImages(part_.image, capture_.Image());
          if (report.differing != 0) {
            Fail(DifferenceText(report));
          } else {
            End(true, {});
          }
        });
  }

  void Fail(const std::string& error) { End(false, error); }

  void End(bool passed, std::string error) {
    if (reservation_) {
      std::string why;
      if (!record_.Finish(*reservation_, PartOutcome{passed, error, part_.written_crc32}, &why)) {
        passed = false;
        error = why;
      }
    }
    Status().stage = passed ? Stage::kPassed : Stage::kFailed;
    Status().error = std::move(error);
    Status().seconds = clock_.elapsed() / 1000.0;
    run_.Changed(index_);
    run_.Ended();
  }

  GangRun& run_;
  std::size_t index_;
  Record& record_;
  const EepromImage& golden_;
  const Plan& plan_;
  RunSettings settings_;
  PartWindow window_;
  BoundInventory inventory_;
  AdapterSession session_;
  ImageCapture capture_;
  std::unique_ptr<LineList> source_;
  std::optional<Reservation> reservation_;
  PartImage part_;
  std::function<void(const OperationEnd&)> next_;
  QElapsedTimer clock_;
  bool interrupted_ = false;
};

GangRun::GangRun(Record& record, const EepromImage& golden, const Plan& plan, RunSettings settings,
                 const std::vector<Socket>& sockets) {
  for (const Socket& socket : sockets) {
    PartStatus status;
    status.socket = socket;
    parts_.push_back(std::move(status));
  }
  for (std::size_t i = 0; i < sockets.size(); ++i) {
    runs_.push_back(std::make_unique<Part>(*this, i, record, golden, plan, settings));
  }
}

GangRun::~GangRun() = default;

void GangRun::Run() {
  QEventLoop loop;
  running_ = runs_.size();
  all_ended_ = [&loop] { loop.quit(); };
  for (const auto& part : runs_) part->Begin();
  if (running_ > 0) loop.exec();
  all_ended_ = nullptr;
}

void GangRun::Interrupt() {
  for (const auto& part : runs_) part->Interrupt();
}

void GangRun::Ended() {
  if (--running_ == 0 && all_ended_) all_ended_();
}

}  // namespace tessimor::production
