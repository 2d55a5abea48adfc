#pragma once

#include <ostream>
#include <vector>

#include "cli/progress.h"
#include "production/qt/gang_run.h"

namespace tessimor::cli {

// One part's live line: port, stage, percent, serial number.
std::string PartLine(const production::PartStatus& part);
// The table at the end: port, USB serial number, serial written, result, seconds; then why each
// failed part failed.
void PrintPartsTable(const std::vector<production::PartStatus>& parts, std::ostream& out);

// One line per part on a terminal, redrawn in place at most ten times a second.
class GangDisplay {
 public:
  GangDisplay(std::ostream& err, bool live, Clock clock)
      : err_(err), live_(live), clock_(std::move(clock)) {}

  void Refresh(const std::vector<production::PartStatus>& parts, bool force = false);

 private:
  std::ostream& err_;
  bool live_;
  Clock clock_;
  std::size_t lines_ = 0;  // drawn last time, to go back over
  double drawn_at_ = 0;
};

}  // namespace tessimor::cli
