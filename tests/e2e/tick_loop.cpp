#include "tests/e2e/tick_loop.h"

#include <QEventLoop>
#include <QTimer>

#include "link/protocol.h"
#include "tests/platform/core_app.h"

namespace tessimor::testing {

TickRun RunTicks(Receiver& receiver, const std::function<bool(int tick)>& until, int max_ticks) {
  CoreApp();
  TickRun run;
  QEventLoop loop;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setInterval(protocol::kTickMs);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    receiver.PollReceiver();
    ++run.ticks;
    if (until(run.ticks)) {
      run.stopped = true;
      loop.quit();
    } else if (run.ticks >= max_ticks) {
      loop.quit();
    }
  });
  timer.start();
  loop.exec();
  timer.stop();
  return run;
}

}  // namespace tessimor::testing
