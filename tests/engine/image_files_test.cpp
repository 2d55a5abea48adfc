#include "engine/image_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <vector>

#include "tests/support/temp_dir.h"

namespace tessimor {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

std::vector<std::string> ReadAllLines(ImageFiles& files, const std::string& path) {
  const auto handle = files.OpenForReading(path);
  EXPECT_GT(handle, 0);
  std::vector<std::string> lines;
  while (!files.AtEnd(handle)) lines.push_back(files.ReadLine(handle));
  EXPECT_TRUE(files.Close(handle));
  return lines;
}

TEST(ImageFilesTest, ReplacesOnlyOnCloseKeepingModeAndLinksAndDiscardLeavesAllAsItWas) {
  const std::string old_text = "old contents that must stay until the end\r\n";
  struct Case {
    const char* name;
    bool existing;
    bool through_link;
    bool keep;
  };
  for (const Case& c :
       {Case{"new, kept", false, false, true}, Case{"over, kept", true, false, true},
        Case{"link, kept", true, true, true}, Case{"new, dropped", false, false, false},
        Case{"over, dropped", true, false, false}, Case{"link, dropped", true, true, false}}) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string target = dir.File("image.txt");
    const std::string chosen = c.through_link ? dir.File("link.txt") : target;
    if (c.existing) {
      WriteWholeFile(target, old_text);
      ::chmod(target.c_str(), 0640);
    }
    if (c.through_link) std::filesystem::create_symlink("image.txt", chosen);
    const std::set<std::string> before = dir.Names();
    ImageFiles files;
    const auto handle = files.OpenForWriting(chosen);
    ASSERT_GT(handle, 0);
    EXPECT_TRUE(files.WriteLine(handle, "0000:00FF"));
    EXPECT_TRUE(files.WriteLine(handle, ""));
    EXPECT_EQ(dir.Names().size(), before.size() + 1) << "the scratch file beside it";
    EXPECT_EQ(ReadWholeFile(target), c.existing ? old_text : "");
    if (c.keep) {
      EXPECT_TRUE(files.Close(handle));
    } else {
      files.Discard(handle);
    }
    std::set<std::string> after = before;
    if (c.keep) after.insert("image.txt");
    EXPECT_EQ(dir.Names(), after);
    const std::string expected = c.keep ? "0000:00FF\r\n\r\n" : c.existing ? old_text : "";
    EXPECT_EQ(ReadWholeFile(target), expected);
    EXPECT_EQ(std::filesystem::exists(target), c.keep || c.existing);
    EXPECT_EQ(std::filesystem::is_symlink(chosen), c.through_link);
    if (c.existing) {
      EXPECT_EQ(std::filesystem::status(target).permissions(),
                std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                    std::filesystem::perms::group_read);
    }
  }
}

TEST(ImageFilesTest, ReadsEveryKindOfLineEnd) {
  struct Case {
    std::string contents;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"A\r\nB\r\n", {"A", "B"}},
      {"A\r\nB", {"A", "B"}},
      {"A\nB\n", {"A", "B"}},
      {"A\rB\r", {"A", "B"}},
      {"A\n\r\nB", {"A", "", "B"}},
      {"\r\n", {""}},
      {"A\r\r\nB", {"A", "", "B"}},
  };
  TempDir dir;
  ImageFiles files;
  for (const Case& c : cases) {
    const std::string path = dir.File("lines.txt");
    WriteWholeFile(path, c.contents);
    EXPECT_EQ(ReadAllLines(files, path), c.lines) << "contents: " << c.contents;
  }
}

TEST(ImageFilesTest, FailuresGiveNoHandleTouchNothingAndHandlesAreDistinct) {
  TempDir dir;
  ImageFiles files;
  EXPECT_EQ(files.OpenForReading(dir.File("missing.txt")), 0);
  EXPECT_EQ(files.OpenForReading(dir.path()), 0);
  // A folder, a device and a folder that is not there are never replaced.
  for (const std::string& path : {dir.path(), std::string("/dev/null"), dir.File("no/such.txt")}) {
    EXPECT_EQ(files.OpenForWriting(path), 0) << path;
  }
  EXPECT_TRUE(dir.Names().empty());
  EXPECT_FALSE(files.WriteLine(0, "x"));
  const auto a = files.OpenForWriting(dir.File("a.txt"));
  const auto b = files.OpenForWriting(dir.File("b.txt"));
  EXPECT_GT(a, 0);
  EXPECT_GT(b, 0);
  EXPECT_NE(a, b);
  EXPECT_TRUE(files.Close(a));
  EXPECT_FALSE(files.Close(a));
}

}  // namespace
}  // namespace tessimor
