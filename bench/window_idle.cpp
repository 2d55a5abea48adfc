#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "bench/scenarios.h"
#include "platform/bound_inventory.h"
#include "platform/message_boxes.h"
#include "sim/pty_server.h"
#include "ui/form1.h"

namespace tessimor::bench {

namespace {

constexpr int kIdleMs = 10000;
constexpr int kCloseWaitMs = 2000;
// The port left behind by an unplug may cost at most half again what a live one does.
constexpr double kUnpluggedCpuFactor = 1.5;

// A box nobody could close would stop the run; the text goes to stderr instead.
class PrintedMessages : public MessageBoxes {
 public:
  void ShowCritical(const std::string& text) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
};

void RunEventsFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

Measurement MeasureIdle(const std::string& name) {
  return Measure(name, kIdleMs / 1000.0, [] {
    RunEventsFor(kIdleMs);
    return true;
  });
}

}  // namespace

bool WindowIdle() {
  AdapterSimulator adapter;
  PtyServer server(adapter);
  if (!server.Start()) return false;
  Form1Parts parts = QtParts(std::make_unique<BoundInventory>(server.SlavePath()));
  const SerialPort& port = *parts.port;
  parts.messages = std::make_unique<PrintedMessages>();
  Form1 form(std::move(parts));
  form.show();
  form.Load();

  const Measurement present = MeasureIdle("window idle, adapter present (10 s)");
  bool passed = Report(present);

  server.Unplug();
  for (int ms = 0; ms < kCloseWaitMs && port.IsOpen(); ++ms) RunEventsFor(1);
  Measurement unplugged = MeasureIdle("window idle after the adapter was unplugged (10 s)");
  unplugged.completed = !port.IsOpen();
  const double present_percent = 100.0 * present.program_cpu_seconds / present.wall_seconds;
  passed = Report(unplugged, {.max_cpu_percent = kUnpluggedCpuFactor * present_percent}) && passed;
  return passed;
}

}  // namespace tessimor::bench
