#include "tests/kit/pty/rig.h"

#include <QEventLoop>

namespace tessimor::testing {

namespace {

std::string Started(PtyServer& server) {
  return server.Start() ? server.SlavePath() : std::string();
}

}  // namespace

PtyRig::PtyRig(const AdapterSimulator::Memory& memory, PtyFaults faults)
    : adapter(memory), server(adapter, faults), inventory_(Started(server)) {
  if (server.Serving()) session.Connect();
}

void PtyRig::Run(const std::function<void(TransferEngine&)>& start, int max_ticks, Pace pace) {
  ended.reset();
  ticks = 0;
  last_line_tick = 0;
  QEventLoop loop;
  int changes = window.status_changes;
  const auto on_tick = QObject::connect(&session, &AdapterSession::Ticked, [&] {
    ++ticks;
    if (window.status_changes != changes) last_line_tick = ticks;
    changes = window.status_changes;
    if (ticks >= max_ticks) loop.quit();
  });
  const auto on_end =
      QObject::connect(&session, &AdapterSession::OperationEnded, [&](const OperationEnd& end) {
        ended = end;
        loop.quit();
      });
  session.Start(pace, start);
  if (!ended) loop.exec();
  QObject::disconnect(on_tick);
  QObject::disconnect(on_end);
}

}  // namespace tessimor::testing
