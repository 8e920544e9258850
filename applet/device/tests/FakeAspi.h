// A scripted ASPI layer for the device tests: simple CD drives on the bus that answer the
// commands discovery and the blank-disc test send, a script that can take over any request,
// and a record of every request seen.
#pragma once

#include "applet/device/Aspi.h"
#include "applet/device/Discovery.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fakeaspi {

using device::TSrbExecScsiCmd;

enum class TMedium { None, Blank, Audio };

struct TSense {
  uint8_t Key, Asc, Ascq;
};
struct TAddress {
  uint8_t Adapter, Target;
};
struct TSpeeds {
  uint16_t ReadKBps, WriteKBps;
};

struct TFakeDrive {
  uint8_t Adapter = 0;
  uint8_t Target = 0;
  uint8_t DeviceType = device::kDeviceTypeCd;
  std::string Vendor = "VIRTUAL";
  std::string Product = "CD-R";
  std::string Revision = "1.0";
  std::vector<uint8_t> Capabilities;  // page 0x2A from its page code on; empty: MODE SENSE fails
  std::vector<uint8_t> WritePage;     // page 0x05; empty: MODE SENSE fails
  bool DefaultWritePageFails = false; // only current values of page 0x05 can be read
  std::vector<uint8_t> WriteTypes;    // write types MODE SELECT accepts (1 TAO, 2 SAO, 3 raw)
  TMedium Medium = TMedium::Blank;
  bool TrayOpen = false;
};

// A capabilities page with the given speeds (kB/s) and page length.
std::vector<uint8_t> CapabilitiesPage(const TSpeeds &maximum, uint8_t pageLength = 0x14);
// A write-parameters page of the usual length with vendor-specific filler past byte 16.
std::vector<uint8_t> WriteParametersPage(uint8_t pageLength = 0x32);
// A recorder accepting the given write types, writing at maxWriteKBps.
TFakeDrive Recorder(const TAddress &address, std::vector<uint8_t> writeTypes = {1, 2, 3},
                    uint16_t maxWriteKBps = 1411);

// One request as the layer received it.
struct TSeenRequest {
  uint8_t Adapter = 0;
  uint8_t Target = 0;
  uint8_t Flags = 0;
  uint8_t Lun = 0;
  uint8_t SenseLen = 0;
  bool HasEvent = false;
  std::vector<uint8_t> Cdb; // CdbLen bytes
  uint32_t BufLen = 0;
  std::vector<uint8_t> DataOut; // the buffer of a data-out request
};

class TFakeAspi {
public:
  TFakeAspi();
  ~TFakeAspi();
  TFakeAspi(const TFakeAspi &) = delete;
  TFakeAspi &operator=(const TFakeAspi &) = delete;

  device::TAspiEntryPoints EntryPoints() const;
  // Requests with this operation code seen so far.
  size_t Count(uint8_t opCode) const;
  const TSeenRequest &Last() const { return Seen.back(); }

  static void Good(TSrbExecScsiCmd &srb);
  static void CheckCondition(TSrbExecScsiCmd &srb, const TSense &sense);
  static void Busy(TSrbExecScsiCmd &srb);

  uint8_t Adapters = 1;
  std::vector<TFakeDrive> Drives;
  // Tried first; returns true when it has answered the request.
  std::function<bool(TSrbExecScsiCmd &)> Script;
  // Complete requests through the completion event and return SS_PENDING.
  bool Pending = true;
  std::vector<TSeenRequest> Seen;
  std::vector<uint8_t> HaInquiries;
  int SupportInfoCalls = 0;

private:
  uint32_t Send(void *srb);
  void Answer(TSrbExecScsiCmd &srb);
  static uint32_t GetSupportInfoEntry();
  static uint32_t SendCommandEntry(void *srb);
};

} // namespace fakeaspi
