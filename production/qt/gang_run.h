#pragma once

#include <QObject>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/image.h"
#include "production/plan.h"
#include "production/qt/record.h"
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

// The record's numbers of `plan`, each checked to fit the serial field.
NumberAt NumbersOf(const Plan& plan);

// One part on every socket at once, each on its adapter's own session, all served by the
// calling thread's event loop. A socket's failure never stops the others.
class GangRun : public QObject {
  Q_OBJECT

 public:
  GangRun(Record& record, const EepromImage& golden, const Plan& plan, RunSettings settings,
          const std::vector<Socket>& sockets);
  ~GangRun() override;

  // Returns once every part has passed or failed.
  void Run();
  // Ends every running part as failed; nothing more starts.
  void Interrupt();
  const std::vector<PartStatus>& Parts() const { return parts_; }

 signals:
  void Changed(std::size_t part);

 private:
  class Part;
  friend class Part;
  void Ended();

  std::vector<PartStatus> parts_;
  std::vector<std::unique_ptr<Part>> runs_;
  std::size_t running_ = 0;
  std::function<void()> all_ended_;
};

}  // namespace tessimor::production
