// Drive answers as a drive might send them: a capabilities answer and a write-parameters
// template of any content must be parsed without reading or writing outside them.
#include "applet/device/Discovery.h"
#include "applet/device/MMC.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<uint8_t> answer(data, data + std::min(size, device::kModePageBufferSize));
  device::TDriveData drive;
  device::ParseCapabilities(answer, drive);
  std::copy(answer.begin(), answer.end(), drive.ModePage5.begin());
  std::vector<uint8_t> list;
  const int method = size > 0 ? data[size - 1] % 4 : device::Sao;
  if (method != 3)
    device::BuildWriteParams(drive, static_cast<device::TWriteMethod>(method),
                             device::TTrackMode::Audio, device::TDiscType::DaOrRom, true, false,
                             list);
  return 0;
}
