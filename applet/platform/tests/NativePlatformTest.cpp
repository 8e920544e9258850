#include "applet/platform/Platform.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using platform::NativePlatform;
using testsupport::TTempDir;

TEST(NativePlatform, FilesWithBackslashPaths) {
  TTempDir dir;
  auto &p = NativePlatform();
  const std::string file = dir.Path() + "sub\\QlnT-1.mp3";
  ASSERT_TRUE(p.CreateFolder(dir.Path() + "sub"));
  EXPECT_TRUE(p.DirectoryExists(dir.Path() + "sub"));
  testsupport::WriteFile(file, "12345");
  EXPECT_TRUE(p.FileExists(file));
  EXPECT_FALSE(p.FileExists(dir.Path() + "sub"));
  EXPECT_EQ(p.FileSize(file), 5);
  EXPECT_EQ(p.FileSize(dir.Path() + "missing"), -1);
  testsupport::WriteFile(dir.Path() + "sub\\QlnT-2.mp3", "");
  testsupport::WriteFile(dir.Path() + "sub\\other.txt", "");
  auto names = p.FindFiles(dir.Path() + "sub\\QlnT-*.mp3");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"QlnT-1.mp3", "QlnT-2.mp3"}));
  EXPECT_TRUE(p.RenameFile(file, dir.Path() + "sub\\renamed"));
  EXPECT_TRUE(p.RemoveFile(dir.Path() + "sub\\renamed"));
  EXPECT_FALSE(p.FileExists(file));
  EXPECT_GT(p.DiskFreeBytes(dir.Path()), 0);
}

TEST(NativePlatform, FileStampRoundTrips) {
  TTempDir dir;
  auto &p = NativePlatform();
  const std::string file = dir.File("stamped");
  testsupport::WriteFile(file, "x");
  // 2001-02-03 04:05:06 in packed DOS form.
  const uint32_t when = ((21u << 9 | 2u << 5 | 3u) << 16) | (4u << 11 | 5u << 5 | 3u);
  ASSERT_TRUE(p.SetFileStamp(file, {when, platform::faArchive}));
  platform::TFileStamp stamp;
  ASSERT_TRUE(p.GetFileStamp(file, stamp));
  EXPECT_EQ(stamp.DosDateTime, when);
  EXPECT_EQ(stamp.Attributes & platform::faReadOnly, 0u);
}

TEST(NativePlatform, ClockMovesForward) {
  auto &p = NativePlatform();
  const uint32_t start = p.TickCount();
  p.Sleep(100);
  // The system tick may advance in steps of about 16 ms.
  EXPECT_GE(static_cast<uint32_t>(p.TickCount() - start), 60u);
}

TEST(NativePlatform, NamesAreFoundWithoutRegardToCase) {
  TTempDir dir;
  auto &p = NativePlatform();
  ASSERT_TRUE(p.CreateFolder(dir.Path() + "Disc Folder"));
  testsupport::WriteFile(dir.Path() + "Disc Folder\\Track One.BIN", "1234");
  struct TCase {
    const char *Name;
    int64_t Size; // -1: not found
  };
  const TCase cases[] = {
      {"Disc Folder\\Track One.BIN", 4},  {"disc folder\\track one.bin", 4},
      {"DISC FOLDER\\TRACK ONE.BIN", 4},  {"dISC fOLDER/tRACK oNE.bIN", 4},
      {"disc folder\\track two.bin", -1}, {"disc\\track one.bin", -1},
  };
  for (const TCase &c : cases) {
    const std::string path = dir.Path() + c.Name;
    EXPECT_EQ(p.FileSize(path), c.Size) << c.Name;
    EXPECT_EQ(p.FileExists(path), c.Size >= 0) << c.Name;
    std::FILE *f = p.OpenFile(path, "rb");
    EXPECT_EQ(f != nullptr, c.Size >= 0) << c.Name;
    if (f != nullptr)
      std::fclose(f);
  }
  EXPECT_TRUE(p.DirectoryExists(dir.Path() + "DISC FOLDER"));
  // A new file goes into the folder that matches, under the name given.
  std::FILE *f = p.OpenFile(dir.Path() + "DISC FOLDER\\New.bin", "wb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(p.FindFiles(dir.Path() + "Disc Folder\\New.*"), std::vector<std::string>{"New.bin"});
}

TEST(NativePlatform, ProfileSectionsOfAnySize) {
  TTempDir dir;
  for (const int keys : {3, 900, 3000}) {
    std::string text = "[INTERNAL]\r\nSize=1\r\n[TITLE]\r\n";
    for (int i = 0; i < keys; ++i)
      text += "Key" + std::to_string(i) + "=A value of some length for key " + std::to_string(i) +
              "\r\n";
    text += "[OTHER]\r\nLast=1\r\n";
    const std::string file = dir.File("notes" + std::to_string(keys) + ".htm");
    testsupport::WriteFile(file, text);
    std::vector<std::string> lines;
    ASSERT_TRUE(NativePlatform().ReadProfileSection(file, "TITLE", lines)) << keys;
    ASSERT_EQ(lines.size(), static_cast<size_t>(keys));
    EXPECT_EQ(lines.back(), "Key" + std::to_string(keys - 1) + "=A value of some length for key " +
                                std::to_string(keys - 1));
  }
}

// Memory the process writes to counts as private bytes, and the peak is never below them.
TEST(NativePlatform, ProcessMemoryCountsPrivateBytes) {
  constexpr size_t kBlock = size_t{48} << 20;
  const platform::TProcessMemory before = NativePlatform().ProcessMemory();
  std::vector<unsigned char> block(kBlock, 1);
  const platform::TProcessMemory during = NativePlatform().ProcessMemory();
  EXPECT_EQ(block[kBlock / 2], 1);
  EXPECT_GT(during.PrivateBytes, before.PrivateBytes + kBlock / 2);
  EXPECT_GE(during.PeakPrivateBytes, during.PrivateBytes);
}

TEST(NativePlatform, CommandInterpreterPathsNameTheSameFolder) {
  TTempDir dir;
  auto &p = NativePlatform();
  const std::string folder = p.Utf8Path(dir.Path(), "J\xC3\xBCrgen M\xC3\xBCller") + "\\";
  ASSERT_TRUE(p.CreateFolder(folder));
  EXPECT_EQ(dir.Path() + "plain\\", p.CommandInterpreterPath(dir.Path() + "plain\\"));
  const std::string batch = p.CommandInterpreterPath(folder + "qln1ebat.bat");
  const std::string spelled = p.CommandInterpreterPath(folder);
#ifdef _WIN32
  // Plain ASCII that reaches the folder (its short form), or the OEM code page.
  EXPECT_TRUE(std::all_of(spelled.begin(), spelled.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0x80) == 0;
  })) << spelled;
  EXPECT_TRUE(p.DirectoryExists(spelled)) << spelled;
#else
  EXPECT_EQ(folder, spelled);
#endif
  EXPECT_EQ(spelled + "qln1ebat.bat", batch);
}
