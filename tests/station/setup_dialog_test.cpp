#include "station/setup_dialog.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "tests/kit/fakes.h"
#include "tests/kit/files.h"
#include "tests/kit/line/line.h"
#include "tests/station/app.h"

namespace tessimor {
namespace {

// sha256sum of kLineGolden.
constexpr char kGoldenSha256[] = "5b8b238cbe9e88c0a9ca8887ae1cc0b2eb7989dcad58b5ece9f67ac8c024c2df";

TEST(SetupDialogTest, SavesACheckedRecipeOrStaysOpenSayingWhy) {
  const struct {
    const char* serial;
    const char* start;
    const char* answer;  // where the recipe is to go; empty: the file dialog is cancelled
    bool saved;
    std::string refusal;
    int asked;
  } cases[] = {
      {"0x0010:u32le", "100000", "line.json", true, "", 1},
      {"0x0010:u32le", "100000", "", false, "", 1},
      {"", "100000", "line.json", false, "The recipe names no serial field.", 0},
      {"0x0010:u32le", "ten", "line.json", false, "--serial-start ten is not a number.", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.serial) + " " + c.start + " " + c.answer);
    testing::TempDir dir;
    testing::WriteWholeFile(dir.File("golden.hex"), testing::kLineGolden);
    auto dialogs = std::make_unique<testing::FakeFileDialogs>();
    testing::FakeFileDialogs& asked = *dialogs;
    asked.answer = *c.answer ? dir.File(c.answer) : "";
    SetupDialog dialog(nullptr, std::move(dialogs));
    const auto field = [&dialog](const char* name) { return dialog.findChild<QLineEdit*>(name); };
    field("image")->setText(QString::fromStdString(dir.File("golden.hex")));
    field("serial")->setText(c.serial);
    field("serial-start")->setText(c.start);
    dialog.findChild<QPlainTextEdit*>("crc")->setPlainText("\n0x001C:crc16:0x0000-0x001C\n");
    dialog.show();
    dialog.Save();
    EXPECT_EQ(dialog.result() == QDialog::Accepted, c.saved);
    EXPECT_EQ(dialog.Refusal(), c.refusal);
    EXPECT_EQ(asked.filters.size(), static_cast<std::size_t>(c.asked));
    if (!c.saved) {
      EXPECT_EQ(dir.Names(), std::set<std::string>{"golden.hex"});
      continue;
    }
    EXPECT_EQ(dialog.SavedPath(), dir.File("line.json"));
    const auto recipe = production::LoadRecipe(dialog.SavedPath());
    ASSERT_TRUE(recipe.value) << recipe.error;
    EXPECT_EQ(recipe.value->image, dir.File("golden.hex"));
    EXPECT_EQ(recipe.value->image_sha256, kGoldenSha256);
    EXPECT_EQ(recipe.value->serial_start, "100000");
    EXPECT_EQ(recipe.value->serial_step, "1");
    EXPECT_EQ(recipe.value->crcs, std::vector<std::string>{"0x001C:crc16:0x0000-0x001C"});
    // The record beside the recipe when none is named.
    EXPECT_EQ(recipe.value->db, dir.File("tessimor-production.db"));
    EXPECT_EQ(recipe.value->on_fail, "void");
  }
}

}  // namespace
}  // namespace tessimor
