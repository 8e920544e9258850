#include "applet/device/DeviceModule.h"

#include "applet/device/Discovery.h"
#include "applet/platform/Platform.h"

namespace device {

namespace {

struct TModule {
  int StartCount = 0;
  bool Loaded = false;
  TRoute Route = TRoute::None;
  std::string LibraryName;
  void *Library = nullptr;
  TPassThroughScan Scan;
};

TModule &Module() {
  static TModule module;
  return module;
}

// The start-up steps once the entry points are known.
void Attach(const TAspiEntryPoints &entryPoints, TRoute route) {
  Module().Loaded = true;
  Module().Route = route;
  OpenTransport(entryPoints);
  if (entryPoints.GetSupportInfo != nullptr)
    entryPoints.GetSupportInfo();
  BusScan();
}

bool LoadAspi(TModule &m, const std::string &library) {
  platform::TPlatform &p = platform::Platform();
  m.LibraryName = library;
  m.Library = p.LoadDynamicLibrary(library);
  if (m.Library == nullptr)
    return false;
  TAspiEntryPoints entry;
  entry.GetSupportInfo =
      reinterpret_cast<TGetAspiSupportInfoFn>(p.LibrarySymbol(m.Library, "GetASPI32SupportInfo"));
  entry.SendCommand =
      reinterpret_cast<TSendAspiCommandFn>(p.LibrarySymbol(m.Library, "SendASPI32Command"));
  Attach(entry, TRoute::Aspi);
  return true;
}

bool OpenPassThroughRoute(TModule &m, const std::vector<std::string> &paths) {
  m.Scan = OpenPassThroughDrives(paths);
  if (m.Scan.Opened == 0) {
    ClosePassThroughDrives();
    return false;
  }
  Attach(PassThroughEntryPoints(), TRoute::PassThrough);
  return true;
}

// Back to the state before any start-up step, the start count kept.
void Detach(TModule &m) {
  if (m.Loaded) {
    CloseTransport();
    if (m.Library != nullptr)
      platform::Platform().FreeDynamicLibrary(m.Library);
  }
  ClosePassThroughDrives();
  ClearDriveLists();
  m.Loaded = false;
  m.Route = TRoute::None;
  m.Library = nullptr;
}

} // namespace

bool MmcStartup(const std::string &library) {
  TModule &m = Module();
  if (m.StartCount++ > 0)
    return m.Loaded;
  return LoadAspi(m, library);
}

bool MmcStartup(const TAspiEntryPoints &entryPoints) {
  TModule &m = Module();
  if (m.StartCount++ > 0)
    return m.Loaded;
  Attach(entryPoints, TRoute::Aspi);
  return true;
}

bool MmcStartupPassThrough(const std::vector<std::string> &paths) {
  TModule &m = Module();
  if (m.StartCount++ > 0)
    return m.Loaded;
  return OpenPassThroughRoute(m, paths);
}

bool MmcStartupAnyRoute(const std::string &library) {
  TModule &m = Module();
  if (m.StartCount++ > 0)
    return m.Loaded;
  if (LoadAspi(m, library) && !Recorders().empty())
    return true;
  // Without a CD device of the system's the ASPI start-up stands untouched.
  const std::vector<std::string> candidates = PassThroughCandidates();
  if (candidates.empty())
    return m.Loaded;
  Detach(m);
  if (OpenPassThroughRoute(m, candidates) && !AllDevices().empty())
    return true;
  const TPassThroughScan scan = m.Scan;
  Detach(m);
  LoadAspi(m, library);
  m.Scan = scan;
  return m.Loaded;
}

void MmcShutdown() {
  TModule &m = Module();
  if (m.StartCount == 0 || --m.StartCount > 0)
    return;
  Detach(m);
  m = TModule();
}

bool AspiLoaded() { return Module().Loaded; }

TRoute CurrentRoute() { return Module().Route; }

std::string RouteText() {
  switch (Module().Route) {
  case TRoute::Aspi:
    return Module().LibraryName.empty() ? "ASPI" : "ASPI (" + Module().LibraryName + ")";
  case TRoute::PassThrough:
    return "SCSI pass-through";
  case TRoute::None:
    break;
  }
  return "none";
}

const TPassThroughScan &LastPassThroughScan() { return Module().Scan; }

bool SetExclusiveAccess(uint8_t adapter, uint8_t target, bool exclusive) {
  return Module().Route == TRoute::PassThrough && LockPassThroughDrive(adapter, target, exclusive);
}

} // namespace device
