#include "update/CommandLine.h"

#include <gtest/gtest.h>

using namespace update;

TEST(ProgramFolder, DriveAndDirectoryWithoutTrailingBackslash) {
  struct TCase {
    const char *Module;
    const char *Folder;
  } cases[] = {
      {"C:\\Program Files\\Verilatch\\update.exe", "C:\\Program Files\\Verilatch"},
      {"C:\\update.exe", "C:"},
      {"C:update.exe", "C:"},
      {"\\\\server\\share\\tools\\update.exe", "\\\\server\\share\\tools"},
      {"Z:/tmp/run/update.exe", "Z:/tmp/run"},
      {"update.exe", ""},
  };
  for (const TCase &c : cases)
    EXPECT_EQ(ProgramFolder(c.Module), c.Folder) << c.Module;
}

TEST(ChooseSettings, CommandLineSelectsFileAndQuietMode) {
  const std::string folder = "C:\\App";
  struct TCase {
    const char *CommandLine;
    const char *Path;
    bool Quiet;
  } cases[] = {
      {"", "C:\\App\\update.ini", false},
      {"/s", "C:\\App\\update.ini", true},
      {"/s ", "C:\\App\\update.ini", true},
      {"/sx", "C:\\App\\update.ini", true},
      {"/s a", "C:\\App\\a", true},
      {"/s other.ini", "C:\\App\\other.ini", true},
      {"/s sub\\other.ini", "C:\\App\\sub\\other.ini", true},
      // Only the first two characters are tested, with exact case.
      {"/sother.ini", "C:\\App\\ther.ini", true},
      {"/S", "C:\\App\\/S", false},
      {"other.ini", "C:\\App\\other.ini", false},
      {"-s", "C:\\App\\-s", false},
      {"/", "C:\\App\\/", false},
  };
  for (const TCase &c : cases) {
    const TSettingsChoice choice = ChooseSettings(c.CommandLine, folder);
    EXPECT_EQ(choice.Path, c.Path) << '"' << c.CommandLine << '"';
    EXPECT_EQ(choice.Quiet, c.Quiet) << '"' << c.CommandLine << '"';
  }
}
