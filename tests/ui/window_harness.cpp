#include "tests/ui/window_harness.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace tessimor::testing {

namespace {

// Made before the first test and gone before main returns: torn down among the exit handlers,
// Qt's input devices crash.
class ApplicationEnvironment : public ::testing::Environment {
  void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
  void TearDown() override { app_.reset(); }
  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

Form1Parts SimulatedParts(bool adapter_listed, bool port_opens) {
  auto inventory = std::make_unique<FakeInventory>();
  if (adapter_listed)
    inventory->ports->push_back(FakeInventory::Port("USB\\VID_04D8&PID_000A\\6&1", "COM3"));
  auto port = std::make_unique<SimulatedPort>();
  port->refuse_open = !port_opens;
  return {std::move(inventory), std::move(port), nullptr, nullptr, nullptr};
}

}  // namespace

WindowHarness::WindowHarness(bool adapter_listed, bool port_opens)
    : WindowHarness(SimulatedParts(adapter_listed, port_opens)) {}

WindowHarness::WindowHarness(Form1Parts parts)
    : port(parts.port.get()), simulated(dynamic_cast<SimulatedPort*>(parts.port.get())) {
  parts.dialogs = std::make_unique<FakeFileDialogs>();
  dialogs = static_cast<FakeFileDialogs*>(parts.dialogs.get());
  parts.messages = std::make_unique<FakeMessageBoxes>();
  messages = static_cast<FakeMessageBoxes*>(parts.messages.get());
  parts.end_program = [this] { ++program_ends; };
  form = std::make_unique<Form1>(std::move(parts));
  form->show();
  form->Load();
}

int WindowHarness::EnabledMainButtons() const {
  return Button("cmdRead").isEnabled() + Button("cmdWrite").isEnabled() +
         Button("cmdFF").isEnabled();
}

void WindowHarness::TickUntilIdle() {
  for (int tick = 0; form->engine().IsBusy() && tick < 10000; ++tick)
    form->receiver().PollReceiver();
}

}  // namespace tessimor::testing
