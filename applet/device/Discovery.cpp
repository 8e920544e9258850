#include "applet/device/Discovery.h"

#include "applet/device/Aspi.h"
#include "applet/device/BigEndian.h"
#include "applet/device/MMC.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace device {

namespace {

constexpr size_t kVendorStart = 8, kVendorEnd = 16;
constexpr size_t kProductEnd = 32;
constexpr size_t kRevisionEnd = 36;
constexpr uint8_t kMinPageLengthForWriteSpeeds = 20;
constexpr uint16_t kModeSenseLength = kModePageBufferSize;
constexpr uint16_t kLargestListedFactor = 40;
constexpr uint16_t kListedFactors[] = {40, 30, 20, 16, 12, 10, 8, 6, 4, 2, 1};
constexpr size_t kNameBufferSize = 16;

// The one-bit fields of the capabilities page: page byte, bit, field.
struct TCapabilityBit {
  uint8_t Byte;
  uint8_t Bit;
  bool TDriveData::*Field;
};
constexpr TCapabilityBit kCapabilityBits[] = {
    {2, 2, &TDriveData::ReadMethod2},
    {2, 1, &TDriveData::ReadCDRW},
    {2, 0, &TDriveData::ReadCDR},
    {3, 2, &TDriveData::CanTestWrite},
    {3, 1, &TDriveData::WriteCDRW},
    {3, 0, &TDriveData::WriteCDR},
    {4, 6, &TDriveData::MultiSession},
    {4, 5, &TDriveData::Mode2Form2},
    {4, 4, &TDriveData::Mode2Form1},
    {4, 3, &TDriveData::DigitalPort2},
    {4, 2, &TDriveData::DigitalPort1},
    {4, 1, &TDriveData::Composite},
    {4, 0, &TDriveData::AudioPlay},
    {5, 7, &TDriveData::ReadBarCode},
    {5, 6, &TDriveData::UPC},
    {5, 5, &TDriveData::ISRC},
    {5, 4, &TDriveData::C2Pointers},
    {5, 3, &TDriveData::RWDeinterleaved},
    {5, 2, &TDriveData::RWSupported},
    {5, 1, &TDriveData::CDDAStreamAccurate},
    {5, 0, &TDriveData::CDDACommands},
    {6, 3, &TDriveData::CanEject},
    {6, 2, &TDriveData::PreventJumper},
    {6, 1, &TDriveData::LockState},
    {6, 0, &TDriveData::CanLock},
    {7, 3, &TDriveData::SideChange},
    {7, 2, &TDriveData::SlotSelection},
    {7, 1, &TDriveData::SeparateChannelMute},
    {7, 0, &TDriveData::SeparateVolume},
    {17, 3, &TDriveData::LSBF},
    {17, 2, &TDriveData::RCK},
    {17, 1, &TDriveData::BCKF},
};

struct TLists {
  std::vector<std::unique_ptr<TDriveData>> Owned;
  TDriveList All;
  TDriveList Recorders;
};

TLists &Lists() {
  static TLists lists;
  return lists;
}

std::string TrimmedField(const std::vector<uint8_t> &inquiry, size_t from, size_t to) {
  to = std::min(to, inquiry.size());
  std::string text;
  if (from < to)
    text.assign(inquiry.begin() + static_cast<std::ptrdiff_t>(from),
                inquiry.begin() + static_cast<std::ptrdiff_t>(to));
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
    text.pop_back();
  return text;
}

bool Bit(uint8_t byte, int bit) { return ((byte >> bit) & 1) != 0; }

// "0"/"1" for the low Count bits of value, highest first.
template <int Count> std::string BitText(unsigned value) {
  std::string text;
  for (int bit = Count - 1; bit >= 0; --bit)
    text += ((value >> bit) & 1) != 0 ? '1' : '0';
  return text;
}

TSpeedEntry FactorEntry(uint16_t factor) {
  return {std::to_string(factor) + "x", static_cast<uint16_t>(factor * kKBpsPerFactor)};
}

} // namespace

const TDriveList &AllDevices() { return Lists().All; }
const TDriveList &Recorders() { return Lists().Recorders; }

void ClearDriveLists() { Lists() = TLists(); }

std::string DisplayName(const TDriveData &drive) {
  char prefix[kNameBufferSize];
  std::snprintf(prefix, sizeof prefix, "%.2X:%.2X  ", unsigned{drive.HaId}, unsigned{drive.Target});
  return prefix + drive.Vendor + " " + drive.Product + " " + drive.Revision;
}

int16_t SpeedFactor(uint16_t kbps) {
  const int quotient = kbps / kKBpsPerFactor;
  const int twiceRest = 2 * (kbps % kKBpsPerFactor);
  const bool up = twiceRest > kKBpsPerFactor || (twiceRest == kKBpsPerFactor && quotient % 2 != 0);
  return static_cast<int16_t>(quotient + (up ? 1 : 0));
}

TSpeedList SpeedList(uint16_t factor) {
  TSpeedList list{{"Max", kSpeedMax}};
  if (factor > kLargestListedFactor && factor != kUnknownFactor)
    list.push_back(FactorEntry(factor));
  for (uint16_t listed : kListedFactors)
    if (listed <= factor)
      list.push_back(FactorEntry(listed));
  return list;
}

bool ParseCapabilities(const std::vector<uint8_t> &answer, TDriveData &d) {
  const size_t start = FindModePage(answer.data(), answer.size(), kPageCapabilities);
  if (start == kNoModePage)
    return false;
  // Page byte n, or 0 where the page would run past the answer.
  auto at = [&](size_t n) -> uint8_t {
    return start + n < answer.size() ? answer[start + n] : uint8_t{0};
  };
  auto at16 = [&](size_t n) -> uint16_t {
    const uint8_t bytes[2] = {at(n), at(n + 1)};
    return GetBe16(bytes);
  };

  d.CapPageLength = at(1);
  for (const TCapabilityBit &flag : kCapabilityBits)
    d.*flag.Field = Bit(at(flag.Byte), flag.Bit);
  d.LoadingMechanism = BitText<3>(at(6) >> 5);
  d.MaxReadSpeed = at16(8);
  d.VolumeLevels = at16(10);
  d.BufferSize = at16(12);
  d.CurrentReadSpeed = at16(14);
  d.DigitalOutLength = BitText<2>(at(17) >> 4);
  if (d.CapPageLength >= kMinPageLengthForWriteSpeeds) {
    d.MaxWriteSpeed = at16(18);
    d.CurrentWriteSpeed = at16(20);
    d.MaxWriteX = SpeedFactor(d.MaxWriteSpeed);
  }
  if (!d.WriteCDR && !d.ReadCDR)
    d.ReadCDR = true;
  d.MaxReadX = SpeedFactor(d.MaxReadSpeed);
  return true;
}

bool ReadCapabilities(TDriveData &drive) {
  std::vector<uint8_t> answer;
  if (ModeSense(drive.HaId, drive.Target, TPageControl::Default, kPageCapabilities, answer,
                kModeSenseLength))
    return false;
  return ParseCapabilities(answer, drive);
}

bool DetectWriteMethods(TDriveData &drive) {
  std::vector<uint8_t> answer;
  if (ModeSense(drive.HaId, drive.Target, TPageControl::Default, kPageWriteParameters, answer,
                kModeSenseLength) &&
      ModeSense(drive.HaId, drive.Target, TPageControl::Current, kPageWriteParameters, answer,
                kModeSenseLength))
    return false;
  std::copy(answer.begin(), answer.end(), drive.ModePage5.begin());
  auto accepts = [&](TWriteMethod method) {
    return !SetWriteParams(drive, method, TTrackMode::Audio, TDiscType::DaOrRom, true, false);
  };
  drive.CanSAO = accepts(Sao);
  drive.CanRaw = accepts(Dao);
  drive.CanTAO = accepts(Tao);
  return drive.CanSAO || drive.CanRaw || drive.CanTAO;
}

void InspectDevice(TDriveData &drive, const std::vector<uint8_t> &inquiry) {
  drive.Vendor = TrimmedField(inquiry, kVendorStart, kVendorEnd);
  drive.Product = TrimmedField(inquiry, kVendorEnd, kProductEnd);
  drive.Revision = TrimmedField(inquiry, kProductEnd, kRevisionEnd);
  drive.CapabilitiesRead = ReadCapabilities(drive);
  drive.IsRecorder = DetectWriteMethods(drive);
  drive.ReadSpeeds = SpeedList(static_cast<uint16_t>(drive.MaxReadX));
  drive.WriteSpeeds = SpeedList(static_cast<uint16_t>(drive.MaxWriteX));
}

void BusScan() {
  std::vector<uint8_t> inquiry;
  const uint8_t adapters = AdapterCount();
  for (uint8_t adapter = 0; adapter < adapters; ++adapter) {
    HostAdapterInquiry(adapter);
    for (uint8_t target = 0; target < kTargetsPerAdapter; ++target) {
      if (Inquiry(adapter, target, inquiry, kInquiryLength) ||
          (inquiry[0] & kDeviceTypeMask) != kDeviceTypeCd)
        continue;
      TLists &lists = Lists();
      auto drive = std::make_unique<TDriveData>();
      drive->HaId = adapter;
      drive->Target = target;
      InspectDevice(*drive, inquiry);
      const TDriveData *record = drive.get();
      lists.Owned.push_back(std::move(drive));
      lists.All.push_back({DisplayName(*record), record});
      if (record->IsRecorder)
        lists.Recorders.push_back({DisplayName(*record), record});
    }
  }
}

bool IsDiscBlank(uint8_t adapter, uint8_t target) {
  if (TestUnitReady(adapter, target))
    StartStopUnit(adapter, target, TStartStopAction::Load);
  const bool ready = !TestUnitReady(adapter, target);
  std::vector<uint8_t> toc;
  const bool noToc = ReadTOC(adapter, target, TTocFormat::TocFull, false, true, toc);
  return ready && noToc;
}

bool EjectDisc(uint8_t adapter, uint8_t target) {
  return StartStopUnit(adapter, target, TStartStopAction::Eject);
}

} // namespace device
