// Natively the completion event of a request is the program's platform event.
#include "applet/platform/Sync.h"
#include "tests/support/TestSupport.h"
#include "tools/virtual-recorder/VirtualRecorder.h"
#include "tools/virtual-recorder/host/HostSession.h"

#include <gtest/gtest.h>

namespace {

TEST(PlatformEvent, AsynchronousRequestSetsTheProgramsEvent) {
  testsupport::TTempDir dir;
  std::string error;
  auto set = vrec::TRecorderSet::FromText("[device.0]\nvendor = NATIVE\n", dir.Path(), error);
  ASSERT_NE(set, nullptr) << error;
  vrec::InstallRecorderSet(std::move(set));
  vrec::drive::THost host(vrec::drive::InProcessEntry(), 0, 0);
  std::vector<uint8_t> answer;
  const vrec::drive::TOutcome o = host.Inquiry(answer);
  EXPECT_TRUE(o.WasPending);
  EXPECT_TRUE(o.Ok()) << o.Text();
  EXPECT_EQ(std::string(answer.begin() + 8, answer.begin() + 14), "NATIVE");
  vrec::InstallRecorderSet(nullptr);
}

} // namespace
