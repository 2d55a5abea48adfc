#include "tests/kit/pty/port_activity.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

namespace tessimor::testing {

namespace {

class NotificationCounter : public QObject {
 public:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::SockAct) ++count;
    return false;
  }
  int count = 0;
};

}  // namespace

int CountDescriptorNotifications(int ms) {
  NotificationCounter counter;
  QCoreApplication::instance()->installEventFilter(&counter);
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
  QCoreApplication::instance()->removeEventFilter(&counter);
  return counter.count;
}

}  // namespace tessimor::testing
