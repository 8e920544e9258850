#include "applet/device/DeviceModule.h"

#include "applet/device/Discovery.h"
#include "applet/platform/Platform.h"

namespace device {

namespace {

struct TModule {
  int StartCount = 0;
  bool Loaded = false;
  void *Library = nullptr;
};

TModule &Module() {
  static TModule module;
  return module;
}

// The start-up steps once the entry points are known.
void Attach(const TAspiEntryPoints &entryPoints) {
  Module().Loaded = true;
  OpenTransport(entryPoints);
  if (entryPoints.GetSupportInfo != nullptr)
    entryPoints.GetSupportInfo();
  BusScan();
}

} // namespace

bool MmcStartup(const std::string &library) {
  TModule &m = Module();
  if (m.StartCount++ > 0)
    return m.Loaded;
  platform::TPlatform &p = platform::Platform();
  m.Library = p.LoadDynamicLibrary(library);
  if (m.Library == nullptr)
    return false;
  TAspiEntryPoints entry;
  entry.GetSupportInfo =
      reinterpret_cast<TGetAspiSupportInfoFn>(p.LibrarySymbol(m.Library, "GetASPI32SupportInfo"));
  entry.SendCommand =
      reinterpret_cast<TSendAspiCommandFn>(p.LibrarySymbol(m.Library, "SendASPI32Command"));
  Attach(entry);
  return true;
}

bool MmcStartup(const TAspiEntryPoints &entryPoints) {
  TModule &m = Module();
  if (m.StartCount++ > 0)
    return m.Loaded;
  Attach(entryPoints);
  return true;
}

void MmcShutdown() {
  TModule &m = Module();
  if (m.StartCount == 0 || --m.StartCount > 0)
    return;
  if (m.Loaded) {
    CloseTransport();
    if (m.Library != nullptr)
      platform::Platform().FreeDynamicLibrary(m.Library);
  }
  ClearDriveLists();
  m = TModule();
}

bool AspiLoaded() { return Module().Loaded; }

} // namespace device
