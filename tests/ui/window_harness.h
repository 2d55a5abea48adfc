#pragma once

#include <QLabel>
#include <QPushButton>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_dialogs.h"
#include "platform/message_boxes.h"
#include "tests/support/fakes.h"
#include "ui/form1.h"

namespace tessimor::testing {

// The QApplication every widget test needs, made before the first test.
void EnsureApplication();

class FakeFileDialogs : public FileDialogs {
 public:
  std::string AskSavePath(const std::string& filter) override {
    save_filters.push_back(filter);
    return answer;
  }
  std::string AskOpenPath(const std::string& filter) override {
    open_filters.push_back(filter);
    return answer;
  }

  std::string answer;  // empty: the user cancels
  std::vector<std::string> save_filters;
  std::vector<std::string> open_filters;
};

class FakeMessageBoxes : public MessageBoxes {
 public:
  void ShowCritical(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

// A loaded Form1 on stand-ins: an adapter listed as COM3 and answered by the simulator.
class WindowHarness {
 public:
  explicit WindowHarness(bool adapter_listed = true, bool port_opens = true);

  QPushButton& Button(const char* name) const;
  QString Status() const;
  bool MainButtonsEnabled() const;
  // Ticks Timer1's handler until the operation is over; returns how many ran.
  int TickUntilIdle(int limit = 10000);

  SimulatedPort* port;
  FakeFileDialogs* dialogs;
  FakeMessageBoxes* messages;
  int program_ends = 0;
  std::unique_ptr<Form1> form;
};

}  // namespace tessimor::testing
