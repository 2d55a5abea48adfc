#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/image.h"
#include "platform/bound_inventory.h"
#include "platform/device_inventory.h"
#include "production/part_image.h"
#include "production/plan.h"
#include "production/qt/record.h"
#include "session/adapter_session.h"
#include "session/image_capture.h"
#include "session/pace.h"

namespace tessimor::production {

// Where a part sits: its adapter's device and USB serial number (empty when unknown).
struct Socket {
  std::string port;
  std::string usb_serial;
};

enum class Stage { kWaiting, kReading, kReserving, kWriting, kVerifying, kPassed, kFailed };

struct PartStatus {
  Socket socket;
  Stage stage = Stage::kWaiting;
  std::size_t done = 0;  // bytes of the stage so far
  std::size_t total = 0;
  std::string serial;  // the number's text, once reserved
  bool rework = false;
  std::string error;
  double seconds = 0;
  bool opened = false;  // its adapter's port opened
};

struct RunSettings {
  bool keep_existing = false;
  Pace write_pace = Pace::Tick;
};

// "writing", "PASS" and the like.
std::string StageName(Stage stage);
// A part's seconds as the faces show them: "2.6".
std::string SecondsText(double seconds);
// Why a part stopped by the user failed.
inline constexpr char kInterruptedText[] = "Interrupted.";

// A socket for every adapter the inventory lists; nullopt when it cannot be read.
std::optional<std::vector<Socket>> PresentAdapters(DeviceInventory& inventory);

// The record's numbers of `plan`, each checked to fit the serial field.
NumberAt NumbersOf(const Plan& plan);

// One part on one socket, from its reservation to its outcome in the record, on an adapter session
// of its own served by the calling thread's running event loop.
class PartRun : public QObject {
  Q_OBJECT

 public:
  PartRun(Record& record, const EepromImage& golden, const Plan& plan, RunSettings settings,
          const Socket& socket);
  ~PartRun() override;

  // Ended may come before this returns, when the port does not open.
  void Begin();
  // Fails the part at once with `reason`, recorded as such.
  void Interrupt(const std::string& reason);
  const PartStatus& Status() const { return status_; }
  bool Finished() const {
    return status_.stage == Stage::kPassed || status_.stage == Stage::kFailed;
  }

 signals:
  void Changed();
  void Ended();

 private:
  // The engine's words for the part, kept for its row instead of shown.
  class Words : public WindowOps {
   public:
    void EnableButtons() override {}
    void DisableButtons() override {}
    void SetStatus(const std::string&) override {}
    void ShowMessage(const std::string& text) override { said = text; }
    std::string said;
  };

  void Enter(Stage stage, std::size_t total);
  void Perform(Pace pace, const std::function<void(TransferEngine&)>& start,
               std::function<void()> then);
  std::optional<SerialValue> HeldValue() const;
  void ReserveFor(const std::optional<SerialValue>& held);
  void Write();
  void Verify();
  void End(bool passed, std::string error);

  Record& record_;
  const EepromImage& golden_;
  const Plan& plan_;
  RunSettings settings_;
  PartStatus status_;
  Words words_;
  BoundInventory inventory_;
  AdapterSession session_;
  ImageCapture capture_;
  std::unique_ptr<LineList> source_;
  std::optional<Reservation> reservation_;
  PartImage part_;
  std::function<void(const OperationEnd&)> next_;
  QElapsedTimer clock_;
  std::string interrupted_;  // why, once interrupted
};

}  // namespace tessimor::production
