#pragma once

#include <QObject>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "production/qt/part_run.h"

namespace tessimor::production {

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
  std::vector<PartStatus> parts_;
  std::vector<std::unique_ptr<PartRun>> runs_;
  std::size_t running_ = 0;
  std::function<void()> all_ended_;
};

}  // namespace tessimor::production
