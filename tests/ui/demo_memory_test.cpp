#include "app/demo_memory.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include "tests/support/temp_dir.h"
#include "tests/ui/window_harness.h"

namespace tessimor {
namespace {

using testing::TempDir;

TEST(DemoMemory, StartsErasedKeepsChangesOnlyAndLoadsThemBack) {
  testing::EnsureApplication();
  TempDir data;
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.path()));

  DemoMemory first;
  ASSERT_TRUE(first.path().startsWith(QString::fromStdString(data.path())));
  AdapterSimulator::Memory memory;
  memory.fill(0x00);
  first.Load(memory);
  for (const std::uint8_t byte : memory) ASSERT_EQ(byte, 0x00);  // nothing kept yet: untouched
  ASSERT_TRUE(first.Save(memory));
  EXPECT_FALSE(QFileInfo::exists(first.path()));

  memory[0x1234] = 0x5A;
  ASSERT_TRUE(first.Save(memory));
  EXPECT_EQ(QFileInfo(first.path()).size(), 32768);

  AdapterSimulator::Memory again;
  again.fill(0xFF);
  DemoMemory().Load(again);
  EXPECT_EQ(again, memory);
}

}  // namespace
}  // namespace tessimor
