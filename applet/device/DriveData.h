// The records of the device layer: one CD device found on the bus, the disc and track
// information answers, and the argument of the write commands.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace device {

// The write methods. The numbers are the session's codes: they index its statistics.
enum TWriteMethod : uint8_t {
  Dao = 0, // disc-at-once, raw
  Sao = 1, // session-at-once
  Tao = 2, // track-at-once
};

constexpr size_t kModePageBufferSize = 255;

// One choice of a speed list: a factor text ("Max", "8x") and the speed for SetCDSpeed.
struct TSpeedEntry {
  std::string Text;
  uint16_t KBps = 0;
  bool operator==(const TSpeedEntry &o) const { return Text == o.Text && KBps == o.KBps; }
};
using TSpeedList = std::vector<TSpeedEntry>;

// One CD device found by discovery. A plain value: copies are independent and equal.
struct TDriveData {
  bool CapabilitiesRead = false;
  bool IsRecorder = false;
  bool CanSAO = false;
  bool CanRaw = false;
  bool CanTAO = false;
  TSpeedList ReadSpeeds;
  TSpeedList WriteSpeeds;
  uint8_t HaId = 0;
  uint8_t Target = 0;
  std::string Vendor;
  std::string Product;
  std::string Revision;
  uint8_t CapPageLength = 0;
  bool ReadMethod2 = false, ReadCDRW = false, ReadCDR = false;
  bool CanTestWrite = false, WriteCDRW = false, WriteCDR = false;
  bool MultiSession = false, Mode2Form2 = false, Mode2Form1 = false, DigitalPort2 = false,
       DigitalPort1 = false, Composite = false, AudioPlay = false;
  bool ReadBarCode = false, UPC = false, ISRC = false, C2Pointers = false, RWDeinterleaved = false,
       RWSupported = false, CDDAStreamAccurate = false, CDDACommands = false;
  bool CanEject = false, PreventJumper = false, LockState = false, CanLock = false;
  bool SideChange = false, SlotSelection = false, SeparateChannelMute = false,
       SeparateVolume = false;
  std::string LoadingMechanism;
  uint16_t VolumeLevels = 0;
  uint16_t BufferSize = 0;
  uint16_t CurrentReadSpeed = 0;
  std::string DigitalOutLength;
  bool LSBF = false, RCK = false, BCKF = false;
  uint16_t MaxWriteSpeed = 0;
  uint16_t MaxReadSpeed = 0;
  int16_t MaxWriteX = -1;
  int16_t MaxReadX = -1;
  uint16_t CurrentWriteSpeed = 0;
  // The MODE SENSE answer holding the write-parameters page: the template of SetWriteParams.
  std::array<uint8_t, kModePageBufferSize> ModePage5{};
};

constexpr size_t kDiscInfoRawSize = 34;

struct TDiscInfo {
  uint8_t Raw[kDiscInfoRawSize] = {};
  uint16_t DataLength = 0;
  bool Erasable = false;
  uint8_t LastSessionState = 0; // 0, 4, 8 or 12
  uint8_t DiscStatus = 0;
  bool DiscIdValid = false, BarCodeValid = false, UnrestrictedUse = false;
  uint32_t DiscIdentification = 0;
  int32_t LastSessionLeadInStart = 0;
  int32_t LastPossibleLeadOutStart = 0;
};

struct TTrackInfo {
  uint16_t DataLength = 0;
  uint8_t TrackNumber = 0;
  uint8_t SessionNumber = 0;
  bool Damage = false, Copy = false;
  uint8_t TrackMode = 0;
  bool RT = false, Blank = false, Packet = false, FP = false;
  uint8_t DataMode = 0;
  int32_t TrackStart = 0;
  int32_t NextWritable = 0;
  int32_t FreeBlockCount = 0;
  int32_t FixedPacketSize = 0;
  int32_t TrackSize = 0;
};

// The argument of Write10 and Write12; the caller owns the buffer.
struct TWriteRequest {
  uint8_t *Buffer = nullptr;
  uint32_t BufferLength = 0;
  uint32_t SectorCount = 0;
  int32_t Lba = 0; // negative in the pregap and lead-in area
};

} // namespace device
