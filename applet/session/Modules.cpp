#include "applet/session/Modules.h"

#include "applet/session/AspiDeviceLayer.h"
#include "applet/session/Ending.h"
#include "applet/session/Startup.h"

namespace session {

namespace {

// Stand-in until the burn module is plugged in: the start operations record nothing and no
// recording ever finishes, so the button stays "&Cancel" and ends the run with result 1.
class TIdleBurnModule final : public TBurnPort {
public:
  void SetTestWrite(bool) override {}
  void StartSaoRecording() override {}
  void StartDaoRecording() override {}
  void StartTaoRecording() override {}
  void CancelRecording() override {}
  bool RecordingFailed() override { return false; }
  void ReleaseCache() override {}
  void UnloadDecoder() override {}
};

// Stand-in until package staging is plugged in: the result is computed as staging computes it
// (a package switch is present), but no job runs and nothing is staged. A session therefore
// finds only the files that already lie in the applet's folder.
class TNoPackageStaging final : public TStagingPort {
public:
  bool DispatchPackageMode(TStagingHost *) override { return HasPackageSwitch(); }
};

} // namespace

std::unique_ptr<TDevicePort> CreateDeviceLayer() { return CreateAspiDeviceLayer(); }
std::unique_ptr<TEndingPort> CreateEnding() { return std::make_unique<TEnding>(); }
std::unique_ptr<TBurnPort> CreateBurnModule() { return std::make_unique<TIdleBurnModule>(); }
std::unique_ptr<TStagingPort> CreatePackageModule() {
  return std::make_unique<TNoPackageStaging>();
}

} // namespace session
