#include "production/qt/part_run.h"

#include <cstdio>
#include <utility>

#include "engine/record_io.h"
#include "link/discovery.h"
#include "link/protocol.h"
#include "production/part_image.h"

namespace tessimor::production {

namespace {

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

std::string StageName(Stage stage) {
  switch (stage) {
    case Stage::kWaiting:
      return "waiting";
    case Stage::kReading:
      return "reading";
    case Stage::kReserving:
      return "reserving";
    case Stage::kWriting:
      return "writing";
    case Stage::kVerifying:
      return "verifying";
    case Stage::kPassed:
      return "PASS";
    case Stage::kFailed:
      return "FAIL";
  }
  return {};
}

std::string SecondsText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", seconds);
  return text;
}

std::optional<std::vector<Socket>> PresentAdapters(DeviceInventory& inventory) {
  const auto listed = inventory.ListSerialPorts();
  if (!listed) return std::nullopt;
  std::vector<Socket> present;
  for (const AdapterMatch& match : FindAdapterRecords(*listed)) {
    const std::string path = inventory.ResolvePort(match.number);
    if (!path.empty()) present.push_back(Socket{path, match.usb_serial});
  }
  return present;
}

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

PartRun::PartRun(Record& record, const EepromImage& golden, const Plan& plan, RunSettings settings,
                 const Socket& socket)
    : record_(record),
      golden_(golden),
      plan_(plan),
      settings_(settings),
      inventory_(socket.port),
      session_(inventory_, words_) {
  status_.socket = socket;
  connect(&session_, &AdapterSession::Progressed, this, [this](std::size_t bytes, std::uint32_t) {
    status_.done += bytes;
    emit Changed();
  });
  connect(&session_, &AdapterSession::OperationEnded, this, [this](const OperationEnd& end) {
    if (const auto next = std::exchange(next_, nullptr)) next(end);
  });
}

PartRun::~PartRun() = default;

void PartRun::Begin() {
  clock_.start();
  if (!session_.Connect()) {
    End(false, words_.said);
    return;
  }
  status_.opened = true;
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

void PartRun::Interrupt(const std::string& reason) {
  if (Finished() || !interrupted_.empty()) return;
  interrupted_ = reason;
  session_.Interrupt();
  // Between operations nothing else would end the part.
  if (!next_ && !Finished()) End(false, interrupted_);
}

void PartRun::Enter(Stage stage, std::size_t total) {
  status_.stage = stage;
  status_.done = 0;
  status_.total = total;
  emit Changed();
}

// Starts an operation and goes on to `then` when it ends done; fails the part otherwise.
void PartRun::Perform(Pace pace, const std::function<void(TransferEngine&)>& start,
                      std::function<void()> then) {
  next_ = [this, then = std::move(then)](const OperationEnd& end) {
    if (!interrupted_.empty()) {
      End(false, interrupted_);
    } else if (end.outcome != Outcome::kDone) {
      End(false, end.message.empty() ? words_.said : end.message);
    } else {
      then();
    }
  };
  session_.Start(pace, start);
}

// The number the part's serial field already holds, if the record shows it passed.
std::optional<SerialValue> PartRun::HeldValue() const {
  const SerialField& field = plan_.layout.serial;
  std::vector<std::uint8_t> bytes;
  for (std::size_t at = field.address; at < field.address + field.size; ++at) {
    bytes.push_back(capture_.Image().At(at));
  }
  return Decode(field, bytes);
}

void PartRun::ReserveFor(const std::optional<SerialValue>& held) {
  Enter(Stage::kReserving, 0);
  std::string error;
  std::optional<SerialValue> value;
  if (held) {
    reservation_ = record_.ReserveRework(ValueText(*held), status_.socket.port,
                                         status_.socket.usb_serial, &error);
    if (reservation_) value = held;
  }
  if (!reservation_ && error.empty()) {
    reservation_ =
        record_.Reserve(NumbersOf(plan_), status_.socket.port, status_.socket.usb_serial, &error);
    if (reservation_) value = plan_.numbering.At(reservation_->index).value;
  }
  if (!reservation_ || !value) {
    End(false, error);
    return;
  }
  status_.serial = reservation_->serial;
  status_.rework = reservation_->rework;
  Checked<PartImage> part = MakePartImage(golden_, plan_.layout, *value);
  if (!part.value) {
    End(false, part.error);
    return;
  }
  part_ = std::move(*part.value);
  Write();
}

void PartRun::Write() {
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
void PartRun::Verify() {
  capture_ = ImageCapture();
  std::vector<std::int32_t> lines = part_.image.CoveredLines();
  Enter(Stage::kVerifying, lines.size() * protocol::kBytesPerLine);
  Perform(
      Pace::Reply,
      [this, lines = std::move(lines)](TransferEngine& e) { e.StartRead(capture_, lines); },
      [this] {
        const CompareReport report = CompareImages(part_.image, capture_.Image());
        if (report.differing != 0) {
          End(false, DifferenceText(report));
        } else {
          End(true, {});
        }
      });
}

void PartRun::End(bool passed, std::string error) {
  if (reservation_) {
    std::string why;
    if (!record_.Finish(*reservation_, PartOutcome{passed, error, part_.written_crc32}, &why)) {
      passed = false;
      error = why;
    }
    reservation_.reset();
  }
  status_.stage = passed ? Stage::kPassed : Stage::kFailed;
  status_.error = std::move(error);
  status_.seconds = clock_.elapsed() / 1000.0;
  emit Changed();
  emit Ended();
}

}  // namespace tessimor::production
