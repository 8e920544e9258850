// Completion on the recorder's own thread: requests return SS_PENDING and set the caller's
// event; a whole recording runs that way, and devices work side by side.
#include "tools/virtual-recorder/tests/TestHost.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vrec;
using namespace vrectest;

namespace {

const char kAsync[] = "[device.0]\njournal = journal.txt\nimage = disc\n"
                      "[device.1]\nimage = other\n";

TEST(Async, RequestsArePendingUntilTheirEventIsSet) {
  TRig rig(kAsync);
  drive::THost host = rig.Host();
  std::vector<uint8_t> a;
  const drive::TOutcome o = host.Inquiry(a);
  EXPECT_TRUE(o.WasPending);
  EXPECT_TRUE(o.Ok()) << o.Text();
  const drive::TOutcome failed = host.ReadToc(2, false, 0, a);
  EXPECT_TRUE(failed.WasPending);
  EXPECT_EQ(failed.Sense.Asc, 0x24) << "sense data arrives with the event";
}

TEST(Async, RecordingsOnTwoDevicesAtOnce) {
  TRig rig(kAsync);
  std::string error0, error1;
  bool ok0 = false, ok1 = false;
  std::thread other([&] {
    drive::THost host = rig.Host(0, 1);
    ok1 = drive::RecordTao(host, {Audio(300, 5), Audio(300, 6)}, false, error1);
  });
  drive::THost host = rig.Host();
  ok0 = drive::RecordSao(host, {Audio(700, 1), Audio(400, 2)}, false, error0);
  other.join();
  EXPECT_TRUE(ok0) << error0;
  EXPECT_TRUE(ok1) << error1;
  EXPECT_EQ(testsupport::ReadFile(rig.File("disc.bin")).size(), (700 + 150 + 400) * 2352u);
  EXPECT_EQ(testsupport::ReadFile(rig.File("other.bin")).size(), (300 + 150 + 300) * 2352u);
  EXPECT_EQ(CountLines(rig.Journal(), "session-at-once recording complete"), 1);
}

} // namespace
