// The recording state of one recorder: session-at-once (cue sheet, then the blocks it
// describes), raw disc-at-once (2368-byte blocks from the lead-in through the lead-out) and
// track-at-once (tracks at the next writable address, closed by SYNCHRONIZE CACHE, the
// session by CLOSE SESSION). It checks every write's address, size and order, keeps the disc
// model up to date and writes the disc image; a test write goes through the same checks and
// records nothing.
#pragma once

#include "tools/virtual-recorder/CdTextReader.h"
#include "tools/virtual-recorder/Config.h"
#include "tools/virtual-recorder/CueSheet.h"
#include "tools/virtual-recorder/Disc.h"
#include "tools/virtual-recorder/ImageWriter.h"
#include "tools/virtual-recorder/Journal.h"
#include "tools/virtual-recorder/ModePages.h"
#include "tools/virtual-recorder/QCheck.h"
#include "tools/virtual-recorder/Scsi.h"
#include "tools/virtual-recorder/SectorCodec.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vrec {

class TWriteEngine {
public:
  TWriteEngine(TDisc &disc, TJournal &journal) : disc_(disc), journal_(journal) {}

  void Configure(const std::string &imageStem, const TFaultConfig &faults,
                 TCdTextSupport cdText = TCdTextSupport::Yes) {
    stem_ = imageStem;
    faults_ = faults;
    cdText_ = cdText;
  }
  // A new disc: everything about the previous one is forgotten.
  void Reset();
  // Blocks are streaming (the write parameters may not change now).
  bool Streaming() const { return mode_ >= TMode::SaoWriting; }
  bool CueArmed() const { return mode_ == TMode::SaoArmed; }
  void DropCue(const std::string &why);

  TResult SendCueSheet(const TWriteParams &params, const uint8_t *data, size_t size);
  TResult Write(const TWriteParams &params, int32_t lba, uint32_t blocks, const uint8_t *data,
                uint32_t length);
  TResult Synchronize();
  // Closes the open track or the session; a test close records nothing.
  TResult Close(uint8_t function, bool test);
  // The medium left the drive in the middle of a recording: the disc is ruined.
  void Interrupt(const std::string &why);
  // The drive's buffer ran empty while blocks streamed: the recording ends, the disc is ruined.
  TResult BufferUnderrun(const std::string &why);

private:
  enum class TMode { Idle, SaoArmed, SaoWriting, RawWriting, TaoTrack };

  TResult StartSao(int32_t lba);
  TResult WriteSao(int32_t lba, uint32_t blocks, const uint8_t *data, uint32_t length);
  TResult StartRaw(const TWriteParams &params, int32_t lba);
  TResult WriteRaw(int32_t lba, uint32_t blocks, const uint8_t *data, uint32_t length);
  TResult StartTaoTrack(const TWriteParams &params, int32_t lba);
  TResult WriteTao(int32_t lba, uint32_t blocks, const uint8_t *data, uint32_t length);
  void CloseTaoTrack();
  TResult CloseTaoSession(bool test);
  void FinishRaw();
  // Moves past blocks the recorder generates itself, putting them into the image.
  bool AdvanceOverGenerated(std::string &error);
  int32_t FirstHostBlock() const;
  bool BeginImage(bool withSub);
  bool PutImage(int32_t lba, const uint8_t *sectors, size_t count);
  bool PutEmpty(int dataMode, int32_t from, int32_t to);
  void FinishDisc(const char *method);
  TResult WriteFault(int32_t lba, uint32_t blocks);
  TResult ImageFailure(const std::string &error);

  TDisc &disc_;
  TJournal &journal_;
  std::string stem_;
  TFaultConfig faults_;
  TCdTextSupport cdText_ = TCdTextSupport::Yes;
  TCdTextReader text_;
  TMode mode_ = TMode::Idle;
  bool test_ = false;
  TWriteParams params_;
  TCueLayout cue_;
  int32_t next_ = 0;
  int32_t trackStart_ = 0;
  int taoTestTracks_ = 0;
  std::unique_ptr<TQChecker> q_;
  TImageWriter image_;
  bool imageBroken_ = false;
  std::vector<uint8_t> sectors_;
};

} // namespace vrec
