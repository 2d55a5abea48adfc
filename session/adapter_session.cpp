#include "session/adapter_session.h"

#include <QEventLoop>

#include "link/discovery.h"
#include "session/port_messages.h"

namespace tessimor {

AdapterSession::AdapterSession(DeviceInventory& inventory, WindowOps& window)
    : inventory_(inventory),
      window_(window),
      port_([&inventory](int number) { return inventory.ResolvePort(number); }),
      engine_(port_, window_, files_),
      receiver_(port_, engine_),
      tick_(SharedTick::OfThisThread()) {
  engine_.SetObserver(this);
  // Queued: the port may go while the engine is in the middle of a step.
  connect(
      &port_, &QtSerialPort::DeviceGone, this,
      [this] {
        if (engine_.IsBusy()) engine_.Stop(PortClosedLine(port_));
      },
      Qt::QueuedConnection);
}

AdapterSession::~AdapterSession() {
  tick_->Leave(this);
  // Whatever still runs ends unreported: nobody is left to hear it.
  engine_.SetObserver(nullptr);
  engine_.EndOperation();
}

bool AdapterSession::Connect() {
  bool found = true;
  ConnectAdapter(inventory_, port_, window_, [&found] { found = false; });
  if (found && port_.IsOpen()) return true;
  if (const std::string why = PortProblemLine(port_); !why.empty()) window_.ShowMessage(why);
  return false;
}

void AdapterSession::Start(Pace pace, const std::function<void(TransferEngine&)>& start) {
  ended_.reset();
  if (interrupted_) {
    Ended(OperationEnd{ModeIdle, Outcome::kEnded, {}});
    return;
  }
  // Open at Connect, so closed now means the adapter went away since.
  if (!port_.IsOpen()) {
    const std::string message = PortClosedLine(port_);
    window_.ShowMessage(message);
    Ended(OperationEnd{ModeIdle, Outcome::kStopped, message});
    return;
  }
  start(engine_);
  if (engine_.IsBusy()) Serve(pace);
}

void AdapterSession::Serve(Pace pace) {
  receiver_.Ticks = 0;
  tick_->Join(this, [this] {
    receiver_.PollReceiver();
    emit Ticked();
  });
  // At tick pace the tick takes each reply, so nothing need wake the loop when one comes.
  port_.SetPolled(pace == Pace::Tick);
  if (pace == Pace::Reply) {
    arrivals_ = connect(&port_.Device(), &QSerialPort::readyRead, this,
                        [this] { receiver_.TakeWaitingBytes(); });
  }
}

void AdapterSession::Rest() {
  tick_->Leave(this);
  disconnect(arrivals_);
  // Idle, only the port's own watch finds an unplug.
  port_.SetPolled(false);
}

RunResult AdapterSession::Run(Pace pace, const std::function<void(TransferEngine&)>& start) {
  QEventLoop loop;
  const QMetaObject::Connection quit =
      connect(this, &AdapterSession::OperationEnded, &loop, &QEventLoop::quit);
  Start(pace, start);
  if (!ended_) loop.exec();
  disconnect(quit);
  if (interrupted_) return RunResult::kInterrupted;
  return ended_ && ended_->outcome == Outcome::kDone ? RunResult::kDone : RunResult::kFailed;
}

void AdapterSession::Interrupt() {
  interrupted_ = true;
  engine_.EndOperation();
}

void AdapterSession::Advanced(std::size_t bytes, std::uint32_t next_address) {
  emit Progressed(bytes, next_address);
}

void AdapterSession::Ended(const OperationEnd& end) {
  Rest();
  ended_ = end;
  emit OperationEnded(end);
}

}  // namespace tessimor
