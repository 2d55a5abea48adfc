#pragma once

#include <string>
#include <vector>

#include "tests/support/fakes.h"
#include "ui/form1.h"

namespace tessimor::testing {

// Both dialogs answer `answer` (empty: the user cancels) and keep the filter they were given.
class FakeFileDialogs : public FileDialogs {
 public:
  std::string AskSavePath(const std::string& filter) override { return Ask(filter); }
  std::string AskOpenPath(const std::string& filter) override { return Ask(filter); }
  std::string Ask(const std::string& filter) {
    filters.push_back(filter);
    return answer;
  }

  std::string answer;
  std::vector<std::string> filters;
};

class FakeMessageBoxes : public MessageBoxes {
 public:
  void ShowCritical(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

// The image file a read of `memory` must leave: one "address:data" record per 16 bytes.
std::string ImageOf(const AdapterSimulator::Memory& memory);

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

  SimulatedPort* port;  // null unless on the simulated port
  FakeFileDialogs* dialogs;
  FakeMessageBoxes* messages;
  int program_ends = 0;
  std::unique_ptr<Form1> form;
};

}  // namespace tessimor::testing
