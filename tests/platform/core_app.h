#pragma once

#include <QCoreApplication>

namespace tessimor::testing {

// Qt's serial port watches its descriptor through the application's event dispatcher.
inline QCoreApplication& CoreApp() {
  static int argc = 1;
  static char name[] = "tessimor-tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

}  // namespace tessimor::testing
