// The ECMA-130 scrambler: bytes 12-2351 of a raw data sector XORed with the sequence of a
// 15-bit shift register (x^15 + x + 1, preset to 1, least significant bit first). Scrambling
// twice restores the sector; the sync is never touched.
#pragma once

#include <cstdint>

namespace recording {

// Builds the scrambler table now (call at program start); ScrambleSector otherwise builds it on
// first use.
void InitScrambleTable();

// Scrambles (or unscrambles) one 2352-byte sector in place, 32 bits at a time.
void ScrambleSector(uint8_t *sector);

} // namespace recording
