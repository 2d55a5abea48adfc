#pragma once

#include <QPushButton>

#include "ui/layout.h"

namespace tessimor {

// Names the widget after its control and puts it where the design has it.
void Place(QWidget& widget, const layout::Control& control);

// A button with its caption and no default role, placed as designed.
QPushButton* MakeButton(QWidget& parent, const layout::Control& control);

QString ToQString(std::string_view text);

}  // namespace tessimor
