#include "applet/session/Statistics.h"

#include "applet/platform/Platform.h"
#include "applet/session/Manifest.h"

#include <string>

namespace session {

namespace {

// The counter of statistics that value stores (const or not).
template <typename TStatistics> auto &Counter(TStatistics &statistics, const TCounterValue &value) {
  return value.Success ? statistics.Success[value.Method] : statistics.Fail[value.Method];
}

bool ReadInteger(const char *name, int32_t &value) {
  std::string text;
  if (!platform::Platform().ReadSetting(kStatisticsKey, name, text))
    return false;
  value = ParseProfileInteger(text, 0);
  return true;
}

} // namespace

void CountOutcome(TMethodStatistics &statistics, TWriteMethod method, bool success) {
  int32_t &counter = success ? statistics.Success[method] : statistics.Fail[method];
  counter = static_cast<int32_t>(static_cast<uint32_t>(counter) + 1u);
}

void LoadStatistics(TMethodStatistics &statistics) {
  statistics = TMethodStatistics{};
  int32_t ain = 0;
  if (ReadInteger(kAINmattersValue, ain))
    statistics.AINmatters = ain != 0;
  for (const TCounterValue &value : kCounterValues)
    ReadInteger(value.Name, Counter(statistics, value));
}

void SaveStatistics(const TMethodStatistics &statistics) {
  platform::TPlatform &p = platform::Platform();
  p.WriteSetting(kStatisticsKey, kAINmattersValue, statistics.AINmatters ? "1" : "0");
  for (const TCounterValue &value : kCounterValues)
    p.WriteSetting(kStatisticsKey, value.Name, std::to_string(Counter(statistics, value)));
}

} // namespace session
