#include "engine/image_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/kit/files.h"

namespace tessimor {
namespace {

namespace fs = std::filesystem;

TEST(ImageFilesTest, ReplacesOnlyOnCloseKeepingModeAndLinksAndDiscardLeavesAllAsItWas) {
  enum Over { kNothing, kFile, kLinkToFile };
  for (const Over over : {kNothing, kFile, kLinkToFile}) {
    SCOPED_TRACE(over);
    testing::TempDir dir;
    const std::string target = dir.File("image.txt");
    const std::string chosen = over == kLinkToFile ? dir.File("link.txt") : target;
    if (over != kNothing) {
      testing::WriteWholeFile(target, "old\r\n");
      fs::permissions(target, fs::perms{0640});
    }
    if (over == kLinkToFile) fs::create_symlink("image.txt", chosen);
    const std::size_t names = dir.Names().size();
    ImageFiles files;
    const auto discarded = files.OpenForWriting(chosen);
    const auto kept = files.OpenForWriting(chosen);
    EXPECT_TRUE(files.WriteLine(kept, "0000:00FF") && files.WriteLine(kept, ""));
    EXPECT_EQ(dir.Names().size(), names + 2) << "a scratch file beside it for each";
    files.Discard(discarded);
    EXPECT_EQ(testing::ReadWholeFile(target), over == kNothing ? "" : "old\r\n");
    EXPECT_TRUE(files.Close(kept));
    EXPECT_FALSE(files.Close(kept) || files.WriteLine(kept, "x")) << "a closed handle is gone";
    EXPECT_EQ(testing::ReadWholeFile(target), "0000:00FF\r\n\r\n");
    EXPECT_EQ(dir.Names().size(), over == kLinkToFile ? 2u : 1u) << "the image and its link";
    EXPECT_EQ(fs::is_symlink(chosen), over == kLinkToFile);
    EXPECT_TRUE(over == kNothing || fs::status(target).permissions() == fs::perms{0640});
  }
}

TEST(ImageFilesTest, ReadsEveryKindOfLineEndAndOpensOnlyWhatItCan) {
  testing::TempDir dir;
  ImageFiles files;
  // The lines read, each followed by "|".
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},           {"A\r\nB\r\n", "A|B|"}, {"A\r\nB", "A|B|"}, {"A\nB\n", "A|B|"},
      {"A\rB\r", "A|B|"}, {"A\n\r\nB", "A||B|"},  {"\r\n", "|"},      {"A\r\r\nB", "A||B|"}};
  for (const auto& [contents, expected] : cases) {
    testing::WriteWholeFile(dir.File("lines.txt"), contents);
    const auto handle = files.OpenForReading(dir.File("lines.txt"));
    std::string lines;
    while (!files.AtEnd(handle)) lines += files.ReadLine(handle) + "|";
    EXPECT_TRUE(files.Close(handle));
    EXPECT_EQ(lines, expected) << "contents: " << contents;
  }
  // A folder, a device and a folder that is not there are never replaced.
  for (const std::string& path : {dir.path(), std::string("/dev/null"), dir.File("no/such.txt")}) {
    EXPECT_EQ(files.OpenForWriting(path), 0) << path;
  }
  EXPECT_EQ(files.OpenForReading(dir.File("missing.txt")), 0);
  EXPECT_EQ(files.OpenForReading(dir.path()), 0);
  EXPECT_EQ(dir.Names(), std::set<std::string>{"lines.txt"});
}

}  // namespace
}  // namespace tessimor
