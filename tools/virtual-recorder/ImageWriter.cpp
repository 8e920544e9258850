#include "tools/virtual-recorder/ImageWriter.h"

#include "tools/virtual-recorder/CdTextReader.h"
#include "tools/virtual-recorder/SectorCodec.h"

#include <cerrno>
#include <cstring>

namespace vrec {

namespace {

constexpr size_t kFileBuffer = 1 << 20;
constexpr uint8_t kPreEmphasis = 0x10, kCopyPermitted = 0x20, kFourChannel = 0x80;

std::string BaseName(const std::string &path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Reason(const std::string &what, const std::string &path) {
  return what + " " + path + ": " + std::strerror(errno);
}

void AppendIndex(std::string &text, int number, int32_t lba) {
  char line[48];
  std::snprintf(line, sizeof line, "    INDEX %02d %s\n", number, FramesText(lba).c_str());
  text += line;
}

// A TITLE or PERFORMER line of a CD-TEXT string (a quote, which the line cannot hold, becomes
// an apostrophe); none for an empty string.
void AppendText(std::string &text, const char *indent, const char *keyword,
                const std::vector<std::string> &strings, size_t at) {
  if (at >= strings.size() || strings[at].empty())
    return;
  std::string value = strings[at];
  for (char &c : value)
    if (c == '"')
      c = '\'';
  text += std::string(indent) + keyword + " \"" + value + "\"\n";
}

std::string StemName(const std::string &binName) {
  return binName.substr(0, binName.size() - 4); // without ".bin"
}

} // namespace

std::string CueFileText(const TDisc &disc, const std::string &binName) {
  std::string text;
  const TCdTextStrings cdText = DecodeCdText(disc.CdTextPacks);
  if (!disc.CdTextPacks.empty()) {
    text += "CDTEXTFILE \"" + StemName(binName) + ".cdt\"\n";
    AppendText(text, "", "TITLE", cdText.Titles, 0);
    AppendText(text, "", "PERFORMER", cdText.Performers, 0);
  }
  text += "FILE \"" + binName + "\" BINARY\n";
  for (const TDiscTrack &t : disc.Tracks) {
    char line[48];
    const char *type = (t.CtlAdr & kControlData) == 0 ? "AUDIO"
                       : t.DataMode == 2              ? "MODE2/2352"
                                                      : "MODE1/2352";
    std::snprintf(line, sizeof line, "  TRACK %02u %s\n", unsigned{t.Number}, type);
    text += line;
    AppendText(text, "    ", "TITLE", cdText.Titles, t.Number);
    AppendText(text, "    ", "PERFORMER", cdText.Performers, t.Number);
    std::string flags;
    if ((t.CtlAdr & kCopyPermitted) != 0)
      flags += " DCP";
    if ((t.CtlAdr & kFourChannel) != 0)
      flags += " 4CH";
    if ((t.CtlAdr & kPreEmphasis) != 0 && (t.CtlAdr & kControlData) == 0)
      flags += " PRE";
    if (!flags.empty())
      text += "    FLAGS" + flags + "\n";
    // The file begins at LBA 0: a pregap before it is left out, one reaching into it kept.
    if (t.PregapStart < t.Start() && t.Start() > 0)
      AppendIndex(text, 0, t.PregapStart < 0 ? 0 : t.PregapStart);
    for (size_t i = 0; i < t.Indexes.size(); ++i)
      AppendIndex(text, static_cast<int>(i + 1), t.Indexes[i] < 0 ? 0 : t.Indexes[i]);
  }
  return text;
}

// The raw packs, 18 bytes each, as a CDTEXTFILE holds them.
static bool WriteFile(const std::string &path, const std::vector<uint8_t> &bytes,
                      std::string &error) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    error = Reason("cannot create", path);
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !written) {
    error = Reason("cannot write", path);
    return false;
  }
  return true;
}

bool TImageWriter::Begin(const std::string &stem, bool withSub, std::string &error) {
  Close();
  stem_ = stem;
  next_ = 0;
  std::remove((stem + ".cue").c_str());
  std::remove((stem + ".sub").c_str());
  std::remove((stem + ".cdt").c_str());
  bin_ = std::fopen((stem + ".bin").c_str(), "wb");
  if (bin_ == nullptr) {
    error = Reason("cannot create", stem + ".bin");
    return false;
  }
  std::setvbuf(bin_, nullptr, _IOFBF, kFileBuffer);
  if (withSub) {
    sub_ = std::fopen((stem + ".sub").c_str(), "wb");
    if (sub_ == nullptr) {
      error = Reason("cannot create", stem + ".sub");
      Close();
      return false;
    }
    std::setvbuf(sub_, nullptr, _IOFBF, kFileBuffer);
  }
  return true;
}

bool TImageWriter::PutSectors(int32_t lba, const uint8_t *sectors, size_t count,
                              std::string &error) {
  if (bin_ == nullptr || lba != next_) {
    error = "image sectors out of order at " + std::to_string(lba);
    return false;
  }
  if (std::fwrite(sectors, kSectorSize, count, bin_) != count) {
    error = Reason("cannot write", stem_ + ".bin");
    return false;
  }
  next_ += static_cast<int32_t>(count);
  return true;
}

bool TImageWriter::PutSub(const uint8_t *pq, size_t blocks, std::string &error) {
  if (sub_ == nullptr)
    return true;
  for (size_t i = 0; i < blocks; ++i)
    if (std::fwrite(pq + i * kRawPqBlockSize + kSectorSize, kSubchannelSize, 1, sub_) != 1) {
      error = Reason("cannot write", stem_ + ".sub");
      return false;
    }
  return true;
}

bool TImageWriter::Finish(const TDisc &disc, std::string &error) {
  bool ok = bin_ != nullptr;
  if (bin_ != nullptr && std::fclose(bin_) != 0) {
    error = Reason("cannot write", stem_ + ".bin");
    ok = false;
  }
  bin_ = nullptr;
  if (sub_ != nullptr && std::fclose(sub_) != 0) {
    error = Reason("cannot write", stem_ + ".sub");
    ok = false;
  }
  sub_ = nullptr;
  if (!ok)
    return false;
  if (!disc.CdTextPacks.empty() && !WriteFile(stem_ + ".cdt", disc.CdTextPacks, error))
    return false;
  const std::string cue = CueFileText(disc, BaseName(stem_) + ".bin");
  std::FILE *f = std::fopen((stem_ + ".cue").c_str(), "wb");
  if (f == nullptr) {
    error = Reason("cannot create", stem_ + ".cue");
    return false;
  }
  const bool written = std::fwrite(cue.data(), 1, cue.size(), f) == cue.size();
  if (std::fclose(f) != 0 || !written) {
    error = Reason("cannot write", stem_ + ".cue");
    return false;
  }
  return true;
}

void TImageWriter::Close() {
  if (bin_ != nullptr)
    std::fclose(bin_);
  if (sub_ != nullptr)
    std::fclose(sub_);
  bin_ = sub_ = nullptr;
}

} // namespace vrec
