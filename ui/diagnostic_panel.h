#pragma once

#include <QPushButton>

#include "engine/transfer_engine.h"
#include "platform/serial_port.h"

namespace tessimor {

// Raw commands and the two write-pattern tests, below the status line. Its buttons are the
// window's own children, so they keep their place in its tab order. None of them locks the main
// buttons or looks at the running operation: a click cuts straight into it.
class DiagnosticPanel {
 public:
  DiagnosticPanel(QWidget& form, SerialPort& port, TransferEngine& engine);

  QPushButton* Command5;
  QPushButton* Command6;
  QPushButton* Command7;
  QPushButton* Command1;
  QPushButton* Command3;
  QPushButton* Command4;
  QPushButton* Command9;
};

}  // namespace tessimor
