#include <gtest/gtest.h>

#include "tests/ui/window_harness.h"

namespace tessimor {
namespace {

using testing::WindowHarness;

TEST(DiagnosticPanel, EachButtonSendsItsExactText) {
  struct Case {
    const char* button;
    std::vector<std::string> writes;
  };
  const Case cases[] = {
      {"Command5", {"!"}},
      {"Command6", {"$\r"}},
      {"Command7", {"$0000\r"}},
      {"Command1", {"R\r"}},
      {"Command3", {"W000102030405060708090A0B0C0D0E0F\r"}},
      {"Command4", {"W00000000000000000000000000000000\r"}},
      {"Command9", {"$0000\r", "W54455353494D4F5200\r"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    WindowHarness window;
    window.Button(c.button).click();
    EXPECT_EQ(window.port->writes, c.writes);
    EXPECT_TRUE(window.MainButtonsEnabled());
  }
}

TEST(DiagnosticPanel, StartAddressResetsTheAddressCounter) {
  WindowHarness window;
  window.form->engine().CurAddr = 0x1230;
  window.Button("Command7").click();
  EXPECT_EQ(window.form->engine().CurAddr, 0);
}

TEST(DiagnosticPanel, SignatureLandsAtAddressZero) {
  WindowHarness window;
  window.port->adapter.memory().fill(0xFF);
  window.Button("Command9").click();
  const auto& memory = window.port->adapter.memory();
  EXPECT_EQ(std::string(memory.begin(), memory.begin() + 9), std::string("TESSIMOR\0", 9));
  EXPECT_EQ(memory[9], 0xFF);
}

TEST(DiagnosticPanel, CutsIntoARunningFillWithoutTouchingTheLock) {
  WindowHarness window;
  window.Button("cmdFF").click();
  for (int tick = 0; tick < 3; ++tick) window.form->receiver().PollReceiver();
  window.port->writes.clear();

  window.Button("Command5").click();
  EXPECT_EQ(window.port->writes, std::vector<std::string>{"!"});
  EXPECT_EQ(window.form->engine().Mode, ModeFill);
  EXPECT_FALSE(window.MainButtonsEnabled());
}

}  // namespace
}  // namespace tessimor
