// libwnaspi32.so freed by the program: nothing it allocated may be lost, whether its
// configuration was refused, missing, or served every request at once.
#include "tests/support/TestSupport.h"
#include "tools/virtual-recorder/AspiLayout.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define QLN_LEAK_CHECK 1
#endif

namespace {

using namespace vrec;

using TSupportInfo = uint32_t (*)();
using TSendCommand = uint32_t (*)(void *);

TEST(Unload, TheLibraryFreesItsSetWhenUnloaded) {
  const struct {
    const char *Name;
    const char *Ini; // nullptr: no file
    uint32_t SupportInfo;
  } cases[] = {
      {"a refused configuration", "[device.0]\ncapabilities_page_length = 61\n", 0xE800},
      {"a refused key of the second device", "[device.0]\n[device.1]\nspeed = 0\n", 0xE800},
      {"a missing configuration", nullptr, 0xE800},
      {"a device that completes at once", "[device.0]\ncompletion = sync\n", 0x0101},
  };
  testsupport::TTempDir dir;
  for (const auto &c : cases) {
    const std::string ini = dir.File("vr.ini");
    std::remove(ini.c_str());
    if (c.Ini != nullptr)
      testsupport::WriteFile(ini, c.Ini);
    ASSERT_EQ(setenv("VIRTUAL_RECORDER_CONFIG", ini.c_str(), 1), 0);
    void *library = dlopen(QLN_WNASPI32_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto supportInfo = reinterpret_cast<TSupportInfo>(dlsym(library, "GetASPI32SupportInfo"));
    auto send = reinterpret_cast<TSendCommand>(dlsym(library, "SendASPI32Command"));
    ASSERT_NE(supportInfo, nullptr);
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(supportInfo(), c.SupportInfo) << c.Name;
    SRB_HAInquiry inquiry{};
    inquiry.SRB_Cmd = SC_HA_INQUIRY;
    EXPECT_EQ(send(&inquiry), c.SupportInfo == 0xE800 ? SS_INVALID_HA : SS_COMP) << c.Name;
    EXPECT_EQ(dlclose(library), 0) << c.Name;
#ifdef QLN_LEAK_CHECK
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << c.Name;
#endif
  }
  ASSERT_EQ(unsetenv("VIRTUAL_RECORDER_CONFIG"), 0);
}

} // namespace
