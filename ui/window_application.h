#pragma once

#include <QApplication>
#include <memory>
#include <string>

namespace tessimor {

// The application object of a window program. Where no display can be had, Qt would abort with
// advice of its own about reinstalling; instead `program` says in one line that the window needs
// a display, followed by `hint`, and the process ends with status 1. What Qt says while a display
// is found is held back and then passed on, so a window that opens still hears every warning.
std::unique_ptr<QApplication> OpenWindowApplication(int& argc, char** argv,
                                                    const std::string& program,
                                                    const std::string& hint);

}  // namespace tessimor
