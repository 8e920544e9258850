// CD-TEXT in the lead-in of a session-at-once recording. The cue sheet's lead-in entry asks
// for packed R-W sub-channel data from the host (data form 0x41: CD-DA made by the recorder,
// sub-channel form 0x40), and the host writes every lead-in block, from the lead-in start of
// READ DISC INFORMATION up to LBA -151, as 96 bytes of packed R-W and no main data.
//
// Packed R-W, the one encoding both sides use: a block carries four 24-byte packs; each is one
// 18-byte CD-TEXT pack read as 144 bits, most significant bit first, cut into 24 six-bit
// symbols, each symbol in bits 5-0 of its byte (bits 7-6 zero). Block n of the lead-in holds
// the CD-TEXT packs 4n .. 4n+3 of the endlessly repeated pack sequence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace recording {

class TCacheThread;

constexpr uint32_t kRwBlockSize = 96;
constexpr uint8_t kRwPackedForm = 0x40; // sub-channel data form bits of a cue sheet entry
constexpr size_t kTextPackSize = 18;

// The 96 bytes of lead-in block n for these packs (18 bytes each, at least one).
void PackRwBlock(const std::vector<uint8_t> &packs, int32_t block, uint8_t *out);

// The session-at-once side: whether CD-TEXT goes into the lead-in, and its blocks.
class TLeadInText {
public:
  // After the disc information: the lead-in blocks the host would write, 0 when there is no
  // CD-TEXT to write or the recorder cannot take it (logged). firstBlock is where the
  // program area starts.
  int32_t Plan(TCacheThread &t, int32_t leadInStart, int32_t firstBlock);
  // Sends the cue sheet with the R-W lead-in entry; false, logged, when the recorder refuses
  // it: the caller then sends the plain one.
  bool SendCueSheet(TCacheThread &t);
  // Builds the lead-in blocks (the phase before the first pregap); false when it failed.
  bool Build(TCacheThread &t, int32_t blocks);
};

} // namespace recording
