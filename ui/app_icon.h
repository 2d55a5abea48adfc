#pragma once

#include <QIcon>

namespace tessimor {

// The program's icon, the same drawing the menu entry shows, at the sizes window managers and
// task bars ask for.
QIcon AppIcon();

}  // namespace tessimor
