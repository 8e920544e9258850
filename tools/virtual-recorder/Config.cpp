#include "tools/virtual-recorder/Config.h"

#include "tools/virtual-recorder/CdTime.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <type_traits>
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

// What a key's rule sees: the device so far, the value as given and lower-cased, and the
// folder that relative paths start from.
struct TKeyValue {
  TDeviceConfig &Dev;
  const std::string &Text;
  std::string Lower;
  const std::string &BaseDir;
  std::string Path() const { return IsAbsolutePath(Text) ? Text : BaseDir + Text; }
};

// One key of a device section. Apply takes the value into the device or says why it refuses
// it; the rows of numbers and of two words share one Apply and differ in their fields.
struct TKey {
  const char *Name;
  const char *(*Apply)(const TKeyValue &kv, const TKey &key);
  void (*Set)(TDeviceConfig &dev, uint64_t n) = nullptr; // number and two-word rows
  uint64_t Min = 0, Max = 0;                             // number rows
  const char *Yes = nullptr, *No = nullptr;              // two-word rows: Set(Yes ? 1 : 0)
  const char *Why = nullptr;                             // what a refused value should be
};

template <auto Field> void Set(TDeviceConfig &dev, uint64_t n) {
  dev.*Field = static_cast<std::remove_reference_t<decltype(dev.*Field)>>(n);
}
template <auto Field> void SetFault(TDeviceConfig &dev, uint64_t n) {
  dev.Faults.*Field = static_cast<std::remove_reference_t<decltype(dev.Faults.*Field)>>(n);
}

// A whole number from Min to Max.
const char *Number(const TKeyValue &kv, const TKey &key) {
  uint64_t n = 0;
  if (!ParseUnsigned(kv.Text, key.Max, n) || n < key.Min)
    return key.Why;
  key.Set(kv.Dev, n);
  return nullptr;
}

// One of two words.
const char *Either(const TKeyValue &kv, const TKey &key) {
  if (kv.Lower != key.Yes && kv.Lower != key.No)
    return key.Why;
  key.Set(kv.Dev, kv.Lower == key.Yes ? 1 : 0);
  return nullptr;
}

const char *Inquiry(const TKeyValue &kv, size_t max, std::string &field) {
  if (kv.Text.size() > max)
    return "too long for its INQUIRY field";
  if (std::any_of(kv.Text.begin(), kv.Text.end(),
                  [](char c) { return c < 0x20 || static_cast<unsigned char>(c) > 0x7E; }))
    return "only printable ASCII fits an INQUIRY field";
  field = kv.Text;
  return nullptr;
}

// "none", or a number of blocks after which the fault comes.
const char *AfterBlocks(const TKeyValue &kv, bool &on, uint64_t &blocks) {
  uint64_t n = 0;
  on = kv.Lower != "none";
  if (on && !ParseUnsigned(kv.Text, UINT32_MAX, n))
    return "expected none or a number of blocks";
  blocks = n;
  return nullptr;
}

const char *Kind(const TKeyValue &kv, const TKey &) {
  if (kv.Lower == "recorder")
    kv.Dev.Kind = TDeviceKind::Recorder;
  else if (kv.Lower == "reader")
    kv.Dev.Kind = TDeviceKind::Reader;
  else if (kv.Lower == "other")
    kv.Dev.Kind = TDeviceKind::Other;
  else
    return "expected recorder, reader or other";
  SetKindDefaults(kv.Dev);
  return nullptr;
}

const char *WriteTypes(const TKeyValue &kv, const TKey &) {
  TDeviceConfig &dev = kv.Dev;
  if (dev.Kind != TDeviceKind::Recorder)
    return "only a recorder writes";
  dev.CanSao = dev.CanRaw = dev.CanTao = false;
  for (const std::string &t : SplitList(kv.Text)) {
    if (t == "sao")
      dev.CanSao = true;
    else if (t == "raw")
      dev.CanRaw = true;
    else if (t == "tao")
      dev.CanTao = true;
    else if (t != "none")
      return "expected a list of sao, raw and tao (or none)";
  }
  return nullptr;
}

const char *Medium(const TKeyValue &kv, const TKey &) {
  if (kv.Lower == "blank" && kv.Dev.Kind != TDeviceKind::Recorder)
    return "only a recorder takes a blank disc here";
  if (kv.Lower == "blank")
    kv.Dev.Medium = TMediumKind::Blank;
  else if (kv.Lower == "audio")
    kv.Dev.Medium = TMediumKind::Audio;
  else if (kv.Lower == "none")
    kv.Dev.Medium = TMediumKind::None;
  else
    return "expected blank, audio or none";
  return nullptr;
}

const char *CdText(const TKeyValue &kv, const TKey &) {
  if (kv.Lower == "yes")
    kv.Dev.CdText = TCdTextSupport::Yes;
  else if (kv.Lower == "no")
    kv.Dev.CdText = TCdTextSupport::No;
  else if (kv.Lower == "refuse")
    kv.Dev.CdText = TCdTextSupport::Refuse;
  else
    return "expected yes, no or refuse";
  return nullptr;
}

const char *AudioTracks(const TKeyValue &kv, const TKey &) {
  std::vector<int32_t> &tracks = kv.Dev.AudioTracks;
  tracks.clear();
  int64_t total = 0;
  for (const std::string &t : SplitList(kv.Text)) {
    int32_t blocks = 0;
    if (!ParseSigned(t, kMinAudioTrack, kBlankLastLeadOut, blocks))
      return "expected track lengths in blocks";
    tracks.push_back(blocks);
    total += blocks;
  }
  if (tracks.empty() || tracks.size() > 99 || total > kBlankLastLeadOut)
    return "expected 1 to 99 tracks that fit on a disc";
  return nullptr;
}

const char *Speed(const TKeyValue &kv, const TKey &) {
  uint64_t n = 0;
  if (kv.Lower != "unlimited" && (!ParseUnsigned(kv.Text, kMaxSpeedX, n) || n == 0))
    return "expected unlimited or a speed factor from 1 to 1000";
  kv.Dev.SpeedX = static_cast<uint32_t>(n);
  return nullptr;
}

const char *NotReady(const TKeyValue &kv, const TKey &) {
  TFaultConfig &f = kv.Dev.Faults;
  uint64_t n = 0;
  f.NotReadyForever = kv.Lower == "forever";
  if (!f.NotReadyForever && !ParseUnsigned(kv.Text, UINT32_MAX, n))
    return "expected milliseconds or forever";
  f.NotReadyMs = f.NotReadyForever ? 0 : static_cast<uint32_t>(n);
  return nullptr;
}

const char *UnitAttention(const TKeyValue &kv, const TKey &) {
  TFaultConfig &f = kv.Dev.Faults;
  f.UnitAttention = kv.Lower != "none";
  if (!f.UnitAttention)
    return nullptr;
  const size_t slash = kv.Lower.find('/');
  if (!ParseHexByte(kv.Lower.substr(0, slash), f.UnitAttentionAsc) ||
      (slash != std::string::npos &&
       !ParseHexByte(kv.Lower.substr(slash + 1), f.UnitAttentionAscq)))
    return "expected none, or a hexadecimal ASC such as 29 (or ASC/ASCQ)";
  return nullptr;
}

const char *WriteErrorLba(const TKeyValue &kv, const TKey &) {
  TFaultConfig &f = kv.Dev.Faults;
  f.WriteError = kv.Lower != "none";
  if (f.WriteError && !ParseSigned(kv.Text, kBlankLeadInStart, INT32_MAX, f.WriteErrorLba))
    return "expected none or an LBA";
  return nullptr;
}

const char *Vendor(const TKeyValue &kv, const TKey &) {
  return Inquiry(kv, kVendorLength, kv.Dev.Vendor);
}
const char *Product(const TKeyValue &kv, const TKey &) {
  return Inquiry(kv, kProductLength, kv.Dev.Product);
}
const char *Revision(const TKeyValue &kv, const TKey &) {
  return Inquiry(kv, kRevisionLength, kv.Dev.Revision);
}

const char *Image(const TKeyValue &kv, const TKey &) {
  kv.Dev.ImageStem = kv.Lower == "none" ? std::string() : kv.Path();
  return kv.Text.empty() ? "expected a path stem or none" : nullptr;
}

const char *Journal(const TKeyValue &kv, const TKey &) {
  kv.Dev.JournalPath = kv.Lower == "none" ? std::string() : kv.Path();
  return kv.Text.empty() ? "expected a path or none" : nullptr;
}

const char *RemoveMedium(const TKeyValue &kv, const TKey &) {
  return AfterBlocks(kv, kv.Dev.Faults.RemoveMedium, kv.Dev.Faults.RemoveMediumAfterBlocks);
}

const char *ResetMidRecording(const TKeyValue &kv, const TKey &) {
  return AfterBlocks(kv, kv.Dev.Faults.ResetMidRecording, kv.Dev.Faults.ResetAfterBlocks);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
constexpr TKey NumberKey(const char *name, void (*set)(TDeviceConfig &, uint64_t), uint64_t min,
                         uint64_t max, const char *why) {
  return TKey{name, Number, set, min, max, nullptr, nullptr, why};
}
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
constexpr TKey WordKey(const char *name, void (*set)(TDeviceConfig &, uint64_t), const char *yes,
                       const char *no, const char *why) {
  return TKey{name, Either, set, 0, 0, yes, no, why};
}

using D = TDeviceConfig;
using F = TFaultConfig;
const TKey kKeys[] = {
    {"kind", Kind},
    NumberKey("adapter", Set<&D::Adapter>, 0, kMaxAdapter, "expected a number from 0 to 7"),
    NumberKey("target", Set<&D::Target>, 0, kMaxTarget, "expected a number from 0 to 7"),
    {"vendor", Vendor},
    {"product", Product},
    {"revision", Revision},
    NumberKey("max_write_kbps", Set<&D::MaxWriteKbps>, 0, UINT16_MAX,
              "expected kB/s from 0 to 65535"),
    NumberKey("max_read_kbps", Set<&D::MaxReadKbps>, 0, UINT16_MAX,
              "expected kB/s from 0 to 65535"),
    NumberKey("capabilities_page_length", Set<&D::CapabilitiesPageLength>, kMinCapabilitiesLength,
              kMaxCapabilitiesLength, "expected a page length from 14 to 60"),
    {"write_types", WriteTypes},
    {"medium", Medium},
    {"audio_tracks", AudioTracks},
    WordKey("tray", Set<&D::TrayOpen>, "open", "closed", "expected open or closed"),
    {"image", Image},
    {"journal", Journal},
    {"speed", Speed},
    NumberKey("buffer_kb", Set<&D::BufferKb>, kMinBufferKb, kMaxBufferKb,
              "expected a buffer size from 64 to 65535 kB"),
    WordKey("completion", Set<&D::Async>, "async", "sync", "expected async or sync"),
    WordKey("medium_change_attention", Set<&D::MediumChangeAttention>, "yes", "no",
            "expected yes or no"),
    NumberKey("max_transfer_bytes", Set<&D::MaxTransferBytes>, kMinMaxTransfer, kMaxMaxTransfer,
              "expected a byte count from 2448 to 16777216"),
    {"cd_text", CdText},
    {"fault.not_ready_ms", NotReady},
    NumberKey("fault.busy_ms", SetFault<&F::BusyMs>, 0, UINT32_MAX, "expected milliseconds"),
    {"fault.unit_attention", UnitAttention},
    {"fault.write_error_lba", WriteErrorLba},
    WordKey("fault.reject_cue_sheet", SetFault<&F::RejectCueSheet>, "yes", "no",
            "expected yes or no"),
    {"fault.remove_medium_after_blocks", RemoveMedium},
    {"fault.unit_attention_after_blocks", ResetMidRecording},
    NumberKey("fault.sync_cache_ms", SetFault<&F::SyncCacheMs>, 0, kMaxSyncCacheMs,
              "expected milliseconds up to 3600000"),
};

// Reads the keys of one device section into a configuration that holds the defaults.
class TSectionReader {
public:
  TSectionReader(const TIniSection &section, const std::string &baseDir, TDeviceConfig &dev)
      : section_(section), baseDir_(baseDir), dev_(dev) {}

  bool Read(std::string &error);

private:
  bool Apply(const std::string &key, const std::string &value);

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
  for (const TKey &k : kKeys)
    if (key == k.Name) {
      const char *why = k.Apply(TKeyValue{dev_, value, Lower(value), baseDir_}, k);
      why_ = why != nullptr ? why : "";
      return why == nullptr;
    }
  why_ = "unknown key";
  return false;
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
