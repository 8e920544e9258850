// The default configuration: named by VIRTUAL_RECORDER_CONFIG, else beside the library.
#include "tests/support/TestSupport.h"
#include "tools/virtual-recorder/VirtualRecorder.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(DefaultConfig, NamedByTheEnvironmentOrBesideTheLibrary) {
  testsupport::TTempDir dir;
  testsupport::WriteFile(dir.File("vr.ini"), "[device.0]\nadapter = 1\n");
  ASSERT_EQ(setenv("VIRTUAL_RECORDER_CONFIG", dir.File("vr.ini").c_str(), 1), 0);
  EXPECT_EQ(vrec::DefaultConfigPath(), dir.File("vr.ini"));
  EXPECT_TRUE(vrec::LoadDefaultRecorderSet());
  EXPECT_EQ(vrec::GetASPI32SupportInfo(), 0x0102u);

  ASSERT_EQ(setenv("VIRTUAL_RECORDER_CONFIG", dir.File("missing.ini").c_str(), 1), 0);
  EXPECT_FALSE(vrec::LoadDefaultRecorderSet());
  EXPECT_NE(vrec::DefaultConfigError().find("missing.ini"), std::string::npos);
  EXPECT_EQ(vrec::GetASPI32SupportInfo(), 0xE800u) << "no host adapters";

  ASSERT_EQ(unsetenv("VIRTUAL_RECORDER_CONFIG"), 0);
  const std::string path = vrec::DefaultConfigPath();
  EXPECT_EQ(path.substr(path.rfind('/') + 1), "virtualrecorder.ini");
  EXPECT_NE(path.find('/'), std::string::npos) << "a folder is known";
  vrec::InstallRecorderSet(nullptr);
}

} // namespace
