#include "production/qt/gang_run.h"

#include <QEventLoop>

namespace tessimor::production {

GangRun::GangRun(Record& record, const EepromImage& golden, const Plan& plan, RunSettings settings,
                 const std::vector<Socket>& sockets) {
  for (std::size_t i = 0; i < sockets.size(); ++i) {
    runs_.push_back(std::make_unique<PartRun>(record, golden, plan, settings, sockets[i]));
    parts_.push_back(runs_.back()->Status());
    connect(runs_.back().get(), &PartRun::Changed, this, [this, i] {
      parts_[i] = runs_[i]->Status();
      emit Changed(i);
    });
    connect(runs_.back().get(), &PartRun::Ended, this, [this] {
      if (--running_ == 0 && all_ended_) all_ended_();
    });
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
  for (const auto& part : runs_) part->Interrupt(kInterruptedText);
}

}  // namespace tessimor::production
