#include "ui/form1.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/temp_dir.h"
#include "tests/ui/window_harness.h"

namespace tessimor {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::WindowHarness;
using testing::WriteWholeFile;

const std::string kFillLine = "W" + std::string(32, 'F') + "\r";

// The image file a read of `memory` must leave: one "address:data" record per 16 bytes.
std::string ImageOf(const AdapterSimulator::Memory& memory) {
  std::string image;
  char text[8];
  for (std::size_t address = 0; address < memory.size(); address += 16) {
    std::snprintf(text, sizeof text, "%04X:", static_cast<unsigned>(address));
    image += text;
    for (std::size_t i = 0; i < 16; ++i) {
      std::snprintf(text, sizeof text, "%02X", memory[address + i]);
      image += text;
    }
    image += "\r\n";
  }
  return image;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(Form1Operations, EepromToFileLocksRunsToDoneAndSavesEveryLine) {
  WindowHarness window;
  TempDir dir;
  auto& memory = window.port->adapter.memory();
  for (std::size_t i = 0; i < memory.size(); ++i) memory[i] = static_cast<std::uint8_t>(i * 7 + 3);
  window.dialogs->answer = dir.File("saved.txt");

  window.Button("cmdRead").click();
  EXPECT_FALSE(window.MainButtonsEnabled());
  EXPECT_EQ(window.form->engine().Mode, ModeRead);
  EXPECT_EQ(window.port->written, "!$0000\rR\r");

  window.TickUntilIdle();
  EXPECT_EQ(window.Status(), "** Done! **");
  EXPECT_TRUE(window.MainButtonsEnabled());
  EXPECT_EQ(Count(window.port->written, "R\r"), 2048u);
  EXPECT_EQ(ReadWholeFile(dir.File("saved.txt")), ImageOf(memory));
  EXPECT_TRUE(window.messages->shown.empty());
}

TEST(Form1Operations, FileToEepromSendsEachRecordAndWritesIt) {
  WindowHarness window;
  TempDir dir;
  WriteWholeFile(dir.File("image.txt"), "0010:00FF\r\n  0020:AABB  \r\n0030:CC\r\n");
  window.dialogs->answer = dir.File("image.txt");

  window.Button("cmdWrite").click();
  EXPECT_FALSE(window.MainButtonsEnabled());
  window.TickUntilIdle();

  EXPECT_EQ(window.port->written, "!$0010\rW00FF\r$0020\rWAABB\r$0030\rWCC\r");
  const auto& memory = window.port->adapter.memory();
  EXPECT_EQ(memory[0x10], 0x00);
  EXPECT_EQ(memory[0x11], 0xFF);
  EXPECT_EQ(memory[0x20], 0xAA);
  EXPECT_EQ(memory[0x21], 0xBB);
  EXPECT_EQ(memory[0x30], 0xCC);
  EXPECT_EQ(window.Status(), "** Done! **");
  EXPECT_TRUE(window.MainButtonsEnabled());
  EXPECT_EQ(window.form->engine().FileNo, 0);
}

TEST(Form1Operations, FillAsksNothingAndErasesTheWholeEeprom) {
  WindowHarness window;
  window.port->adapter.memory().fill(0x00);

  window.Button("cmdFF").click();
  EXPECT_FALSE(window.MainButtonsEnabled());
  EXPECT_EQ(window.port->written.substr(0, 7 + kFillLine.size()), "!$0000\r" + kFillLine);
  window.TickUntilIdle();

  EXPECT_TRUE(window.dialogs->save_filters.empty());
  EXPECT_TRUE(window.dialogs->open_filters.empty());
  EXPECT_EQ(Count(window.port->written, kFillLine), 2048u);
  for (const std::uint8_t byte : window.port->adapter.memory()) ASSERT_EQ(byte, 0xFF);
  EXPECT_EQ(window.Status(), "** Done! **");
  EXPECT_TRUE(window.MainButtonsEnabled());
}

TEST(Form1Operations, CancelledDialogsSendNothingAndGetTheFilter) {
  WindowHarness window;
  window.Button("cmdRead").click();
  window.Button("cmdWrite").click();

  EXPECT_TRUE(window.port->written.empty());
  EXPECT_TRUE(window.MainButtonsEnabled());
  EXPECT_EQ(window.form->engine().Mode, ModeIdle);
  const std::vector<std::string> filter{"Text Files (*.txt);;All Files (*)"};
  EXPECT_EQ(window.dialogs->save_filters, filter);
  EXPECT_EQ(window.dialogs->open_filters, filter);
  EXPECT_EQ(filter[0], kImageFileFilter);
}

TEST(Form1Operations, AFileThatCannotBeOpenedIsNamedAndNothingStarts) {
  for (const char* button : {"cmdRead", "cmdWrite"}) {
    SCOPED_TRACE(button);
    WindowHarness window;
    TempDir dir;
    window.dialogs->answer = dir.File("no such folder/image.txt");

    window.Button(button).click();
    EXPECT_EQ(window.messages->shown,
              std::vector<std::string>{"Could not open file " + window.dialogs->answer});
    EXPECT_TRUE(window.port->written.empty());
    EXPECT_TRUE(window.MainButtonsEnabled());
    EXPECT_EQ(window.form->engine().Mode, ModeIdle);
  }
}

TEST(Form1Operations, ASilentAdapterTimesOutOnTheHundredthTick) {
  WindowHarness window;
  window.port->on_write = nullptr;
  window.Button("cmdFF").click();

  for (int tick = 1; tick < 100; ++tick) window.form->receiver().PollReceiver();
  EXPECT_TRUE(window.messages->shown.empty());
  EXPECT_FALSE(window.MainButtonsEnabled());
  window.form->receiver().PollReceiver();
  EXPECT_EQ(window.messages->shown, std::vector<std::string>{"Time out waiting for reply."});
  EXPECT_TRUE(window.MainButtonsEnabled());
}

TEST(Form1Start, FindsTheAdapterAndOpensItsPort) {
  WindowHarness window;
  EXPECT_TRUE(window.port->IsOpen());
  EXPECT_EQ(window.port->PortNumber(), 3);
  EXPECT_TRUE(window.messages->shown.empty());
  EXPECT_EQ(window.program_ends, 0);
  EXPECT_TRUE(window.form->timer().isActive());
  EXPECT_EQ(window.form->timer().interval(), 10);
  EXPECT_EQ(window.form->timer().timerType(), Qt::PreciseTimer);
}

TEST(Form1Start, WithoutAnAdapterSaysSoEndsAndIsNeverUsable) {
  struct Case {
    const char* what;
    bool listed;
    bool opens;
  };
  for (const Case& c : {Case{"not listed", false, true}, Case{"port refuses", true, false}}) {
    SCOPED_TRACE(c.what);
    WindowHarness window(c.listed, c.opens);
    EXPECT_EQ(window.messages->shown, std::vector<std::string>{"Tessimor adapter not found!"});
    EXPECT_EQ(window.program_ends, 1);
    EXPECT_FALSE(window.form->isEnabled());
  }
}

TEST(Form1Unload, AbandonsARunningReadWithItsFileClosedAndThePortClosed) {
  WindowHarness window;
  TempDir dir;
  window.dialogs->answer = dir.File("partial.txt");
  window.Button("cmdRead").click();
  for (int tick = 0; tick < 10; ++tick) window.form->receiver().PollReceiver();
  const std::int32_t lines = window.form->engine().CurAddr / 16;
  ASSERT_GT(lines, 0);

  window.form->close();
  EXPECT_FALSE(window.port->IsOpen());
  EXPECT_FALSE(window.form->timer().isActive());
  EXPECT_EQ(window.form->engine().Mode, ModeIdle);
  EXPECT_EQ(window.form->engine().FileNo, 0);
  // Everything received before the close is in the file.
  const std::string image = ImageOf(window.port->adapter.memory());
  EXPECT_EQ(ReadWholeFile(dir.File("partial.txt")), image.substr(0, lines * 39u));
}

TEST(Form1Status, ShowsReplyBytesAsTextNeverAsMarkup) {
  WindowHarness window;
  window.form->SetStatus("<b>R</b>\xE9");
  EXPECT_EQ(window.Status(), QString("<b>R</b>") + QChar(0xE9));
  EXPECT_EQ(window.form->findChild<QLabel*>("lblStatus")->textFormat(), Qt::PlainText);
}

}  // namespace
}  // namespace tessimor
