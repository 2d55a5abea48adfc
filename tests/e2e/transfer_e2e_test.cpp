#include <gtest/gtest.h>

#include "tests/kit/expected.h"
#include "tests/kit/files.h"
#include "tests/kit/pty/core_app.h"
#include "tests/kit/pty/rig.h"

namespace tessimor {
namespace {

using Strings = std::vector<std::string>;

TEST(EndToEnd, ReadsCompleteOrTimeOutAndTheFullImageWritesBackIntoAFreshAdapter) {
  testing::TempDir dir;
  const std::string image = dir.File("eeprom.txt");
  const std::string old_image = "the image that was there\r\n";
  ASSERT_TRUE(testing::WriteWholeFile(image, old_image));
  // With LF, every reply after the first starts with it. A read that times out leaves the file
  // as it was; the last read leaves the full image.
  const std::pair<PtyFaults, bool> reads[] = {
      {{.mute_after = 5}, false}, {{.lf = true}, false}, {{.split = true}, true}, {{}, true}};
  for (const auto& [faults, done] : reads) {
    testing::PtyRig rig(testing::Pattern(), faults);
    ASSERT_TRUE(rig.Ready());
    rig.Run([&](TransferEngine& engine) { engine.StartRead(image); }, 3 * 2048);
    ASSERT_TRUE(rig.ended) << "no end after " << rig.ticks << " ticks";
    EXPECT_EQ(rig.ended->outcome, done ? Outcome::kDone : Outcome::kTimedOut);
    EXPECT_EQ(rig.window.messages, done ? Strings{} : Strings{"Time out waiting for reply."});
    EXPECT_TRUE(rig.window.buttons_enabled);
    EXPECT_EQ(rig.session.Engine().FileNo, 0);
    EXPECT_EQ(rig.ticks - rig.last_line_tick, done ? 0 : 100);
    EXPECT_EQ(rig.server.Received().substr(0, 9), "!$0000\rR\r");
    EXPECT_TRUE(testing::ReadWholeFile(image) ==
                (done ? testing::ImageText(testing::Pattern()) : old_image));
  }
  testing::PtyRig fresh(AdapterSimulator().memory());
  ASSERT_TRUE(fresh.Ready());
  fresh.Run([&](TransferEngine& engine) { engine.StartWrite(image); }, 3 * 2048);
  EXPECT_TRUE(fresh.EndedDone());
  fresh.server.Stop();
  EXPECT_EQ(fresh.server.Received().substr(0, 8), "!$0000\rW");
  EXPECT_EQ(fresh.server.Replies(), 2048);
  EXPECT_TRUE(fresh.adapter.memory() == testing::Pattern());
}

}  // namespace
}  // namespace tessimor
