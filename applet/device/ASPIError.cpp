#include "applet/device/ASPIError.h"

#include <cstdio>

namespace device {

namespace {

struct TName {
  uint8_t Code;
  const char *Name;
};

constexpr TName kAspiNames[] = {
    {0x00, "SS_PENDING"},
    {0x01, "SS_COMP"},
    {0x02, "SS_ABORTED"},
    {0x04, "SS_ERR"},
    {0x80, "SS_INVALID_CMD"},
    {0x81, "SS_INVALID_HA"},
    {0x82, "SS_NO_DEVICE"},
    {0xE0, "SS_INVALID_SRB"},
    {0xE1, "SS_BUFFER_ALIGN"},
    {0xE2, "SS_ILLEGAL_MODE"},
    {0xE3, "SS_NO_ASPI"},
    {0xE4, "SS_FAILED_INIT"},
    {0xE5, "SS_ASPI_IS_BUSY"},
    {0xE6, "SS_BUFFER_TO_BIG"},
    {0xE7, "SS_MISMATCHED_COMPONENTS"},
    {0xE8, "SS_NO_ADAPTERS"},
    {0xE9, "SS_INSUFFICIENT_RESOURCES"},
};

constexpr TName kHostAdapterNames[] = {
    {0x00, "HASTAT_OK"},
    {0x09, "HASTAT_TIMEOUT"},
    {0x0B, "HASTAT_COMMAND_TIMEOUT"},
    {0x0D, "HASTAT_MESSAGE_REJECT"},
    {0x0E, "HASTAT_BUS_RESET"},
    {0x0F, "HASTAT_PARITY_ERROR"},
    {0x10, "HASTAT_REQUEST_SENSE_FAILED"},
    {0x11, "HASTAT_SEL_TO"},
    {0x12, "HASTAT_DO_DU"},
    {0x13, "HASTAT_BUS_FREE"},
    {0x14, "HASTAT_PHASE_ERR"},
};

constexpr TName kTargetNames[] = {
    {0x00, "STATUS_GOOD"},
    {0x02, "STATUS_CHKCOND"},
    {0x08, "STATUS_BUSY"},
    {0x18, "STATUS_RESCONF"},
};

constexpr int kAnyAscq = -1;

struct TSense {
  uint8_t Key;
  uint8_t Asc;
  int Ascq; // kAnyAscq matches every qualifier
  const char *Text;
};

constexpr TSense kSenseTexts[] = {
    {0x02, 0x04, 0x00, "LOGICAL DRIVE NOT READY - CAUSE NOT REPORTABLE"},
    {0x02, 0x04, 0x01, "LOGICAL DRIVE NOT READY - IN PROGRESS OR BECOMING READY"},
    {0x02, 0x04, 0x02, "LOGICAL DRIVE NOT READY - INITIALIZING COMMAND REQUIRED"},
    {0x02, 0x04, 0x03, "LOGICAL DRIVE NOT READY - MANUAL INTERVENTION REQUIRED"},
    {0x02, 0x04, 0x07, "LOGICAL DRIVE NOT READY - OPERATION IN PROGRESS"},
    {0x02, 0x04, 0x08, "LOGICAL DRIVE NOT READY - LONG WRITE IN PROGRESS"},
    {0x02, 0x06, 0x00, "NO REFERENCE POSITION FOUND (media may be upside down)"},
    {0x02, 0x30, 0x00, "INCOMPATIBLE MEDIUM INSTALLED"},
    {0x02, 0x30, 0x01, "CANNOT READ MEDIUM - UNKNOWN FORMAT"},
    {0x02, 0x30, 0x02, "CANNOT READ MEDIUM - INCOMPATIBLE FORMAT"},
    {0x02, 0x30, 0x03, "CLEANING CARTRIDGE INSTALLED"},
    {0x02, 0x30, 0x04, "CANNOT WRITE MEDIUM - UNKNOWN FORMAT"},
    {0x02, 0x30, 0x05, "CANNOT WRITE MEDIUM - INCOMPATIBLE FORMAT"},
    {0x02, 0x30, 0x06, "CANNOT FORMAT MEDIUM - INCOMPATIBLE FORMAT"},
    {0x02, 0x30, 0x07, "CLEANING FAILURE"},
    {0x02, 0x3A, kAnyAscq, "MEDIUM NOT PRESENT"},
    {0x03, 0x02, kAnyAscq, "NO SEEK COMPLETE"},
    {0x03, 0x06, kAnyAscq, "NO REFERENCE POSITION FOUND"},
    {0x03, 0x0C, 0x00, "WRITE ERROR"},
    {0x03, 0x0C, 0x07, "WRITE ERROR - RECOVERY NEEDED"},
    {0x03, 0x0C, 0x08, "WRITE ERROR - RECOVERY FAILED"},
    {0x03, 0x0C, 0x09, "WRITE ERROR - LOSS OF STREAMING"},
    {0x03, 0x0C, 0x0A, "WRITE ERROR - PADDING BLOCKS ADDED"},
    {0x03, 0x11, 0x00, "UNRECOVERED READ ERROR"},
    {0x03, 0x11, 0x01, "READ RETRIES EXHAUSTED"},
    {0x03, 0x11, 0x02, "ERROR TOO LONG TO CORRECT"},
    {0x03, 0x11, 0x05, "L-EC UNCORRECTABLE ERROR"},
    {0x03, 0x11, 0x06, "CIRC UNRECOVERED ERROR"},
    {0x03, 0x11, 0x0F, "ERROR READING UPC/EAN NUMBER"},
    {0x03, 0x11, 0x10, "ERROR READING ISRC NUMBER"},
    {0x03, 0x39, kAnyAscq, "UNABLE TO RECOVER TABLE OF CONTENTS"},
    {0x03, 0x73, 0x00, "CD CONTROL ERROR"},
    {0x03, 0x73, 0x01, "POWER CALIBRATION AREA ALMOST FULL"},
    {0x03, 0x73, 0x02, "POWER CALIBRATION AREA IS FULL"},
    {0x03, 0x73, 0x03, "POWER CALIBRATION AREA ERROR"},
    {0x03, 0x73, 0x04, "PROGRAM MEMORY AREA UPDATE FAILURE"},
    {0x03, 0x73, 0x05, "PROGRAM MEMORY AREA IS FULL"},
    {0x04, 0x09, 0x00, "TRACK FOLLOWING ERROR"},
    {0x04, 0x09, 0x01, "TRACKING SERVO FAILURE"},
    {0x04, 0x09, 0x02, "FOCUS SERVO FAILURE"},
    {0x04, 0x09, 0x03, "SPINDLE SERVO FAILURE"},
    {0x04, 0x09, 0x04, "HEAD SELECT FAULT"},
    {0x05, 0x00, 0x11, "PLAY OPERATION IN PROGRESS"},
    {0x05, 0x1A, kAnyAscq, "PARAMETER LIST LENGTH ERROR"},
    {0x05, 0x20, kAnyAscq, "INVALID COMMAND OPERATION CODE"},
    {0x05, 0x21, kAnyAscq, "LOGICAL BLOCK ADDRESS OUT OF RANGE"},
    {0x05, 0x24, kAnyAscq, "INVALID FIELD IN COMMAND PACKET"},
    {0x05, 0x26, 0x00, "INVALID FIELD IN PARAMETER LIST"},
    {0x05, 0x26, 0x01, "PARAMETER NOT SUPPORTED"},
    {0x05, 0x26, 0x02, "PARAMETER VALUE INVALID"},
    {0x05, 0x26, 0x03, "THRESHOLD PARAMETERS NOT SUPPORTED"},
    {0x05, 0x26, 0x04, "INVALID RELEASE OF ACTIVE PERSISTENT RESERVATION"},
    {0x05, 0x27, 0x00, "WRITE PROTECTED"},
    {0x05, 0x27, 0x01, "HARDWARE WRITE PROTECTED"},
    {0x05, 0x27, 0x02, "LOGICAL UNIT SOFTWARE WRITE PROTECTED"},
    {0x05, 0x27, 0x03, "ASSOCIATED WRITE PROTECT"},
    {0x05, 0x27, 0x04, "PERSISTENT WRITE PROTECT"},
    {0x05, 0x27, 0x05, "PERMANENT WRITE PROTECT"},
    {0x05, 0x2C, 0x00, "COMMAND SEQUENCE ERROR"},
    {0x05, 0x2C, 0x03, "CURRENT PROGRAM AREA IS NOT EMPTY"},
    {0x05, 0x2C, 0x04, "CURRENT PROGRAM AREA IS EMPTY"},
    {0x05, 0x53, 0x02, "MEDIUM REMOVAL PREVENTED"},
    {0x05, 0x63, 0x00, "END OF USER AREA ENCOUNTERED ON THIS TRACK"},
    {0x05, 0x63, 0x01, "PACKET DOES NOT FIT IN AVAILABLE SPACE"},
    {0x05, 0x64, kAnyAscq, "ILLEGAL MODE FOR THIS TRACK OR INCOMPATIBLE MEDIUM"},
    {0x06, 0x28, kAnyAscq, "NOT READY TO TRANSITION"},
    {0x06, 0x29, kAnyAscq, "POWER ON, RESET OR BUS DEVICE RESET OCURRED"},
    {0x06, 0x2E, kAnyAscq, "MITSUMI INSUFFICIENT TIME FOR OPERATION"},
    {0x0B, 0xBF, kAnyAscq, "LOSS OF STREAMING"},
};

template <size_t N> std::string NameOf(const TName (&table)[N], uint8_t code) {
  for (const TName &entry : table)
    if (entry.Code == code)
      return entry.Name;
  char buf[16];
  std::snprintf(buf, sizeof buf, "Unknown %.2x", unsigned{code});
  return buf;
}

} // namespace

std::string AspiResultName(uint8_t code) { return NameOf(kAspiNames, code); }

std::string HostAdapterStatusName(uint8_t code) { return NameOf(kHostAdapterNames, code); }

std::string TargetStatusName(uint8_t code) { return NameOf(kTargetNames, code); }

std::string SenseText(uint8_t key, uint8_t asc, uint8_t ascq) {
  for (const TSense &entry : kSenseTexts)
    if (entry.Key == key && entry.Asc == asc && (entry.Ascq == kAnyAscq || entry.Ascq == ascq))
      return entry.Text;
  return "Unknown Error";
}

std::string CommandStatusText(const TCommandStatus &status) {
  if (status.AspiStatus == kSsErr && status.HaStatus == kHaStatOk &&
      status.TargetStatus == kStatusChkCond) {
    char bytes[32];
    std::snprintf(bytes, sizeof bytes, " ($%.2X/$%.2X/$%.2X)", unsigned{status.SenseKey},
                  unsigned{status.Asc}, unsigned{status.Ascq});
    return SenseText(status.SenseKey, status.Asc, status.Ascq) + bytes;
  }
  return "ASPI Status: " + AspiResultName(status.AspiStatus) + "\r\n" +
         "Host Adapter Status: " + HostAdapterStatusName(status.HaStatus) + "\r\n" +
         "Target Status: " + TargetStatusName(status.TargetStatus);
}

} // namespace device
