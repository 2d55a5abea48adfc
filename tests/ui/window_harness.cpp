#include "tests/ui/window_harness.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace tessimor::testing {

namespace {

// Made before the first test and gone before main returns: torn down among the exit handlers,
// Qt's input devices crash.
class ApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace

void EnsureApplication() {
  if (!QApplication::instance()) throw std::runtime_error("no QApplication");
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
