// Feeds arbitrary request sequences to a recorder through the ASPI entry point. The first
// byte picks a state to start from (idle, session-at-once with a cue sheet sent, raw, or
// track-at-once), so that deep states are reached; then each request is
//   CDB length, CDB bytes, flags (direction bits, top bit LUN 1), data length (2 bytes),
//   data.
// Buffers are exactly as long as declared, so that a read past them is caught.
#include "tools/virtual-recorder/AspiLayout.h"
#include "tools/virtual-recorder/VirtualRecorder.h"
#include "tools/virtual-recorder/host/HostSession.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace vrec;

namespace {

const char kConfig[] = "[device.0]\ncompletion = sync\nimage = none\nmax_transfer_bytes = 70000\n";

void Prepare(uint8_t preset) {
  drive::THost host(drive::InProcessEntry(), 0, 0);
  switch (preset % 4) {
  case 1:
    host.SetWriteParams(2, 0, 0, false);
    host.SendCueSheet(
        drive::AudioCueSheet({drive::TAudioTrack{std::vector<uint8_t>(2352 * 10), 150}}));
    break;
  case 2:
    host.SetWriteParams(3, 1, 0, preset & 4);
    break;
  case 3:
    host.SetWriteParams(1, preset & 8 ? 8 : 0, preset & 8 ? 4 : 0, preset & 4);
    break;
  default:
    break;
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0)
    return 0;
  std::string error;
  InstallRecorderSet(TRecorderSet::FromText(kConfig, "", error));
  Prepare(data[0]);
  size_t at = 1;
  while (at < size) {
    SRB_ExecSCSICmd srb;
    std::memset(&srb, 0, sizeof srb);
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_CDBLen = static_cast<uint8_t>(data[at++] % 17);
    const size_t cdb = std::min<size_t>(srb.SRB_CDBLen, size - at);
    std::memcpy(srb.CDBByte, data + at, cdb);
    at += cdb;
    const uint8_t flags = at < size ? data[at++] : 0;
    srb.SRB_Flags = flags & SRB_DIR_MASK;
    srb.SRB_Lun = flags >> 7;
    size_t length = 0;
    if (at + 2 <= size) {
      length = size_t{data[at]} << 8 | data[at + 1];
      at += 2;
    }
    std::vector<uint8_t> buffer(data + at, data + std::min(size, at + length));
    buffer.resize(length);
    at = std::min(size, at + length);
    srb.SRB_BufLen = static_cast<uint32_t>(buffer.size());
    srb.SRB_BufPointer = buffer.empty() ? nullptr : buffer.data();
    srb.SRB_SenseLen = 14;
    SendASPI32Command(&srb);
  }
  InstallRecorderSet(nullptr);
  return 0;
}
