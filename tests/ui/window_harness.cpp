#include "tests/ui/window_harness.h"

#include <QApplication>

namespace tessimor::testing {

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
}

WindowHarness::WindowHarness(bool adapter_listed, bool port_opens) {
  EnsureApplication();
  auto inventory = std::make_unique<FakeInventory>();
  if (adapter_listed)
    inventory->ports->push_back(FakeInventory::Port("USB\\VID_04D8&PID_000A\\6&1", "COM3"));
  auto simulated = std::make_unique<SimulatedPort>();
  simulated->refuse_open = !port_opens;
  port = simulated.get();
  auto file_dialogs = std::make_unique<FakeFileDialogs>();
  dialogs = file_dialogs.get();
  auto boxes = std::make_unique<FakeMessageBoxes>();
  messages = boxes.get();
  form = std::make_unique<Form1>(Form1Parts{std::move(inventory), std::move(simulated),
                                            std::move(file_dialogs), std::move(boxes),
                                            [this] { ++program_ends; }});
  form->show();
  form->Load();
}

QPushButton& WindowHarness::Button(const char* name) const {
  auto* button = form->findChild<QPushButton*>(name);
  if (!button) throw std::runtime_error(std::string("no button ") + name);
  return *button;
}

QString WindowHarness::Status() const {
  return form->findChild<QLabel*>("lblStatus")->text();
}

bool WindowHarness::MainButtonsEnabled() const {
  const bool read = Button("cmdRead").isEnabled();
  const bool write = Button("cmdWrite").isEnabled();
  const bool fill = Button("cmdFF").isEnabled();
  if (read != write || write != fill) throw std::runtime_error("main buttons disagree");
  return read;
}

int WindowHarness::TickUntilIdle(int limit) {
  int ticks = 0;
  while (form->engine().Mode != ModeIdle && ticks < limit) {
    form->receiver().PollReceiver();
    ++ticks;
  }
  return ticks;
}

}  // namespace tessimor::testing
