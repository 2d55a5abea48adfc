#pragma once

#include <string>

#include "tests/kit/fakes.h"
#include "ui/form1.h"

namespace tessimor::testing {

// A shown and loaded Form1 with stand-in dialogs, message boxes and end of program.
class WindowHarness {
 public:
  // On an adapter listed as COM3 and answered by the simulator.
  explicit WindowHarness(bool adapter_listed = true, bool port_opens = true);
  explicit WindowHarness(Form1Parts parts);

  QPushButton& Button(const char* name) const { return *form->findChild<QPushButton*>(name); }
  QString Status() const { return form->findChild<QLabel*>("lblStatus")->text(); }
  // How many of the three main buttons are enabled: 3 when free, 0 when locked.
  int EnabledMainButtons() const;
  // Ticks Timer1's handler until the operation is over.
  void TickUntilIdle();

  const SerialPort* port;    // the window's own
  SimulatedPort* simulated;  // null unless on the simulated port
  FakeFileDialogs* dialogs;
  FakeMessageBoxes* messages;
  int program_ends = 0;
  std::unique_ptr<Form1> form;
};

}  // namespace tessimor::testing
