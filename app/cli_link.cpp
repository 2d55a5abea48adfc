#include "app/cli_link.h"

#include <QEventLoop>
#include <QTimer>

#include "app/cli_port_messages.h"
#include "link/discovery.h"
#include "link/protocol.h"

namespace tessimor::cli {

Link::Link(DeviceInventory& inventory, TerminalWindow& window)
    : inventory_(inventory),
      window_(window),
      port_([&inventory](int number) { return inventory.ResolvePort(number); }),
      engine_(port_, window_, files_),
      watch_(engine_, window_),
      receiver_(port_, watch_, window_) {}

bool Link::Connect() {
  bool found = true;
  ConnectAdapter(inventory_, port_, window_, [&found] { found = false; });
  if (found && port_.IsOpen()) return true;
  if (const std::string why = PortProblemLine(port_); !why.empty()) window_.Say(why);
  return false;
}

Outcome Link::Run(Pace pace, const std::function<void(TransferEngine&)>& start) {
  window_.Reset();
  // Open at Connect, so closed now means the adapter went away since.
  if (!port_.IsOpen() && !interrupted_) {
    window_.ShowMessage(PortClosedLine(port_));
    return Outcome::Failed;
  }
  QEventLoop loop;
  loop_ = &loop;
  window_.on_finished = [&loop] { loop.exit(); };
  // Queued: the port may go while the engine is in the middle of a step.
  QObject::connect(
      &port_, &QtSerialPort::DeviceGone, &loop,
      [this] {
        if (engine_.IsBusy()) watch_.Fail(PortClosedLine(port_));
      },
      Qt::QueuedConnection);

  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  tick.setInterval(protocol::kTickMs);
  QTimer silence;
  silence.setSingleShot(true);
  silence.setInterval(kReplyTimeoutMs);
  QMetaObject::Connection arrivals;
  if (pace == Pace::Tick) {
    receiver_.Ticks = 0;
    QObject::connect(&tick, &QTimer::timeout, [this] { receiver_.PollReceiver(); });
  } else {
    arrivals = QObject::connect(&port_.Device(), &QSerialPort::readyRead,
                                [this] { receiver_.TakeWaitingBytes(); });
    QObject::connect(&silence, &QTimer::timeout, [this] {
      if (engine_.IsBusy()) watch_.Fail(std::string(protocol::kTimeoutText));
    });
    watch_.on_line = [&silence] { silence.start(); };
  }

  // Once interrupted, nothing more starts.
  if (!interrupted_) start(engine_);
  if (engine_.IsBusy()) {
    if (pace == Pace::Tick) {
      tick.start();
    } else {
      silence.start();
    }
    loop.exec();
  }

  QObject::disconnect(arrivals);
  watch_.on_line = nullptr;
  window_.on_finished = nullptr;
  loop_ = nullptr;
  if (interrupted_) return Outcome::Interrupted;
  return window_.Done() && !window_.Failure() ? Outcome::Done : Outcome::Failed;
}

void Link::Interrupt() {
  interrupted_ = true;
  engine_.EndOperation();
  if (loop_) loop_->exit();
}

}  // namespace tessimor::cli
