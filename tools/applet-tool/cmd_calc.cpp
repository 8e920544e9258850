// CD time arithmetic and device status texts.
#include "applet/device/ASPIError.h"
#include "applet/device/Calculations.h"
#include "tools/applet-tool/Command.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tool {
namespace {

bool ParseByteHex(const std::string &text, uint8_t &value) {
  if (text.empty() || text.size() > 4 || text[0] == '-' || text[0] == '+' || text[0] == ' ')
    return false;
  char *end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, 16);
  if (*end != '\0' || v > 0xFF)
    return false;
  value = static_cast<uint8_t>(v);
  return true;
}

const char kLba2MsfUsage[] = "lba2msf LBA  (-45150 to 449849)";
int Lba2Msf(const TArgs &args) {
  long long lba = 0;
  if (args.size() != 1 || !ParseNumber(args[0], lba) || lba < device::kFirstTimedLba ||
      lba > device::kLastTimedLba)
    return Usage(kLba2MsfUsage);
  const device::TMsf t = device::LbaToAbsMsf(static_cast<int32_t>(lba));
  std::printf("%.2u:%.2u:%.2u\n", unsigned{t.Minute}, unsigned{t.Second}, unsigned{t.Frame});
  return 0;
}

const char kMsf2LbaUsage[] = "msf2lba MM:SS:FF  (minutes to 99, seconds below 60, frames below 75)";
int Msf2Lba(const TArgs &args) {
  unsigned m = 0, s = 0, f = 0;
  char tail = 0;
  if (args.size() != 1 || args[0].find_first_of("+- ") != std::string::npos ||
      std::sscanf(args[0].c_str(), "%u:%u:%u%c", &m, &s, &f, &tail) != 3 ||
      m > device::kLastMinute || s >= device::kFramesPerMinute / device::kFramesPerSecond ||
      f >= device::kFramesPerSecond)
    return Usage(kMsf2LbaUsage);
  std::printf("%d\n", device::MsfToLba(static_cast<uint8_t>(m), static_cast<uint8_t>(s),
                                       static_cast<uint8_t>(f)));
  return 0;
}

const char kFramesUsage[] = "frames N";
int Frames(const TArgs &args) {
  long long n = 0;
  if (args.size() != 1 || !ParseNumber(args[0], n) || n < INT32_MIN || n > INT32_MAX)
    return Usage(kFramesUsage);
  std::printf("%s\n", device::FramesToTimeText(static_cast<int32_t>(n)).c_str());
  return 0;
}

const char kStatusUsage[] = "status ASPI HA TARGET KEY ASC ASCQ  (hexadecimal bytes)";
int Status(const TArgs &args) {
  uint8_t b[6];
  if (args.size() != 6)
    return Usage(kStatusUsage);
  for (size_t i = 0; i < 6; ++i)
    if (!ParseByteHex(args[i], b[i]))
      return Usage(kStatusUsage);
  const device::TCommandStatus status{b[0], b[1], b[2], b[3], b[4], b[5]};
  const std::string text = device::CommandStatusText(status);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputs("\n", stdout);
  return 0;
}

const TCommandRegistration kLba2Msf("lba2msf", kLba2MsfUsage, Lba2Msf);
const TCommandRegistration kMsf2Lba("msf2lba", kMsf2LbaUsage, Msf2Lba);
const TCommandRegistration kFrames("frames", kFramesUsage, Frames);
const TCommandRegistration kStatus("status", kStatusUsage, Status);

} // namespace
} // namespace tool
