// CD-TEXT read back from the lead-in of a session-at-once recording: 96-byte blocks of packed
// R-W sub-channel, four packs of 24 six-bit symbols (bits 5-0 of each byte) making 18-byte
// CD-TEXT packs, most significant bit first. Each pack's CRC-16 (polynomial 0x1021, stored
// inverted) is checked; the packs repeat through the lead-in, and the first good copy of each
// (block, sequence number) is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vrec {

constexpr uint32_t kRwBlockSize = 96;
constexpr size_t kTextPackSize = 18;

// The texts of block 0: index 0 is the disc, n track n.
struct TCdTextStrings {
  std::vector<std::string> Titles;
  std::vector<std::string> Performers;
};

class TCdTextReader {
public:
  void Reset();
  void Add(const uint8_t *blocks, size_t count);
  size_t PacksRead() const { return read_; }
  size_t BadPacks() const { return bad_; }
  // The distinct good packs in block and sequence order.
  std::vector<uint8_t> Packs() const;

private:
  size_t read_ = 0;
  size_t bad_ = 0;
  std::map<uint16_t, std::vector<uint8_t>> packs_; // block << 8 | sequence
};

bool CdTextCrcGood(const uint8_t *pack);
// The title and performer strings of block 0 of these packs.
TCdTextStrings DecodeCdText(const std::vector<uint8_t> &packs);

} // namespace vrec
