#include "engine/image_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/kit/files.h"

namespace tessimor {
namespace {

namespace fs = std::filesystem;

TEST(ImageFilesTest, ReplacesOnlyOnCloseKeepingModeAndLinksAndDiscardLeavesAllAsItWas) {
  enum Over { kNothing, kFile, kLinkToFile };
  for (const Over over : {kNothing, kFile, kLinkToFile}) {
    for (const bool keep : {true, false}) {
      SCOPED_TRACE(::testing::Message() << "over " << over << ", keep " << keep);
      testing::TempDir dir;
      const std::string target = dir.File("image.txt"), old = over ? "old\r\n" : "";
      const std::string chosen = over == kLinkToFile ? dir.File("link.txt") : target;
      if (over) testing::WriteWholeFile(target, old);
      ::chmod(target.c_str(), 0640);  // when it is there
      if (over == kLinkToFile) fs::create_symlink("image.txt", chosen);
      auto names = dir.Names();
      ImageFiles files;
      const auto handle = files.OpenForWriting(chosen);
      EXPECT_TRUE(files.WriteLine(handle, "0000:00FF") && files.WriteLine(handle, ""));
      EXPECT_EQ(dir.Names().size(), names.size() + 1) << "the scratch file beside it";
      EXPECT_EQ(testing::ReadWholeFile(target), old);
      EXPECT_TRUE(keep ? files.Close(handle) : (files.Discard(handle), true));
      if (keep) names.insert("image.txt");
      EXPECT_EQ(dir.Names(), names);
      EXPECT_EQ(testing::ReadWholeFile(target), keep ? "0000:00FF\r\n\r\n" : old);
      EXPECT_EQ(fs::is_symlink(chosen), over == kLinkToFile);
      EXPECT_EQ(over ? fs::status(target).permissions() : fs::perms{0640}, fs::perms{0640});
    }
  }
}

TEST(ImageFilesTest, ReadsEveryKindOfLineEnd) {
  // The lines read, each followed by "|".
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},           {"A\r\nB\r\n", "A|B|"}, {"A\r\nB", "A|B|"}, {"A\nB\n", "A|B|"},
      {"A\rB\r", "A|B|"}, {"A\n\r\nB", "A||B|"},  {"\r\n", "|"},      {"A\r\r\nB", "A||B|"}};
  testing::TempDir dir;
  ImageFiles files;
  for (const auto& [contents, expected] : cases) {
    testing::WriteWholeFile(dir.File("lines.txt"), contents);
    const auto handle = files.OpenForReading(dir.File("lines.txt"));
    std::string lines;
    while (!files.AtEnd(handle)) lines += files.ReadLine(handle) + "|";
    EXPECT_TRUE(files.Close(handle));
    EXPECT_EQ(lines, expected) << "contents: " << contents;
  }
}

TEST(ImageFilesTest, FailuresGiveNoHandleTouchNothingAndHandlesAreDistinct) {
  testing::TempDir dir;
  ImageFiles files;
  // A folder, a device and a folder that is not there are never replaced.
  for (const std::string& path : {dir.path(), std::string("/dev/null"), dir.File("no/such.txt")}) {
    EXPECT_EQ(files.OpenForWriting(path), 0) << path;
  }
  EXPECT_EQ(files.OpenForReading(dir.File("missing.txt")), 0);
  EXPECT_EQ(files.OpenForReading(dir.path()), 0);
  EXPECT_TRUE(dir.Names().empty());
  EXPECT_FALSE(files.WriteLine(0, "x"));
  const auto a = files.OpenForWriting(dir.File("a.txt")),
             b = files.OpenForWriting(dir.File("b.txt"));
  EXPECT_TRUE(a > 0 && b > 0 && a != b);
  EXPECT_TRUE(files.Close(a) && !files.Close(a)) << "closes once";
}

}  // namespace
}  // namespace tessimor
