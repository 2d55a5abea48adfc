#include "tests/kit/pty/rig.h"

#include <QEventLoop>
#include <QTimer>

#include "link/protocol.h"

namespace tessimor::testing {

PtyRig::PtyRig(const AdapterSimulator::Memory& memory, PtyFaults faults)
    : adapter(memory),
      server(adapter, faults),
      port([this](int number) { return number == 1 ? server.SlavePath() : std::string(); }) {
  engine.SetObserver(this);
  if (server.Start()) {
    port.SetPortNumber(1);
    port.Open();
  }
}

void PtyRig::RunToEnd(int max_ticks) {
  ticks = 0;
  last_line_tick = 0;
  QEventLoop loop;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const int changes = window.status_changes;
    ++ticks;
    receiver.PollReceiver();
    if (window.status_changes != changes) last_line_tick = ticks;
    if (ended || ticks >= max_ticks) loop.quit();
  });
  if (engine.IsBusy()) {
    timer.start(protocol::kTickMs);
    loop.exec();
  }
}

}  // namespace tessimor::testing
