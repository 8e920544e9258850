#include "tools/virtual-recorder/CdTextReader.h"

namespace vrec {

namespace {

constexpr size_t kPackSymbols = 24;
constexpr size_t kPacksPerBlock = 4;
constexpr size_t kTextBytes = 12;
constexpr uint8_t kTitle = 0x80, kPerformer = 0x81;
constexpr uint8_t kBlockMask = 0x70;

} // namespace

bool CdTextCrcGood(const uint8_t *pack) {
  uint16_t crc = 0;
  for (size_t i = 0; i < 16; ++i)
    for (int bit = 7; bit >= 0; --bit) {
      const bool top = ((crc >> 15) & 1) != ((pack[i] >> bit) & 1);
      crc = static_cast<uint16_t>(crc << 1);
      if (top)
        crc ^= 0x1021;
    }
  crc = static_cast<uint16_t>(~crc);
  return pack[16] == (crc >> 8) && pack[17] == (crc & 0xFF);
}

void TCdTextReader::Reset() {
  read_ = bad_ = 0;
  packs_.clear();
}

void TCdTextReader::Add(const uint8_t *blocks, size_t count) {
  for (size_t p = 0; p < count * kPacksPerBlock; ++p) {
    const uint8_t *symbols = blocks + p * kPackSymbols;
    std::vector<uint8_t> pack(kTextPackSize, 0);
    for (size_t s = 0; s < kPackSymbols; ++s)
      for (size_t b = 0; b < 6; ++b)
        if ((symbols[s] >> (5 - b) & 1) != 0) {
          const size_t bit = s * 6 + b;
          pack[bit / 8] = static_cast<uint8_t>(pack[bit / 8] | 0x80 >> (bit % 8));
        }
    ++read_;
    if (!CdTextCrcGood(pack.data())) {
      ++bad_;
      continue;
    }
    const auto key = static_cast<uint16_t>((pack[3] & kBlockMask) << 4 | pack[2]);
    packs_.emplace(key, std::move(pack));
  }
}

std::vector<uint8_t> TCdTextReader::Packs() const {
  std::vector<uint8_t> out;
  for (const auto &entry : packs_)
    out.insert(out.end(), entry.second.begin(), entry.second.end());
  return out;
}

TCdTextStrings DecodeCdText(const std::vector<uint8_t> &packs) {
  TCdTextStrings result;
  for (const uint8_t type : {kTitle, kPerformer}) {
    std::vector<std::string> &list = type == kTitle ? result.Titles : result.Performers;
    size_t track = 0;
    bool first = true;
    std::string current;
    for (size_t at = 0; at + kTextPackSize <= packs.size(); at += kTextPackSize) {
      const uint8_t *pack = &packs[at];
      if (pack[0] != type || (pack[3] & kBlockMask) != 0)
        continue;
      if (first) {
        track = pack[1];
        first = false;
      }
      for (size_t i = 0; i < kTextBytes; ++i) {
        if (pack[4 + i] != 0) {
          current.push_back(static_cast<char>(pack[4 + i]));
          continue;
        }
        if (list.size() <= track)
          list.resize(track + 1);
        list[track++] = current;
        current.clear();
      }
    }
  }
  return result;
}

} // namespace vrec
