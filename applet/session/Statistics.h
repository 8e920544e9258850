// The outcome statistics by write method, kept for the user in the platform's settings store
// (the current user's registry on Windows) as string values under one key.
#pragma once

#include "applet/session/SessionPorts.h"

namespace session {

inline constexpr const char *kStatisticsKey = "Software\\Quillon\\QLNApplet\\1.0";
// Carried through unchanged: "0" or "1".
inline constexpr const char *kAINmattersValue = "AINmatters";

// The counters as decimal text, in the order they follow AINmatters in the store.
struct TCounterValue {
  const char *Name;
  bool Success; // success counter, else failure counter
  TWriteMethod Method;
};
inline constexpr TCounterValue kCounterValues[6] = {
    {"TAOModeSuccess", true, Tao}, {"SAOModeSuccess", true, Sao}, {"DAOModeSuccess", true, Dao},
    {"TAOModeFail", false, Tao},   {"SAOModeFail", false, Sao},   {"DAOModeFail", false, Dao},
};

// Each value that exists and holds a valid integer is taken; every other value keeps its
// default (false, 0). A value of another type than a string counts as missing.
void LoadStatistics(TMethodStatistics &statistics);
// Writes all seven values (the key is created when missing); failures are ignored.
void SaveStatistics(const TMethodStatistics &statistics);

} // namespace session
