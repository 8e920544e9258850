#include "applet/recording/Scramble.h"

#include "applet/recording/SectorLayout.h"

#include <cstring>

namespace recording {

namespace {

constexpr size_t kWords = kScrambledSize / sizeof(uint32_t); // 585
static_assert(kScrambledSize % sizeof(uint32_t) == 0, "whole words");
constexpr unsigned kRegisterPreset = 0x0001;
constexpr unsigned kRegisterTopBit = 14; // a 15-bit register

struct TScrambleTable {
  uint32_t Words[kWords];
};

TScrambleTable BuildTable() {
  uint8_t bytes[kScrambledSize];
  unsigned shiftRegister = kRegisterPreset;
  for (uint8_t &byte : bytes) {
    unsigned value = 0;
    for (unsigned bit = 0; bit < 8; ++bit) {
      value |= (shiftRegister & 1u) << bit;
      const unsigned feedback = (shiftRegister ^ (shiftRegister >> 1)) & 1u;
      shiftRegister = (shiftRegister >> 1) | (feedback << kRegisterTopBit);
    }
    byte = static_cast<uint8_t>(value);
  }
  TScrambleTable table{};
  std::memcpy(table.Words, bytes, sizeof bytes); // words in the machine's byte order
  return table;
}

const TScrambleTable &Table() {
  static const TScrambleTable table = BuildTable();
  return table;
}

} // namespace

void InitScrambleTable() { Table(); }

void ScrambleSector(uint8_t *sector) {
  const uint32_t *words = Table().Words;
  uint8_t *p = sector + kSyncSize;
  for (size_t i = 0; i < kWords; ++i, p += sizeof(uint32_t)) {
    uint32_t w;
    std::memcpy(&w, p, sizeof w);
    w ^= words[i];
    std::memcpy(p, &w, sizeof w);
  }
}

} // namespace recording
