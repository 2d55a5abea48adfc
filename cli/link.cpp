#include "cli/link.h"

#include <QEventLoop>
#include <QTimer>

#include "cli/port_messages.h"
#include "link/discovery.h"
#include "link/protocol.h"

namespace tessimor::cli {

Link::Link(DeviceInventory& inventory, TerminalWindow& window)
    : inventory_(inventory),
      window_(window),
      port_([&inventory](int number) { return inventory.ResolvePort(number); }),
      engine_(port_, window_, files_),
      receiver_(port_, engine_) {
  engine_.SetObserver(this);
}

bool Link::Connect() {
  bool found = true;
  ConnectAdapter(inventory_, port_, window_, [&found] { found = false; });
  if (found && port_.IsOpen()) return true;
  if (const std::string why = PortProblemLine(port_); !why.empty()) window_.Say(why);
  return false;
}

RunResult Link::Run(Pace pace, const std::function<void(TransferEngine&)>& start,
                    OperationObserver* watcher) {
  ended_.reset();
  // Open at Connect, so closed now means the adapter went away since.
  if (!port_.IsOpen() && !interrupted_) {
    window_.ShowMessage(PortClosedLine(port_));
    return RunResult::kFailed;
  }
  QEventLoop loop;
  loop_ = &loop;
  watcher_ = watcher;
  // Queued: the port may go while the engine is in the middle of a step.
  QObject::connect(
      &port_, &QtSerialPort::DeviceGone, &loop, [this] { engine_.Stop(PortClosedLine(port_)); },
      Qt::QueuedConnection);
  // The tick keeps the receiver's timeout at either pace; at reply pace each command also
  // goes out as soon as its reply is in.
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  tick.setInterval(protocol::kTickMs);
  QObject::connect(&tick, &QTimer::timeout, [this] { receiver_.PollReceiver(); });
  QMetaObject::Connection arrivals;
  if (pace == Pace::Reply) {
    arrivals = QObject::connect(&port_.Device(), &QSerialPort::readyRead,
                                [this] { receiver_.TakeWaitingBytes(); });
  }

  // Once interrupted, nothing more starts.
  if (!interrupted_) start(engine_);
  if (engine_.IsBusy()) {
    receiver_.Ticks = 0;
    tick.start();
    loop.exec();
  }

  QObject::disconnect(arrivals);
  watcher_ = nullptr;
  loop_ = nullptr;
  if (interrupted_) return RunResult::kInterrupted;
  return ended_ && ended_->outcome == Outcome::kDone ? RunResult::kDone : RunResult::kFailed;
}

void Link::Advanced(std::size_t bytes) {
  if (watcher_) watcher_->Advanced(bytes);
}

void Link::Ended(const OperationEnd& end) {
  ended_ = end;
  if (watcher_) watcher_->Ended(end);
  if (loop_) loop_->exit();
}

void Link::Interrupt() {
  interrupted_ = true;
  engine_.EndOperation();
  if (loop_) loop_->exit();
}

}  // namespace tessimor::cli
