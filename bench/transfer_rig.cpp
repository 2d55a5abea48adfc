#include "bench/transfer_rig.h"

#include <QEventLoop>
#include <QTimer>

#include "link/protocol.h"

namespace tessimor::bench {

TransferRig::TransferRig(const AdapterSimulator::Memory& memory, PtyFaults faults)
    : adapter(memory),
      server(adapter, faults),
      port([this](int number) { return number == 1 ? server.SlavePath() : std::string(); }) {
  if (server.Start()) {
    port.SetPortNumber(1);
    port.Open();
  }
}

int TransferRig::RunToEnd(int max_ticks) {
  int ticks = 0;
  QEventLoop loop;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setInterval(protocol::kTickMs);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    receiver.PollReceiver();
    if (++ticks >= max_ticks || !engine.IsBusy()) loop.quit();
  });
  timer.start();
  loop.exec();
  return ticks;
}

bool TransferRig::EndedDone() const {
  return !engine.IsBusy() && window.messages == 0 && window.status == protocol::kDoneText;
}

}  // namespace tessimor::bench
