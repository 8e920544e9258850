// The recorder's configuration: one INI section [device.N] per device, N = 0, 1, ... in bus
// order. README.md documents every key.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vrec {

enum class TDeviceKind { Recorder, Reader, Other };
enum class TMediumKind { None, Blank, Audio };
// CD-TEXT in a session-at-once lead-in: taken; refused with page 0x2A saying so (no R-W);
// refused although page 0x2A claims R-W.
enum class TCdTextSupport { Yes, No, Refuse };

struct TFaultConfig {
  uint32_t NotReadyMs = 0;
  bool NotReadyForever = false;
  uint32_t BusyMs = 0;
  bool UnitAttention = false;
  uint8_t UnitAttentionAsc = 0;
  uint8_t UnitAttentionAscq = 0;
  bool WriteError = false;
  int32_t WriteErrorLba = 0;
  bool RejectCueSheet = false;
  bool RemoveMedium = false;
  uint64_t RemoveMediumAfterBlocks = 0;
  bool ResetMidRecording = false;
  uint64_t ResetAfterBlocks = 0;
  uint32_t SyncCacheMs = 0; // SYNCHRONIZE CACHE completes this much later
};

struct TDeviceConfig {
  int Index = 0;
  uint8_t Adapter = 0;
  uint8_t Target = 0;
  TDeviceKind Kind = TDeviceKind::Recorder;
  std::string Vendor;
  std::string Product;
  std::string Revision;
  uint16_t MaxWriteKbps = 0;
  uint16_t MaxReadKbps = 0;
  uint8_t CapabilitiesPageLength = 0;
  bool CanSao = false;
  bool CanRaw = false;
  bool CanTao = false;
  TMediumKind Medium = TMediumKind::None;
  std::vector<int32_t> AudioTracks; // lengths in blocks of the tracks of an "audio" medium
  bool TrayOpen = false;
  std::string ImageStem;   // empty: no image files
  std::string JournalPath; // empty: no journal
  uint32_t SpeedX = 0;     // 0: unlimited
  uint32_t BufferKb = 0;   // the drive buffer that pacing fills and drains
  bool Async = true;
  bool MediumChangeAttention = true;
  uint32_t MaxTransferBytes = 0;
  TCdTextSupport CdText = TCdTextSupport::Yes;
  TFaultConfig Faults;
  // The section's lines, comments included: any change to them is a new disc.
  std::string SectionText;
};

struct TConfig {
  std::vector<TDeviceConfig> Devices;
};

// Parses configuration text; relative paths are taken from baseDir (ending in a separator,
// or empty for the current folder). False with a message naming the section and key.
bool ParseConfig(const std::string &text, const std::string &baseDir, TConfig &config,
                 std::string &error);

} // namespace vrec
