#include "tools/virtual-recorder/Config.h"

#include "tools/virtual-recorder/CdTime.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <utility>

namespace vrec {

namespace {

constexpr size_t kVendorLength = 8;
constexpr size_t kProductLength = 16;
constexpr size_t kRevisionLength = 4;
constexpr uint8_t kMaxAdapter = 7;
constexpr uint8_t kMaxTarget = 7;
constexpr uint32_t kDefaultWriteKbps = 7056; // 40x
constexpr uint32_t kDefaultReadKbps = 8467;  // 48x
constexpr uint8_t kDefaultCapabilitiesLength = 0x14;
constexpr uint8_t kMinCapabilitiesLength = 0x0E;
constexpr uint8_t kMaxCapabilitiesLength = 0x3C;
constexpr uint64_t kMaxSyncCacheMs = 3600000; // an hour; the delay is kept in microseconds
constexpr uint32_t kDefaultMaxTransfer = 0x10000;
constexpr uint32_t kMinMaxTransfer = 2448;
constexpr uint32_t kMaxMaxTransfer = 0x1000000;
constexpr uint32_t kMaxSpeedX = 1000;
constexpr uint32_t kDefaultBufferKb = 2048;
constexpr uint32_t kMinBufferKb = 64;
constexpr uint32_t kMaxBufferKb = 65535;
constexpr int32_t kMinAudioTrack = 1;
constexpr int32_t kDefaultAudioTrack = 13500; // three minutes

struct TIniSection {
  std::string Name;
  std::vector<std::pair<std::string, std::string>> Keys; // lower-case key, trimmed value
  std::string Text; // every line after the header, comments included
};

std::string Trim(const std::string &s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
    ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
    --e;
  return s.substr(b, e - b);
}

std::string Lower(std::string s) {
  for (char &c : s)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool ParseIni(const std::string &text, std::vector<TIniSection> &sections, std::string &error) {
  size_t pos = 0;
  int lineNo = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos)
      end = text.size();
    const std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    ++lineNo;
    if (!sections.empty() && (line.empty() || line[0] != '['))
      sections.back().Text += line + "\n";
    if (line.empty() || line[0] == ';' || line[0] == '#')
      continue;
    if (line[0] == '[') {
      if (line.back() != ']') {
        error = "line " + std::to_string(lineNo) + ": unterminated section name";
        return false;
      }
      sections.push_back({Lower(Trim(line.substr(1, line.size() - 2))), {}, {}});
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos || sections.empty()) {
      error = "line " + std::to_string(lineNo) + ": expected key = value inside a section";
      return false;
    }
    std::string value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    sections.back().Keys.emplace_back(Lower(Trim(line.substr(0, eq))), value);
  }
  return true;
}

bool ParseUnsigned(const std::string &text, uint64_t max, uint64_t &value) {
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])))
    return false;
  errno = 0;
  char *end = nullptr;
  const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v > max)
    return false;
  value = v;
  return true;
}

bool ParseSigned(const std::string &text, int32_t min, int32_t max, int32_t &value) {
  if (text.empty())
    return false;
  errno = 0;
  char *end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < min || v > max)
    return false;
  value = static_cast<int32_t>(v);
  return true;
}

bool ParseHexByte(const std::string &text, uint8_t &value) {
  if (text.empty() || text.size() > 2 || !std::isxdigit(static_cast<unsigned char>(text[0])) ||
      !std::isxdigit(static_cast<unsigned char>(text.back())))
    return false;
  value = static_cast<uint8_t>(std::strtoul(text.c_str(), nullptr, 16));
  return true;
}

std::vector<std::string> SplitList(const std::string &text) {
  std::vector<std::string> items;
  std::string item;
  for (char c : text + ",") {
    if (c == ',' || std::isspace(static_cast<unsigned char>(c))) {
      if (!item.empty())
        items.push_back(Lower(item));
      item.clear();
    } else {
      item += c;
    }
  }
  return items;
}

bool IsAbsolutePath(const std::string &p) {
  return (!p.empty() && (p[0] == '/' || p[0] == '\\')) ||
         (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':');
}

// The defaults that depend on the kind of device.
void SetKindDefaults(TDeviceConfig &dev) {
  const bool recorder = dev.Kind == TDeviceKind::Recorder;
  const bool reader = dev.Kind == TDeviceKind::Reader;
  dev.Product = recorder ? "CD-R RECORDER" : reader ? "CD-ROM READER" : "DISK";
  dev.MaxWriteKbps = recorder ? kDefaultWriteKbps : 0;
  dev.CanSao = dev.CanRaw = dev.CanTao = recorder;
  dev.Medium = recorder ? TMediumKind::Blank : reader ? TMediumKind::Audio : TMediumKind::None;
}

// Reads the keys of one device section into a configuration that holds the defaults.
class TSectionReader {
public:
  TSectionReader(const TIniSection &section, const std::string &baseDir, TDeviceConfig &dev)
      : section_(section), baseDir_(baseDir), dev_(dev) {}

  bool Read(std::string &error);

private:
  bool Apply(const std::string &key, const std::string &value);
  bool Number(const std::string &value, uint64_t max, uint64_t &out) {
    return ParseUnsigned(value, max, out);
  }
  std::string Path(const std::string &value) const {
    return IsAbsolutePath(value) ? value : baseDir_ + value;
  }

  const TIniSection &section_;
  const std::string &baseDir_;
  TDeviceConfig &dev_;
  std::string why_;
};

bool TSectionReader::Read(std::string &error) {
  std::map<std::string, std::string> seen;
  // Identity and kind first: the other keys' defaults and checks depend on them.
  for (const auto &kv : section_.Keys)
    if (kv.first == "kind" && !Apply(kv.first, kv.second)) {
      error = "[" + section_.Name + "] kind: " + why_;
      return false;
    }
  for (const auto &kv : section_.Keys) {
    if (!seen.emplace(kv.first, kv.second).second) {
      error = "[" + section_.Name + "] " + kv.first + ": given twice";
      return false;
    }
    if (kv.first != "kind" && !Apply(kv.first, kv.second)) {
      error = "[" + section_.Name + "] " + kv.first + " = " + kv.second + ": " + why_;
      return false;
    }
  }
  return true;
}

bool TSectionReader::Apply(const std::string &key, const std::string &value) {
  uint64_t n = 0;
  const std::string v = Lower(value);
  auto fail = [this](const char *why) {
    why_ = why;
    return false;
  };
  if (key == "kind") {
    if (v == "recorder")
      dev_.Kind = TDeviceKind::Recorder;
    else if (v == "reader")
      dev_.Kind = TDeviceKind::Reader;
    else if (v == "other")
      dev_.Kind = TDeviceKind::Other;
    else
      return fail("expected recorder, reader or other");
    SetKindDefaults(dev_);
  } else if (key == "adapter" || key == "target") {
    if (!Number(value, key == "adapter" ? kMaxAdapter : kMaxTarget, n))
      return fail("expected a number from 0 to 7");
    (key == "adapter" ? dev_.Adapter : dev_.Target) = static_cast<uint8_t>(n);
  } else if (key == "vendor" || key == "product" || key == "revision") {
    const size_t max = key == "vendor"    ? kVendorLength
                       : key == "product" ? kProductLength
                                          : kRevisionLength;
    if (value.size() > max)
      return fail("too long for its INQUIRY field");
    if (std::any_of(value.begin(), value.end(),
                    [](char c) { return c < 0x20 || static_cast<unsigned char>(c) > 0x7E; }))
      return fail("only printable ASCII fits an INQUIRY field");
    (key == "vendor" ? dev_.Vendor : key == "product" ? dev_.Product : dev_.Revision) = value;
  } else if (key == "max_write_kbps" || key == "max_read_kbps") {
    if (!Number(value, UINT16_MAX, n))
      return fail("expected kB/s from 0 to 65535");
    (key == "max_write_kbps" ? dev_.MaxWriteKbps : dev_.MaxReadKbps) = static_cast<uint16_t>(n);
  } else if (key == "capabilities_page_length") {
    if (!Number(value, kMaxCapabilitiesLength, n) || n < kMinCapabilitiesLength)
      return fail("expected a page length from 14 to 60");
    dev_.CapabilitiesPageLength = static_cast<uint8_t>(n);
  } else if (key == "write_types") {
    if (dev_.Kind != TDeviceKind::Recorder)
      return fail("only a recorder writes");
    dev_.CanSao = dev_.CanRaw = dev_.CanTao = false;
    for (const std::string &t : SplitList(value)) {
      if (t == "sao")
        dev_.CanSao = true;
      else if (t == "raw")
        dev_.CanRaw = true;
      else if (t == "tao")
        dev_.CanTao = true;
      else if (t != "none")
        return fail("expected a list of sao, raw and tao (or none)");
    }
  } else if (key == "medium") {
    if (v == "blank" && dev_.Kind != TDeviceKind::Recorder)
      return fail("only a recorder takes a blank disc here");
    if (v == "blank")
      dev_.Medium = TMediumKind::Blank;
    else if (v == "audio")
      dev_.Medium = TMediumKind::Audio;
    else if (v == "none")
      dev_.Medium = TMediumKind::None;
    else
      return fail("expected blank, audio or none");
  } else if (key == "audio_tracks") {
    dev_.AudioTracks.clear();
    int64_t total = 0;
    for (const std::string &t : SplitList(value)) {
      int32_t blocks = 0;
      if (!ParseSigned(t, kMinAudioTrack, kBlankLastLeadOut, blocks))
        return fail("expected track lengths in blocks");
      dev_.AudioTracks.push_back(blocks);
      total += blocks;
    }
    if (dev_.AudioTracks.empty() || dev_.AudioTracks.size() > 99 || total > kBlankLastLeadOut)
      return fail("expected 1 to 99 tracks that fit on a disc");
  } else if (key == "tray") {
    if (v != "open" && v != "closed")
      return fail("expected open or closed");
    dev_.TrayOpen = v == "open";
  } else if (key == "image") {
    dev_.ImageStem = v == "none" ? std::string() : Path(value);
    if (value.empty())
      return fail("expected a path stem or none");
  } else if (key == "journal") {
    dev_.JournalPath = v == "none" ? std::string() : Path(value);
    if (value.empty())
      return fail("expected a path or none");
  } else if (key == "speed") {
    if (v == "unlimited")
      dev_.SpeedX = 0;
    else if (!Number(value, kMaxSpeedX, n) || n == 0)
      return fail("expected unlimited or a speed factor from 1 to 1000");
    else
      dev_.SpeedX = static_cast<uint32_t>(n);
  } else if (key == "buffer_kb") {
    if (!Number(value, kMaxBufferKb, n) || n < kMinBufferKb)
      return fail("expected a buffer size from 64 to 65535 kB");
    dev_.BufferKb = static_cast<uint32_t>(n);
  } else if (key == "completion") {
    if (v != "async" && v != "sync")
      return fail("expected async or sync");
    dev_.Async = v == "async";
  } else if (key == "medium_change_attention") {
    if (v != "yes" && v != "no")
      return fail("expected yes or no");
    dev_.MediumChangeAttention = v == "yes";
  } else if (key == "max_transfer_bytes") {
    if (!Number(value, kMaxMaxTransfer, n) || n < kMinMaxTransfer)
      return fail("expected a byte count from 2448 to 16777216");
    dev_.MaxTransferBytes = static_cast<uint32_t>(n);
  } else if (key == "cd_text") {
    if (v != "yes" && v != "no" && v != "refuse")
      return fail("expected yes, no or refuse");
    dev_.CdText = v == "yes"  ? TCdTextSupport::Yes
                  : v == "no" ? TCdTextSupport::No
                              : TCdTextSupport::Refuse;
  } else if (key == "fault.not_ready_ms") {
    dev_.Faults.NotReadyForever = v == "forever";
    if (!dev_.Faults.NotReadyForever && !Number(value, UINT32_MAX, n))
      return fail("expected milliseconds or forever");
    dev_.Faults.NotReadyMs = dev_.Faults.NotReadyForever ? 0 : static_cast<uint32_t>(n);
  } else if (key == "fault.busy_ms") {
    if (!Number(value, UINT32_MAX, n))
      return fail("expected milliseconds");
    dev_.Faults.BusyMs = static_cast<uint32_t>(n);
  } else if (key == "fault.unit_attention") {
    dev_.Faults.UnitAttention = v != "none";
    if (dev_.Faults.UnitAttention) {
      const size_t slash = v.find('/');
      if (!ParseHexByte(v.substr(0, slash), dev_.Faults.UnitAttentionAsc) ||
          (slash != std::string::npos &&
           !ParseHexByte(v.substr(slash + 1), dev_.Faults.UnitAttentionAscq)))
        return fail("expected none, or a hexadecimal ASC such as 29 (or ASC/ASCQ)");
    }
  } else if (key == "fault.write_error_lba") {
    dev_.Faults.WriteError = v != "none";
    if (dev_.Faults.WriteError &&
        !ParseSigned(value, kBlankLeadInStart, INT32_MAX, dev_.Faults.WriteErrorLba))
      return fail("expected none or an LBA");
  } else if (key == "fault.reject_cue_sheet") {
    if (v != "yes" && v != "no")
      return fail("expected yes or no");
    dev_.Faults.RejectCueSheet = v == "yes";
  } else if (key == "fault.remove_medium_after_blocks") {
    dev_.Faults.RemoveMedium = v != "none";
    if (dev_.Faults.RemoveMedium && !Number(value, UINT32_MAX, n))
      return fail("expected none or a number of blocks");
    dev_.Faults.RemoveMediumAfterBlocks = n;
  } else if (key == "fault.unit_attention_after_blocks") {
    dev_.Faults.ResetMidRecording = v != "none";
    if (dev_.Faults.ResetMidRecording && !Number(value, UINT32_MAX, n))
      return fail("expected none or a number of blocks");
    dev_.Faults.ResetAfterBlocks = n;
  } else if (key == "fault.sync_cache_ms") {
    if (!Number(value, kMaxSyncCacheMs, n))
      return fail("expected milliseconds up to 3600000");
    dev_.Faults.SyncCacheMs = static_cast<uint32_t>(n);
  } else {
    return fail("unknown key");
  }
  return true;
}

} // namespace

bool ParseConfig(const std::string &text, const std::string &baseDir, TConfig &config,
                 std::string &error) {
  std::vector<TIniSection> sections;
  if (!ParseIni(text, sections, error))
    return false;
  config.Devices.clear();
  for (const TIniSection &s : sections) {
    const std::string prefix = "device.";
    uint64_t index = 0;
    if (s.Name.compare(0, prefix.size(), prefix) != 0 ||
        !ParseUnsigned(s.Name.substr(prefix.size()), UINT8_MAX, index)) {
      error = "[" + s.Name + "]: unknown section (expected [device.N])";
      return false;
    }
    if (index != config.Devices.size()) {
      error = "[" + s.Name + "]: devices must be numbered 0, 1, ... in order";
      return false;
    }
    TDeviceConfig dev;
    dev.Index = static_cast<int>(index);
    dev.Target = static_cast<uint8_t>(index);
    dev.Vendor = "VIRTUAL";
    dev.Revision = "1.0";
    dev.MaxReadKbps = kDefaultReadKbps;
    dev.CapabilitiesPageLength = kDefaultCapabilitiesLength;
    dev.AudioTracks = {kDefaultAudioTrack, kDefaultAudioTrack};
    dev.ImageStem = baseDir + "virtual-disc-" + std::to_string(index);
    dev.MaxTransferBytes = kDefaultMaxTransfer;
    dev.BufferKb = kDefaultBufferKb;
    SetKindDefaults(dev);
    dev.SectionText = s.Text;
    TSectionReader reader(s, baseDir, dev);
    if (!reader.Read(error))
      return false;
    for (const TDeviceConfig &other : config.Devices)
      if (other.Adapter == dev.Adapter && other.Target == dev.Target) {
        error = "[" + s.Name + "]: adapter " + std::to_string(dev.Adapter) + " target " +
                std::to_string(dev.Target) + " is already taken";
        return false;
      }
    config.Devices.push_back(dev);
  }
  return true;
}

} // namespace vrec
