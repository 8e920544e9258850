// The clean-up of the working files and the self-removal batch.
#include "applet/session/CleanUp.h"
#include "applet/platform/BatchFile.h"
#include "applet/recording/XAudio.h"
#include "applet/session/tests/SessionRig.h"

#include <cstring>

namespace session::test {
namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

TEST(SelfRemovalBatchTest, NineLinesWithCrLfAndPercentSignsDoubled) {
  testsupport::TTempDir dir;
  const std::string path = dir.File("qln1ebat.bat");
  ASSERT_TRUE(platform::WriteBatchFile(
      path, SelfRemovalBatchLines("C:\\Program Files\\Night Songs\\", "NightSongs.exe")));
  EXPECT_EQ("@echo off\r\n"
            "cd \"C:\\Program Files\\Night Songs\\\"\r\n"
            ":try\r\n"
            "del \"NightSongs.exe\"\r\n"
            "if exist \"NightSongs.exe\" goto try\r\n"
            "del \"C:\\Program Files\\Night Songs\\qlnc.ql\"\r\n"
            "del \"C:\\Program Files\\Night Songs\\qlnxaudio.dll\"\r\n"
            "del \"C:\\Program Files\\Night Songs\\qln1ebat.bat\"\r\n"
            "exit\r\n",
            ReadFile(path));

  // "%" would start a variable name for the command interpreter: "%TEMP%.exe" could turn into
  // the name of another file.
  EXPECT_EQ((std::vector<std::string>{"@echo off", "cd \"D:\\50%% off\\\"", ":try",
                                      "del \"%%TEMP%%.exe\"", "if exist \"%%TEMP%%.exe\" goto try",
                                      "del \"D:\\50%% off\\qlnc.ql\"",
                                      "del \"D:\\50%% off\\qlnxaudio.dll\"",
                                      "del \"D:\\50%% off\\qln1ebat.bat\"", "exit"}),
            SelfRemovalBatchLines("D:\\50% off\\", "%TEMP%.exe"));
}

// A decoder library that binds and unbinds, and nothing more.
recording::TXAudioDecoder gDecoder;
int DecoderNew(recording::TXAudioDecoder **decoder) {
  *decoder = &gDecoder;
  return 0;
}
int DecoderDelete(recording::TXAudioDecoder *) { return 0; }
int FileInputRegister(recording::TXAudioInputModule *) { return 0; }
int InputRegister(recording::TXAudioDecoder *, const recording::TXAudioInputModule *) { return 0; }
template <typename TFunction> void *Symbol(TFunction function) {
  void *symbol = nullptr;
  std::memcpy(&symbol, &function, sizeof symbol);
  return symbol;
}

class TDecoderPlatform : public testsupport::TFakePlatform {
public:
  void *LoadDynamicLibrary(const std::string &name) override {
    return name == recording::kDecoderLibraryName ? &library_ : nullptr;
  }
  void *LibrarySymbol(void *, const char *symbol) override {
    if (std::strcmp(symbol, "decoder_new") == 0)
      return Symbol(&DecoderNew);
    if (std::strcmp(symbol, "file_input_module_register") == 0)
      return Symbol(&FileInputRegister);
    if (std::strcmp(symbol, "decoder_input_module_register") == 0)
      return Symbol(&InputRegister);
    return Symbol(&DecoderDelete); // the others are not called here
  }
  void FreeDynamicLibrary(void *) override { ++Freed; }
  int Freed = 0;

private:
  int library_ = 0;
};

class CleanUpTest : public ::testing::Test {
protected:
  CleanUpTest() {
    fake_.ModulePath = dir_.File("NightSongs.exe");
    for (const std::string &name : Staged())
      WriteFile(dir_.File(name), "x");
    recording::BindDecoder();
  }
  ~CleanUpTest() override { recording::UnbindDecoder(); }

  static std::vector<std::string> Staged() {
    std::vector<std::string> names = {"NightSongs.exe", "linernotes.htm", "jewelcasecover.jpg",
                                      "qlnc.ql", "qlnxaudio.dll"};
    for (int n = 1; n <= 25; ++n)
      names.push_back(common::TempTrackName(n));
    return names;
  }
  std::vector<std::string> Left() {
    std::vector<std::string> left;
    for (const std::string &name : Staged())
      if (fake_.FileExists(dir_.File(name)))
        left.push_back(name);
    return left;
  }

  testsupport::TTempDir dir_;
  TDecoderPlatform fake_;
  platform::TPlatformOverride use_{fake_};
};

// The decoder is the burn module's to unload: a cancel can leave it to recording threads that
// still run.
TEST_F(CleanUpTest, WithoutSelfRemovalDeletesTheWorkingFilesAndLeavesTheDecoderLoaded) {
  ASSERT_TRUE(recording::DecoderBound());
  CleanUp(false);
  EXPECT_TRUE(recording::DecoderBound());
  EXPECT_EQ(0, fake_.Freed);
  EXPECT_EQ((std::vector<std::string>{"NightSongs.exe", "linernotes.htm", "jewelcasecover.jpg",
                                      "QlnT-25.mp3"}),
            Left());
  EXPECT_TRUE(fake_.Started.empty());
  CleanUp(false); // nothing left to delete: silent
  EXPECT_EQ(0, fake_.Freed);
}

TEST_F(CleanUpTest, SelfRemovalWritesTheBatchDeletesTheTracksAndStartsItHidden) {
  CleanUp(true);
  EXPECT_TRUE(recording::DecoderBound()); // unloaded at completion already
  EXPECT_EQ((std::vector<std::string>{"NightSongs.exe", "linernotes.htm", "jewelcasecover.jpg",
                                      "qlnc.ql", "qlnxaudio.dll", "QlnT-25.mp3"}),
            Left());
  const std::string batch = dir_.File("qln1ebat.bat");
  std::string lines;
  for (const std::string &line : SelfRemovalBatchLines(dir_.Path(), "NightSongs.exe"))
    lines += line + "\r\n";
  EXPECT_EQ(lines, ReadFile(batch));
  ASSERT_EQ(1u, fake_.Started.size());
  EXPECT_EQ("\"" + batch + "\"", fake_.Started[0].CommandLine);
  EXPECT_EQ(dir_.Path(), fake_.Started[0].Folder);
  EXPECT_EQ(0x30u, fake_.Started[0].CreationFlags);
}

TEST_F(CleanUpTest, ABatchThatCannotBeWrittenIsNotStarted) {
  // An older file of that name, such as a package job's batch, would run in its place.
  ASSERT_TRUE(fake_.CreateFolder(dir_.File("qln1ebat.bat")));
  CleanUp(true);
  EXPECT_TRUE(fake_.Started.empty());
  EXPECT_FALSE(fake_.FileExists(dir_.File("QlnT-1.mp3")));
}

} // namespace
} // namespace session::test
