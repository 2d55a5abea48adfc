#include "ui/form1.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

#include "tests/kit/expected.h"
#include "tests/kit/files.h"
#include "tests/ui/window_harness.h"

namespace tessimor {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::WindowHarness;
using Strings = std::vector<std::string>;

TEST(Form1Operations, EachMainButtonLocksTheOthersAndEndsOnDoneWithItsExactWork) {
  TempDir dir;
  testing::WriteWholeFile(dir.File("in.txt"), "0010:00FF\r\n  0020:AABB  \r\n\r\n0030:CC\r\n");
  std::string fill = "!$0000\r";
  for (int line = 0; line < 2048; ++line) fill += "W" + std::string(32, 'F') + "\r";
  // The button, the file answered, the bytes written (none: a whole read).
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"cmdRead", dir.File("saved.txt"), ""},
      {"cmdWrite", dir.File("in.txt"), "!$0010\rW00FF\r$0020\rWAABB\r$0030\rWCC\r"},
      {"cmdFF", "", fill},
  };
  for (const auto& [button, answer, written] : cases) {
    SCOPED_TRACE(button);
    WindowHarness window;
    window.simulated->adapter.memory() = testing::Pattern();
    window.dialogs->answer = answer;
    std::vector<Outcome> ends;
    QObject::connect(window.form.get(), &Form1::OperationEnded,
                     [&ends](Outcome outcome) { ends.push_back(outcome); });
    window.Button(button).click();
    EXPECT_EQ(window.EnabledMainButtons(), 0);
    window.TickUntilIdle();
    EXPECT_EQ(window.Status(), "** Done! **");
    EXPECT_EQ(window.EnabledMainButtons(), 3);
    EXPECT_TRUE(window.messages->shown.empty());
    EXPECT_EQ(ends, std::vector<Outcome>{Outcome::kDone});
    EXPECT_EQ(window.form->engine().FileNo, 0);
    EXPECT_EQ(window.dialogs->filters.size(), answer.empty() ? 0u : 1u);
    if (written.empty()) {
      EXPECT_EQ(ReadWholeFile(answer), testing::ImageText(testing::Pattern()));
    } else {
      EXPECT_EQ(window.simulated->written, written);
    }
    // Reply bytes are shown as they came, never as markup.
    window.form->SetStatus("<b>R</b>\xE9");
    EXPECT_EQ(window.Status(), QString("<b>R</b>") + QChar(0xE9));
  }
}

TEST(Form1Operations, ACancelledOrUnopenableFileStartsNothing) {
  const std::string bad = "/no such folder/image.txt";
  for (const auto& [button, answer] : {std::pair{"cmdRead", ""},
                                       {"cmdWrite", ""},
                                       {"cmdRead", bad.c_str()},
                                       {"cmdWrite", bad.c_str()}}) {
    SCOPED_TRACE(button + std::string(" ") + answer);
    WindowHarness window;
    window.dialogs->answer = answer;
    window.Button(button).click();
    EXPECT_EQ(window.dialogs->filters, Strings{"Text Files (*.txt);;All Files (*)"});
    EXPECT_EQ(window.messages->shown, *answer ? Strings{"Could not open file " + bad} : Strings{});
    EXPECT_TRUE(window.simulated->written.empty());
    EXPECT_EQ(window.EnabledMainButtons(), 3);
  }
}

TEST(Form1Start, WithoutAnAdapterSaysSoEndsAndIsNeverUsable) {
  // Not listed at all, or listed with a port that will not open.
  for (const bool listed : {false, true}) {
    WindowHarness window(listed, /*port_opens=*/!listed);
    EXPECT_EQ(window.messages->shown, Strings{"Tessimor adapter not found!"});
    EXPECT_EQ(window.program_ends, 1);
    EXPECT_FALSE(window.form->isEnabled());
  }
}

// The menu's drawing at each size: an empty corner, the chip's dark body, the plug's light shell,
// at points of its 64-unit grid.
TEST(Form1Start, ShowsTheProgramIconAtEverySize) {
  WindowHarness window(/*adapter_listed=*/true, /*port_opens=*/true);
  for (const int size : {16, 32, 64}) {
    const QImage image = window.form->windowIcon().pixmap(size).toImage();
    ASSERT_EQ(image.size(), QSize(size, size));
    const auto at = [&](int x, int y) { return image.pixelColor(x * size / 64, y * size / 64); };
    EXPECT_EQ(at(0, 0).alpha(), 0) << size;
    EXPECT_EQ(at(22, 32).alpha() + at(50, 32).alpha(), 510) << size;
    EXPECT_LT(at(22, 32).lightness(), 96) << size;
    EXPECT_GT(at(50, 32).lightness(), 160) << size;
  }
}

TEST(Form1Start, TheMessageIsAModalBoxOfTheShownWindowWhichHasNoMaximiseButton) {
  Form1Parts parts{std::make_unique<testing::FakeInventory>(),
                   std::make_unique<testing::SimulatedPort>(), nullptr, nullptr, [] {}};
  Form1 form(std::move(parts));  // with the Qt message boxes
  form.show();
  std::string seen;
  QTimer look;  // at the box, once it is up
  QObject::connect(&look, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box && seen.empty()) {
      seen = box->text().toStdString();
      EXPECT_EQ(box->parentWidget(), &form);
      EXPECT_EQ(box->windowHandle()->transientParent(), form.windowHandle());
      box->close();
    }
  });
  look.start(1);
  form.Load();
  EXPECT_EQ(seen, "Tessimor adapter not found!");
  EXPECT_EQ(form.windowFlags() & (Qt::CustomizeWindowHint | Qt::WindowMaximizeButtonHint),
            Qt::CustomizeWindowHint);  // without the first, the window system adds the second
}

TEST(Form1Unload, AbandonsARunningReadLeavingTheOldFileAndClosesThePort) {
  WindowHarness window;
  TempDir dir;
  testing::WriteWholeFile(dir.File("image.txt"), "old\r\n");
  window.dialogs->answer = dir.File("image.txt");
  window.Button("cmdRead").click();
  for (int tick = 0; tick < 10; ++tick) window.form->receiver().PollReceiver();
  ASSERT_GT(window.form->engine().CurAddr, 0);
  window.form->close();
  EXPECT_FALSE(window.port->IsOpen());
  EXPECT_EQ(window.form->engine().FileNo, 0);
  EXPECT_EQ(ReadWholeFile(dir.File("image.txt")), "old\r\n");
  EXPECT_EQ(dir.Names(), std::set<std::string>{"image.txt"});
}

TEST(DiagnosticPanel, EachButtonSendsItsExactTextAndDollarZeroResetsTheAddress) {
  // The button, what it sends, the address after.
  const std::tuple<const char*, Strings, std::int32_t> cases[] = {
      {"Command5", {"!"}, 0x1230},
      {"Command6", {"$\r"}, 0x1230},
      {"Command7", {"$0000\r"}, 0},
      {"Command1", {"R\r"}, 0x1230},
      {"Command3", {"W000102030405060708090A0B0C0D0E0F\r"}, 0},
      {"Command4", {"W00000000000000000000000000000000\r"}, 0},
      {"Command9", {"$0000\r", "W54455353494D4F5200\r"}, 0x1230},
  };
  for (const auto& [button, writes, address_after] : cases) {
    SCOPED_TRACE(button);
    WindowHarness window;
    window.form->engine().CurAddr = 0x1230;
    window.Button(button).click();
    EXPECT_EQ(window.simulated->writes, writes);
    EXPECT_EQ(window.form->engine().CurAddr, address_after);
    EXPECT_EQ(window.EnabledMainButtons(), 3);
  }
}

TEST(Form1Layout, ButtonsStandWhereDesignedInTabOrderAndTheStartHeightHidesThePanel) {
  // In tab order: name, caption, place at the design's twips over 15. The Command buttons make up
  // the panel.
  const std::tuple<const char*, const char*, QRect> buttons[] = {
      {"Command5", "!", {32, 128, 65, 33}},
      {"Command6", "$", {32, 176, 65, 33}},
      {"Command7", "$0000", {112, 176, 57, 33}},
      {"Command1", "R", {32, 224, 65, 33}},
      {"cmdRead", "EEPROM -> File", {16, 16, 105, 57}},
      {"Command3", "W Byte", {192, 128, 65, 33}},
      {"Command4", "W Page", {192, 176, 65, 33}},
      {"cmdFF", "$FF -> EEPROM", {272, 16, 105, 57}},
      {"Command9", "W Tessimor", {192, 224, 65, 33}},
      {"cmdWrite", "File -> EEPROM", {144, 16, 105, 57}},
  };
  WindowHarness window;
  Form1& form = *window.form;
  const QLabel& status = *form.findChild<QLabel*>("lblStatus");
  EXPECT_EQ(form.windowTitle(), "Tessimor EEPROM");
  EXPECT_EQ(form.width(), 395);
  EXPECT_TRUE(form.windowHandle()->isExposed());  // Load waited: the frame is known
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(status.geometry(), QRect(8, 88, 377, 25));
  EXPECT_EQ(status.focusPolicy(), Qt::NoFocus);
  EXPECT_GT(form.height(), status.geometry().bottom());
  QWidget* in_tab_order = form.focusWidget();
  for (const auto& [name, caption, pixels] : buttons) {
    SCOPED_TRACE(name);
    const QPushButton& button = window.Button(name);
    EXPECT_EQ(in_tab_order, &button);
    EXPECT_EQ(button.geometry(), pixels);
    EXPECT_EQ(button.text(), caption);
    EXPECT_LT(QFontMetricsF(button.font()).horizontalAdvance(button.text()), button.width());
    EXPECT_EQ(button.y() >= form.height(), QString(name).startsWith("Command"));
    do {
      in_tab_order = in_tab_order->nextInFocusChain();
    } while (!(in_tab_order->focusPolicy() & Qt::TabFocus));
  }
}

}  // namespace
}  // namespace tessimor
