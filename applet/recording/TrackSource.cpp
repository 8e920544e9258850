#include "applet/recording/TrackSource.h"

#include "applet/platform/Platform.h"
#include "applet/recording/XAudio.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace recording {

namespace {
constexpr size_t kSkipPiece = 65536;
constexpr int32_t kMaxPcmRequest = 1 << 20;
} // namespace

TInputKind InputKindOf(const std::string &fileName) {
  const std::string ext = platform::ExtractFileExt(fileName);
  if (ext == ".wav")
    return TInputKind::Wave;
  const std::string lower = platform::LowerAscii(ext);
  if (lower == ".cue")
    return TInputKind::CueSheet;
  if (lower == ".bin")
    return TInputKind::Bin;
  if (lower == ".mp3")
    return TInputKind::Mp3;
  return TInputKind::Other;
}

TTrackSource::~TTrackSource() { Close(); }

bool TTrackSource::Open(const TTrackImageData &track, int64_t skipBytes) {
  Close();
  if (IsMp3File(track.FileName)) {
    mp3_ = std::make_unique<TGetMP3DecodedData>(track.FileName);
    if (!mp3_->Opened())
      return false;
    skipBytes += track.FileOffset; // a cue sheet's track starts within the decoded audio
    std::vector<uint8_t> scratch(std::min<int64_t>(skipBytes, kSkipPiece));
    while (skipBytes > 0) {
      const auto n = static_cast<size_t>(std::min<int64_t>(skipBytes, kSkipPiece));
      if (!Read(scratch.data(), n))
        return false;
      skipBytes -= static_cast<int64_t>(n);
    }
    return true;
  }
  file_ = platform::Platform().OpenFile(track.FileName, "rb");
  if (file_ == nullptr)
    return false;
  const int64_t offset = int64_t{track.FileOffset} + skipBytes;
  return offset >= 0 && offset <= 0x7FFFFFFF &&
         std::fseek(file_, static_cast<long>(offset), SEEK_SET) == 0;
}

bool TTrackSource::Read(uint8_t *buffer, size_t bytes) {
  if (mp3_) {
    try {
      while (bytes > 0) {
        const auto n = static_cast<int32_t>(std::min<size_t>(bytes, kMaxPcmRequest));
        mp3_->ReadPCM(buffer, n);
        buffer += n;
        bytes -= static_cast<size_t>(n);
      }
      return true;
    } catch (const EDecoderUnavailable &) {
      return false;
    }
  }
  if (file_ == nullptr)
    return false;
  const size_t got = std::fread(buffer, 1, bytes, file_);
  if (got < bytes) {
    if (std::ferror(file_))
      return false;
    std::memset(buffer + got, 0, bytes - got);
  }
  return true;
}

bool TTrackSource::Close() {
  mp3_.reset();
  if (file_ == nullptr)
    return true;
  const bool ok = std::fclose(file_) == 0;
  file_ = nullptr;
  return ok;
}

} // namespace recording
