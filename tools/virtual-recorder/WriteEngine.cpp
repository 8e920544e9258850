#include "tools/virtual-recorder/WriteEngine.h"

#include <algorithm>
#include <cstring>

namespace vrec {

namespace {

constexpr int32_t kMinTrackBlocks = 300; // four seconds
constexpr int32_t kTaoPregap = 150;
constexpr size_t kSubHeaderByte = 48;
constexpr uint8_t kMaxTracks = 99;
constexpr uint8_t kCloseTrack = 1, kCloseSession = 2;

TBlockFormat FormatOfDataBlockType(uint8_t dbt) {
  switch (dbt) {
  case 8:
    return TBlockFormat::Mode1;
  case 9:
    return TBlockFormat::Mode2;
  case 10:
    return TBlockFormat::Mode2Form1;
  case 11:
    return TBlockFormat::Mode2Form1Sub;
  case 12:
    return TBlockFormat::Mode2Form2;
  case 13:
    return TBlockFormat::Mode2WithSub;
  default:
    return TBlockFormat::Audio;
  }
}

int DataModeOfDataBlockType(uint8_t dbt) { return dbt == 8 ? 1 : dbt > 8 ? 2 : 0; }

TBlockFormat FormatOfCueForm(uint8_t f) {
  switch (f) {
  case form::kMode1:
    return TBlockFormat::Mode1;
  case form::kMode2:
    return TBlockFormat::Mode2;
  case form::kMode1Raw:
  case form::kMode2Raw:
    return TBlockFormat::RawSector;
  default:
    return TBlockFormat::Audio;
  }
}

int DataModeOfCueForm(uint8_t f) { return f >> 4; }

TResult Underrun(uint32_t expected, uint32_t length) {
  TResult r;
  r.HaStatus = 0x12; // data over/underrun
  r.Note = "transfer of " + std::to_string(length) + " bytes where the blocks need " +
           std::to_string(expected);
  return r;
}

} // namespace

void TWriteEngine::Reset() {
  image_.Close();
  mode_ = TMode::Idle;
  taoTestTracks_ = 0;
  q_.reset();
  cue_ = TCueLayout();
  imageBroken_ = false;
}

void TWriteEngine::DropCue(const std::string &why) {
  if (mode_ == TMode::SaoArmed) {
    mode_ = TMode::Idle;
    cue_ = TCueLayout();
    journal_.Note("cue sheet discarded: " + why);
  }
}

void TWriteEngine::Interrupt(const std::string &why) {
  taoTestTracks_ = 0;
  DropCue(why);
  if (!Streaming())
    return;
  if (test_) {
    journal_.Note("test write ended by " + why);
  } else {
    disc_.State = TDiscState::Damaged;
    disc_.TrackOpen = false;
    image_.Close();
    journal_.Note("recording broken off by " + why + ": the disc is unusable, no image");
  }
  mode_ = TMode::Idle;
}

bool TWriteEngine::BeginImage(bool withSub) {
  imageBroken_ = false;
  if (test_ || stem_.empty())
    return true;
  std::string error;
  if (!image_.Begin(stem_, withSub, error)) {
    journal_.Note("image: " + error);
    imageBroken_ = true;
    return false;
  }
  return true;
}

bool TWriteEngine::PutImage(int32_t lba, const uint8_t *sectors, size_t count) {
  if (test_ || !image_.IsOpen())
    return true;
  if (lba < 0) {
    const size_t skip = static_cast<size_t>(-lba);
    if (skip >= count)
      return true;
    sectors += skip * kSectorSize;
    count -= skip;
    lba = 0;
  }
  std::string error;
  if (!image_.PutSectors(lba, sectors, count, error)) {
    journal_.Note("image: " + error);
    imageBroken_ = true;
    return false;
  }
  return true;
}

bool TWriteEngine::PutEmpty(int dataMode, int32_t from, int32_t to) {
  uint8_t sector[kSectorSize];
  for (int32_t lba = from < 0 ? 0 : from; lba < to; ++lba) {
    BuildEmptySector(dataMode, lba, sector);
    if (!PutImage(lba, sector, 1))
      return false;
  }
  return true;
}

TResult TWriteEngine::ImageFailure(const std::string &error) {
  Interrupt("an image file error");
  return TResult::Check(sense::kWriteError, error);
}

TResult TWriteEngine::BufferUnderrun(const std::string &why) {
  Interrupt("a " + why);
  return TResult::Check(sense::kBufferUnderrun, why);
}

TResult TWriteEngine::WriteFault(int32_t lba, uint32_t blocks) {
  if (!faults_.WriteError || faults_.WriteErrorLba < lba ||
      faults_.WriteErrorLba >= lba + static_cast<int32_t>(blocks))
    return TResult::Good();
  Interrupt("the write error fault at " + std::to_string(faults_.WriteErrorLba));
  return TResult::Check(sense::kWriteError, "fault: write error");
}

void TWriteEngine::FinishDisc(const char *method) {
  disc_.State = TDiscState::Complete;
  disc_.TrackOpen = false;
  std::string where = "no image";
  if (image_.IsOpen()) {
    std::string error;
    if (image_.Finish(disc_, error))
      where = "image " + stem_ + ".cue";
    else
      where = "image failed: " + error;
  } else if (imageBroken_) {
    where = "image failed earlier";
  }
  journal_.Note(std::string(method) +
                " recording complete: " + std::to_string(disc_.Tracks.size()) +
                " track(s), lead-out at " + std::to_string(disc_.LeadOut) + "; " + where);
  mode_ = TMode::Idle;
}

TResult TWriteEngine::SendCueSheet(const TWriteParams &params, const uint8_t *data, size_t size) {
  if (params.WriteType != wt::kSao)
    return TResult::Check(sense::kCommandSequence, "the write type is not session-at-once");
  if (Streaming())
    return TResult::Check(sense::kCommandSequence, "a recording is in progress");
  if (!disc_.Recordable || disc_.State != TDiscState::Blank)
    return TResult::Check(sense::kIncompatibleFormat, "the disc is not blank");
  if (faults_.RejectCueSheet)
    return TResult::Check(sense::kInvalidFieldInParameters, "fault: cue sheet rejected");
  TCueLayout layout;
  TSense s;
  std::string why;
  if (!ParseCueSheet(data, size, disc_.LastLeadOut, layout, s, why)) {
    DropCue("a new one was refused");
    return TResult::Check(s, "cue sheet: " + why);
  }
  if (layout.LeadInRw) {
    if (cdText_ != TCdTextSupport::Yes) {
      DropCue("a new one was refused");
      return TResult::Check(sense::kInvalidFieldInParameters,
                            "cue sheet: this recorder writes no R-W sub-channel in the lead-in");
    }
    TCueRange leadIn;
    leadIn.Start = disc_.LeadInStart;
    leadIn.End = -kPregapFrames;
    leadIn.DataForm = static_cast<uint8_t>(layout.LeadInForm | form::kRwPacked);
    leadIn.BlockSize = kRwBlockSize;
    layout.Ranges.insert(layout.Ranges.begin(), leadIn);
  }
  cue_ = layout;
  params_ = params;
  mode_ = TMode::SaoArmed;
  TResult r;
  r.Note = "cue sheet: " + std::to_string(cue_.Tracks.size()) + " track(s), lead-out at " +
           std::to_string(cue_.LeadOut) + ", first block " + std::to_string(FirstHostBlock());
  for (size_t i = 0; i < cue_.Tracks.size(); ++i) {
    const int32_t end =
        i + 1 < cue_.Tracks.size() ? cue_.Tracks[i + 1].PregapStart() : cue_.LeadOut;
    if (end - cue_.Tracks[i].Start() < kMinTrackBlocks)
      journal_.Note("track " + std::to_string(cue_.Tracks[i].Number) +
                    " is shorter than four seconds");
  }
  return r;
}

int32_t TWriteEngine::FirstHostBlock() const {
  for (const TCueRange &r : cue_.Ranges)
    if (r.BlockSize != 0)
      return r.Start;
  return cue_.LeadOut;
}

bool TWriteEngine::AdvanceOverGenerated(std::string &error) {
  for (const TCueRange *r = cue_.RangeAt(next_); r != nullptr && r->BlockSize == 0;
       r = cue_.RangeAt(next_)) {
    if (!PutEmpty(DataModeOfCueForm(r->DataForm), next_, r->End)) {
      error = "image write failed";
      return false;
    }
    next_ = r->End;
  }
  return true;
}

TResult TWriteEngine::StartSao(int32_t lba) {
  if (lba != FirstHostBlock())
    return TResult::Check(sense::kInvalidWriteAddress,
                          "session-at-once writing starts at " + std::to_string(FirstHostBlock()));
  test_ = params_.TestWrite;
  mode_ = TMode::SaoWriting;
  next_ = cue_.LeadInRw ? disc_.LeadInStart : -kPregapFrames;
  text_.Reset();
  std::string error;
  if (!BeginImage(false) || !AdvanceOverGenerated(error))
    return ImageFailure("image: cannot write " + stem_);
  return TResult::Good();
}

TResult TWriteEngine::WriteSao(int32_t lba, uint32_t blocks, const uint8_t *data, uint32_t length) {
  if (lba != next_)
    return TResult::Check(sense::kInvalidWriteAddress,
                          "expected the write at " + std::to_string(next_));
  if (lba + static_cast<int64_t>(blocks) > cue_.LeadOut)
    return TResult::Check(sense::kLbaOutOfRange, "the write passes the lead-out");
  uint64_t expected = 0;
  for (int32_t a = lba; a < lba + static_cast<int32_t>(blocks);) {
    const TCueRange *r = cue_.RangeAt(a);
    if (r->BlockSize == 0)
      return TResult::Check(sense::kInvalidWriteAddress,
                            "blocks from " + std::to_string(a) + " are made by the recorder");
    const int32_t n = std::min(r->End, lba + static_cast<int32_t>(blocks)) - a;
    expected += uint64_t{r->BlockSize} * static_cast<uint32_t>(n);
    a += n;
  }
  if (expected != length)
    return Underrun(static_cast<uint32_t>(expected), length);
  TResult fault = WriteFault(lba, blocks);
  if (!fault.Ok())
    return fault;
  const uint8_t *src = data;
  for (int32_t a = lba; a < lba + static_cast<int32_t>(blocks);) {
    const TCueRange *r = cue_.RangeAt(a);
    const int32_t n = std::min(r->End, lba + static_cast<int32_t>(blocks)) - a;
    const TBlockFormat f = FormatOfCueForm(r->DataForm);
    bool ok = true;
    if (r->BlockSize == kRwBlockSize) {
      text_.Add(src, static_cast<size_t>(n));
    } else if (f == TBlockFormat::Audio || f == TBlockFormat::RawSector) {
      ok = PutImage(a, src, static_cast<size_t>(n));
    } else {
      sectors_.resize(static_cast<size_t>(n) * kSectorSize);
      for (int32_t i = 0; i < n; ++i)
        BuildSector(f, a + i, src + static_cast<size_t>(i) * r->BlockSize, params_.Page,
                    &sectors_[static_cast<size_t>(i) * kSectorSize]);
      ok = PutImage(a, sectors_.data(), static_cast<size_t>(n));
    }
    if (!ok)
      return ImageFailure("image: cannot write " + stem_ + ".bin");
    src += static_cast<size_t>(n) * r->BlockSize;
    a += n;
  }
  next_ = lba + static_cast<int32_t>(blocks);
  std::string error;
  if (!AdvanceOverGenerated(error))
    return ImageFailure("image: cannot write " + stem_ + ".bin");
  if (next_ == cue_.LeadOut) {
    if (test_) {
      journal_.Note("test write complete: nothing recorded, the disc stays blank");
      mode_ = TMode::Idle;
      return TResult::Good();
    }
    disc_.Tracks.clear();
    for (size_t i = 0; i < cue_.Tracks.size(); ++i) {
      const TCueTrack &c = cue_.Tracks[i];
      TDiscTrack t;
      t.Number = c.Number;
      t.CtlAdr = c.CtlAdr;
      t.DataMode = DataModeOfCueForm(c.DataForm);
      t.PregapStart = c.PregapStart();
      for (const TCueIndex &x : c.Indexes)
        if (x.Number > 0)
          t.Indexes.push_back(x.Lba);
      t.End = i + 1 < cue_.Tracks.size() ? cue_.Tracks[i + 1].PregapStart() : cue_.LeadOut;
      disc_.Tracks.push_back(t);
    }
    disc_.LeadOut = cue_.LeadOut;
    disc_.SessionFormat = params_.SessionFormat;
    if (cue_.LeadInRw) {
      disc_.CdTextPacks = text_.Packs();
      journal_.Note("CD-TEXT in the lead-in: " + std::to_string(text_.PacksRead()) +
                    " packs read, " + std::to_string(text_.BadPacks()) + " with a bad CRC, " +
                    std::to_string(disc_.CdTextPacks.size() / kTextPackSize) + " distinct");
    }
    FinishDisc("session-at-once");
  }
  return TResult::Good();
}

TResult TWriteEngine::Write(const TWriteParams &params, int32_t lba, uint32_t blocks,
                            const uint8_t *data, uint32_t length) {
  if (!disc_.Writable())
    return TResult::Check(sense::kIncompatibleFormat, "the disc cannot be written");
  if (blocks == 0)
    return length == 0 ? TResult::Good() : Underrun(0, length);
  switch (mode_) {
  case TMode::Idle:
    if (params.WriteType == wt::kSao)
      return TResult::Check(sense::kCommandSequence, "session-at-once needs a cue sheet first");
    if (params.WriteType == wt::kRaw) {
      TResult r = StartRaw(params, lba);
      return r.Ok() ? WriteRaw(lba, blocks, data, length) : r;
    }
    {
      TResult r = StartTaoTrack(params, lba);
      return r.Ok() ? WriteTao(lba, blocks, data, length) : r;
    }
  case TMode::SaoArmed: {
    TResult r = StartSao(lba);
    return r.Ok() ? WriteSao(lba, blocks, data, length) : r;
  }
  case TMode::SaoWriting:
    return WriteSao(lba, blocks, data, length);
  case TMode::RawWriting:
    return WriteRaw(lba, blocks, data, length);
  case TMode::TaoTrack:
    return WriteTao(lba, blocks, data, length);
  }
  return TResult::Good();
}

TResult TWriteEngine::StartRaw(const TWriteParams &params, int32_t lba) {
  if (disc_.State != TDiscState::Blank)
    return TResult::Check(sense::kIncompatibleFormat, "raw recording needs a blank disc");
  if (lba != disc_.LeadInStart)
    return TResult::Check(sense::kInvalidWriteAddress, "raw recording starts at the lead-in, " +
                                                           std::to_string(disc_.LeadInStart));
  params_ = params;
  test_ = params.TestWrite;
  mode_ = TMode::RawWriting;
  next_ = lba;
  q_.reset(new TQChecker());
  if (!BeginImage(true))
    return ImageFailure("image: cannot create " + stem_ + ".bin");
  return TResult::Good();
}

TResult TWriteEngine::WriteRaw(int32_t lba, uint32_t blocks, const uint8_t *data, uint32_t length) {
  if (lba != next_)
    return TResult::Check(sense::kInvalidWriteAddress,
                          "expected the write at " + std::to_string(next_));
  if (lba + static_cast<int64_t>(blocks) > disc_.LastLeadOut + 2 * int64_t{kLeadOutBlocks})
    return TResult::Check(sense::kLbaOutOfRange, "the write passes the end of the disc");
  const uint64_t expected = uint64_t{blocks} * kRawPqBlockSize;
  if (expected != length)
    return Underrun(static_cast<uint32_t>(expected), length);
  TResult fault = WriteFault(lba, blocks);
  if (!fault.Ok())
    return fault;
  uint8_t sector[kSectorSize];
  for (uint32_t i = 0; i < blocks; ++i) {
    const uint8_t *block = data + size_t{i} * kRawPqBlockSize;
    const int32_t a = lba + static_cast<int32_t>(i);
    const uint8_t *main = block;
    uint8_t mode = 0;
    if ((block[kSectorSize] & kControlData) != 0) {
      std::memcpy(sector, block, kSectorSize);
      Scramble(sector);
      main = sector;
      mode = sector[15];
    }
    q_->Feed(a, block + kSectorSize, mode);
    if (a >= 0 && !q_->LeadOutReached() && !PutImage(a, main, 1))
      return ImageFailure("image: cannot write " + stem_ + ".bin");
  }
  std::string error;
  if (!test_ && image_.IsOpen() && !image_.PutSub(data, blocks, error)) {
    journal_.Note("image: " + error);
    imageBroken_ = true;
    return ImageFailure(error);
  }
  next_ = lba + static_cast<int32_t>(blocks);
  return TResult::Good();
}

void TWriteEngine::FinishRaw() {
  q_->Finish();
  for (const std::string &v : q_->Violations())
    journal_.Line("Q-check: " + v);
  if (q_->ViolationCount() > q_->Violations().size())
    journal_.Line("Q-check: ... and " +
                  std::to_string(q_->ViolationCount() - q_->Violations().size()) + " more");
  journal_.Note("Q sub-channel check: " + std::to_string(q_->ViolationCount()) + " violation(s)");
  if (test_) {
    journal_.Note("test write complete: nothing recorded, the disc stays blank");
    mode_ = TMode::Idle;
    return;
  }
  disc_.Tracks = q_->Tracks();
  disc_.LeadOut = q_->LeadOutStart();
  disc_.SessionFormat = q_->DiscType();
  FinishDisc("raw disc-at-once");
}

TResult TWriteEngine::StartTaoTrack(const TWriteParams &params, int32_t lba) {
  if (lba != disc_.NextWritable)
    return TResult::Check(sense::kInvalidWriteAddress,
                          "the next writable address is " + std::to_string(disc_.NextWritable));
  if (disc_.Tracks.size() + static_cast<size_t>(taoTestTracks_) >= kMaxTracks)
    return TResult::Check(sense::kCommandSequence, "the disc holds 99 tracks already");
  params_ = params;
  test_ = params.TestWrite;
  mode_ = TMode::TaoTrack;
  trackStart_ = lba;
  next_ = lba;
  if (test_)
    return TResult::Good();
  taoTestTracks_ = 0;
  if (disc_.State == TDiscState::Blank && !BeginImage(false))
    return ImageFailure("image: cannot create " + stem_ + ".bin");
  if (!disc_.Tracks.empty() &&
      !PutEmpty(DataModeOfDataBlockType(params.DataBlockType), disc_.Tracks.back().End, lba))
    return ImageFailure("image: cannot write " + stem_ + ".bin");
  disc_.TrackOpen = true;
  disc_.OpenTrackStart = lba;
  return TResult::Good();
}

TResult TWriteEngine::WriteTao(int32_t lba, uint32_t blocks, const uint8_t *data, uint32_t length) {
  if (lba != next_)
    return TResult::Check(sense::kInvalidWriteAddress,
                          "expected the write at " + std::to_string(next_));
  if (lba + static_cast<int64_t>(blocks) > disc_.LastLeadOut)
    return TResult::Check(sense::kLbaOutOfRange, "the write passes the end of the disc");
  const uint32_t size = DataBlockSize(params_.DataBlockType);
  const uint64_t expected = uint64_t{blocks} * size;
  if (expected != length)
    return Underrun(static_cast<uint32_t>(expected), length);
  TResult fault = WriteFault(lba, blocks);
  if (!fault.Ok())
    return fault;
  const TBlockFormat f = FormatOfDataBlockType(params_.DataBlockType);
  bool ok = true;
  if (f == TBlockFormat::Audio) {
    ok = PutImage(lba, data, blocks);
  } else if (!test_) {
    sectors_.resize(size_t{blocks} * kSectorSize);
    for (uint32_t i = 0; i < blocks; ++i)
      BuildSector(f, lba + static_cast<int32_t>(i), data + size_t{i} * size,
                  params_.Page + kSubHeaderByte, &sectors_[size_t{i} * kSectorSize]);
    ok = PutImage(lba, sectors_.data(), blocks);
  }
  if (!ok)
    return ImageFailure("image: cannot write " + stem_ + ".bin");
  next_ = lba + static_cast<int32_t>(blocks);
  if (!test_)
    disc_.NextWritable = next_;
  return TResult::Good();
}

void TWriteEngine::CloseTaoTrack() {
  mode_ = TMode::Idle;
  const int32_t length = next_ - trackStart_;
  if (length < kMinTrackBlocks)
    journal_.Note("track of " + std::to_string(length) + " blocks is shorter than four seconds");
  if (test_) {
    ++taoTestTracks_;
    journal_.Note("test track closed: nothing recorded");
    return;
  }
  TDiscTrack t;
  t.Number = static_cast<uint8_t>(disc_.Tracks.size() + 1);
  t.CtlAdr = static_cast<uint8_t>(params_.TrackMode << 4 | kAdrPosition);
  t.DataMode = DataModeOfDataBlockType(params_.DataBlockType);
  t.PregapStart = disc_.Tracks.empty() ? -kPregapFrames : disc_.Tracks.back().End;
  t.Indexes = {trackStart_};
  t.End = next_;
  disc_.Tracks.push_back(t);
  disc_.State = TDiscState::Open;
  disc_.TrackOpen = false;
  disc_.NextWritable = next_ + kTaoPregap;
  disc_.SessionFormat = params_.SessionFormat;
  journal_.Note("track " + std::to_string(t.Number) + " closed: " + std::to_string(t.Start()) +
                " to " + std::to_string(t.End - 1));
}

TResult TWriteEngine::Synchronize() {
  if (mode_ == TMode::TaoTrack)
    CloseTaoTrack();
  else if (mode_ == TMode::RawWriting && q_->LeadOutReached())
    FinishRaw();
  return TResult::Good();
}

TResult TWriteEngine::CloseTaoSession(bool test) {
  if (mode_ == TMode::TaoTrack)
    CloseTaoTrack();
  if (test) {
    if (taoTestTracks_ == 0 && disc_.State != TDiscState::Open)
      return TResult::Check(sense::kCommandSequence, "no open session to close");
    taoTestTracks_ = 0;
    journal_.Note("test session closed: nothing recorded");
    return TResult::Good();
  }
  if (disc_.State != TDiscState::Open)
    return TResult::Check(sense::kCommandSequence, "no open session to close");
  disc_.LeadOut = disc_.Tracks.back().End;
  disc_.NextWritable = 0;
  FinishDisc("track-at-once");
  return TResult::Good();
}

TResult TWriteEngine::Close(uint8_t function, bool test) {
  if (function != kCloseTrack && function != kCloseSession)
    return TResult::Check(sense::kInvalidFieldInCdb, "close function " + std::to_string(function));
  if (mode_ == TMode::SaoWriting || mode_ == TMode::RawWriting)
    return TResult::Check(sense::kCommandSequence, "a disc-at-once recording is in progress");
  if (function == kCloseTrack) {
    if (mode_ == TMode::TaoTrack)
      CloseTaoTrack();
    return TResult::Good();
  }
  return CloseTaoSession(test);
}

} // namespace vrec
