#include "applet/session/AspiDeviceLayer.h"

#include "applet/device/Discovery.h"
#include "applet/device/MMC.h"

#include <vector>

namespace session {

namespace {

class TAspiDeviceLayer final : public TDevicePort {
public:
  template <typename TSource> explicit TAspiDeviceLayer(const TSource &source) : module_(source) {
    for (const device::TDriveListEntry &entry : device::Recorders())
      recorders_.push_back(RecorderInfoOf(*entry.Drive));
  }

  bool AspiLoaded() override { return device::AspiLoaded(); }
  std::vector<TRecorderInfo> Recorders() override { return recorders_; }
  bool TestUnitReady(const TRecorderInfo &r) override {
    return device::TestUnitReady(r.HaId, r.Target);
  }
  bool StartStopUnit(const TRecorderInfo &r, TStartStopAction action) override {
    return device::StartStopUnit(r.HaId, r.Target, action);
  }
  bool ReadTocFull(const TRecorderInfo &r) override {
    std::vector<uint8_t> toc;
    return device::ReadTOC(r.HaId, r.Target, device::TTocFormat::TocFull, false, true, toc);
  }
  std::string RouteText() override { return device::RouteText(); }
  bool DrivesDenied() override {
    const device::TPassThroughScan &scan = device::LastPassThroughScan();
    return !device::AspiLoaded() && scan.Tried > 0 && scan.Denied == scan.Tried;
  }
  void SetExclusiveAccess(const TRecorderInfo &r, bool exclusive) override {
    device::SetExclusiveAccess(r.HaId, r.Target, exclusive);
  }

private:
  device::TDeviceModule module_;
  std::vector<TRecorderInfo> recorders_;
};

} // namespace

TRecorderInfo RecorderInfoOf(const device::TDriveData &drive) {
  TRecorderInfo info;
  info.HaId = drive.HaId;
  info.Target = drive.Target;
  info.Vendor = drive.Vendor;
  info.Product = drive.Product;
  info.Revision = drive.Revision;
  info.CanSAO = drive.CanSAO;
  info.CanRaw = drive.CanRaw;
  info.CanTAO = drive.CanTAO;
  info.Drive = drive;
  return info;
}

std::unique_ptr<TDevicePort> CreateAspiDeviceLayer(const std::string &library) {
  return std::make_unique<TAspiDeviceLayer>(device::TAnyRoute{library});
}

std::unique_ptr<TDevicePort> CreateAspiDeviceLayer(const device::TAspiEntryPoints &entryPoints) {
  return std::make_unique<TAspiDeviceLayer>(entryPoints);
}

} // namespace session
