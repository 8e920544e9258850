// The scripted ASPI fake as a loadable library with the two exports of an ASPI layer: adapter 0
// holds a reader at target 0 and a recorder at target 1 (all three write types, 1411 kB/s);
// adapter 1 holds a track-at-once recorder at target 2 with an open tray.
#include "../FakeAspi.h"

#include <cstdint>

namespace {

struct TLibraryBus {
  fakeaspi::TFakeAspi Aspi;
  TLibraryBus() {
    fakeaspi::TFakeDrive reader = fakeaspi::Recorder({0, 0}, {});
    reader.Product = "CD-ROM";
    reader.Capabilities = fakeaspi::CapabilitiesPage({7040, 0});
    reader.Medium = fakeaspi::TMedium::Audio;
    fakeaspi::TFakeDrive tao = fakeaspi::Recorder({1, 2}, {1}, 8467);
    tao.TrayOpen = true;
    Aspi.Adapters = 2;
    Aspi.Drives = {reader, fakeaspi::Recorder({0, 1}), tao};
  }
};

TLibraryBus bus;

} // namespace

extern "C" __attribute__((visibility("default"))) uint32_t GetASPI32SupportInfo() {
  return bus.Aspi.EntryPoints().GetSupportInfo();
}

extern "C" __attribute__((visibility("default"))) uint32_t SendASPI32Command(void *srb) {
  return bus.Aspi.EntryPoints().SendCommand(srb);
}
