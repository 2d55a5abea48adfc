#pragma once

#include <QCoreApplication>

namespace tessimor::testing {

// Qt's serial port watches its descriptor through the application's event dispatcher; every
// test program that includes this has one from the start.
inline int app_argc = 1;
inline char app_name[] = "tessimor-tests";
inline char* app_argv[] = {app_name, nullptr};
inline QCoreApplication app(app_argc, app_argv);

}  // namespace tessimor::testing
