#include "applet/recording/LeadInText.h"

#include "applet/device/MMC.h"
#include "applet/recording/RecordingThreads.h"

#include <string>

namespace recording {

namespace {

constexpr size_t kPacksPerBlock = 4;
constexpr size_t kSymbolsPerPack = 24;
constexpr size_t kSymbolBits = 6;
constexpr uint8_t kSymbolMask = 0x3F;
constexpr size_t kCueFormByte = 3;
constexpr int32_t kProgramAreaStart = -150; // a blank disc's first pregap block
constexpr int32_t kPacketBlocks = static_cast<int32_t>(65535 / kRwBlockSize);

} // namespace

void PackRwBlock(const std::vector<uint8_t> &packs, int32_t block, uint8_t *out) {
  const size_t count = packs.size() / kTextPackSize;
  for (size_t p = 0; p < kPacksPerBlock; ++p) {
    const uint8_t *pack =
        &packs[((static_cast<size_t>(block) * kPacksPerBlock + p) % count) * kTextPackSize];
    for (size_t s = 0; s < kSymbolsPerPack; ++s) {
      const size_t bit = s * kSymbolBits; // of the 144, from the most significant
      const unsigned pair =
          (unsigned{pack[bit / 8]} << 8) | (bit / 8 + 1 < kTextPackSize ? pack[bit / 8 + 1] : 0U);
      out[p * kSymbolsPerPack + s] =
          static_cast<uint8_t>((pair >> (16 - kSymbolBits - bit % 8)) & kSymbolMask);
    }
  }
}

int32_t TLeadInText::Plan(TCacheThread &t, int32_t leadInStart, int32_t firstBlock) {
  const TRecordingSetup &s = t.Setup();
  if (s.CdTextPacks.empty())
    return 0;
  const char *why = nullptr;
  if (!s.Drive.RWSupported)
    why = "the recorder reports no R-W sub-channel";
  else if (firstBlock != kProgramAreaStart || leadInStart > kLatestLeadInStart ||
           leadInStart < kEarliestLeadInStart)
    why = "the disc gives no lead-in start";
  if (why == nullptr)
    return firstBlock - leadInStart;
  t.Log(std::string("No CD-TEXT: ") + why + "; recording without it");
  return 0;
}

bool TLeadInText::SendCueSheet(TCacheThread &t) {
  const TRecordingSetup &s = t.Setup();
  std::vector<uint8_t> sheet = s.Table;
  if (sheet.size() <= kCueFormByte)
    return false;
  sheet[kCueFormByte] |= kRwPackedForm;
  device::TCommandStatus status;
  if (!device::SendCueSheet(s.Drive.HaId, s.Drive.Target, sheet.data(),
                            static_cast<uint16_t>(sheet.size()), &status))
    return true;
  t.Log("The recorder refused CD-TEXT in the lead-in; recording without it");
  t.LogSense(status);
  return false;
}

bool TLeadInText::Build(TCacheThread &t, int32_t blocks) {
  const std::vector<uint8_t> &packs = t.Setup().CdTextPacks;
  t.Label("Buffering Lead-in");
  t.Log("Processing Lead-in [CD-TEXT, " + std::to_string(packs.size() / kTextPackSize) +
        " packs] [" + std::to_string(blocks) + " Sectors]");
  TPhase p;
  p.Blocks = blocks;
  p.PerPacket = kPacketBlocks;
  p.BlockBytes = kRwBlockSize;
  p.BarLength = blocks;
  p.Build = [&](uint8_t *packet, const TPacketSpan &span) {
    for (int32_t b = 0; b < span.Count; ++b)
      PackRwBlock(packs, span.First + b, packet + static_cast<size_t>(b) * kRwBlockSize);
    return true;
  };
  if (t.RunPhase(p))
    return true;
  t.Log("Error processing Lead-in");
  t.Status().ReaderFailed = true;
  return false;
}

} // namespace recording
