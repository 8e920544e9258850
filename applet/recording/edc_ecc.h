// Error detection and correction codes of a raw CD data sector: the 32-bit EDC and the P and
// Q parity of the Reed-Solomon product code. The routines work in place on one 2352-byte
// sector, keep no state of their own and may run in any thread; their tables are built once.
#pragma once

#include "applet/device/TrackMode.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace recording {

// Builds the EDC, P, Q and position tables now (call at program start); the routines below
// otherwise build them on first use.
void InitEccTables();

// The EDC of size bytes: reflected CRC, register starting at 0, not inverted at the end.
uint32_t EdcOf(const uint8_t *data, size_t size);

// For Mode 1 stores the EDC of bytes 0-2063 at 2064-2067, least significant byte first. Other
// modes carry no EDC here and leave the sector unchanged.
void ComputeEDC(uint8_t *sector, device::TTrackMode mode);

// Adds (XOR) the P parity of bytes 12-2075 into bytes 2076-2247. Gives the parity only when
// those bytes are zero on entry.
void ComputeParityP(uint8_t *sector);

// Adds (XOR) the Q parity of bytes 12-2247 into bytes 2248-2351. Gives the parity only when
// those bytes are zero on entry. Q covers the P bytes, so P comes first.
void ComputeParityQ(uint8_t *sector);

} // namespace recording
