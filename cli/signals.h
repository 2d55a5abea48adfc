#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace tessimor::cli {

// Brings SIGINT and SIGTERM into the event loop through a pipe, since almost nothing may be done
// inside a signal handler.
class InterruptWatch : public QObject {
  Q_OBJECT

 public:
  // One per process; false when the pipe could not be made.
  bool Install();
  // The signal that came, 0 while none has.
  int Received() const { return received_; }

 signals:
  void Interrupted();

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
  int received_ = 0;
};

// The exit status for a program ended by this signal.
int InterruptedExitCode(int signal_number);

}  // namespace tessimor::cli
