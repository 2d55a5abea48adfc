#include "engine/image_files.h"

#include <gtest/gtest.h>

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

TEST(ImageFilesTest, WritesCrLfAndReplacesExistingContents) {
  TempDir dir;
  const std::string path = dir.File("image.txt");
  WriteWholeFile(path, "old contents that must go\r\n");
  ImageFiles files;
  const auto handle = files.OpenForWriting(path);
  ASSERT_GT(handle, 0);
  EXPECT_TRUE(files.WriteLine(handle, "0000:00FF"));
  EXPECT_TRUE(files.WriteLine(handle, ""));
  EXPECT_TRUE(files.Close(handle));
  EXPECT_EQ(ReadWholeFile(path), "0000:00FF\r\n\r\n");
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

TEST(ImageFilesTest, FailuresGiveNoHandleAndHandlesAreDistinct) {
  TempDir dir;
  ImageFiles files;
  EXPECT_EQ(files.OpenForReading(dir.File("missing.txt")), 0);
  EXPECT_EQ(files.OpenForReading(dir.path()), 0);
  EXPECT_EQ(files.OpenForWriting(dir.path()), 0);
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
