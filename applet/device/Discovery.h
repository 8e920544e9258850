// Drive discovery: the bus scan, each CD device's capabilities, accepted write methods and
// speed lists, the two drive lists, and the blank-disc test and eject the session runs.
#pragma once

#include "applet/device/DriveData.h"

#include <cstdint>
#include <string>
#include <vector>

namespace device {

constexpr size_t kInquiryLength = 36;
constexpr uint8_t kDeviceTypeCd = 0x05;
constexpr uint8_t kDeviceTypeMask = 0x1F;
constexpr uint8_t kTargetsPerAdapter = 8;
constexpr uint16_t kKBpsPerFactor = 176;
constexpr uint16_t kUnknownFactor = 0xFFFF;

// An entry of a drive list: the display name and the record, owned by the module.
struct TDriveListEntry {
  std::string Name;
  const TDriveData *Drive;
};
using TDriveList = std::vector<TDriveListEntry>;

// Every CD device found, in bus order.
const TDriveList &AllDevices();
// The devices of AllDevices that accept at least one write method; entry 0 is the recorder.
const TDriveList &Recorders();

// Walks targets 0-7 behind every host adapter and adds each CD device to the lists.
void BusScan();
// Disposes every record and empties both lists.
void ClearDriveLists();

// "AA:TT  Vendor Product Revision" with adapter and target in upper-case hexadecimal.
std::string DisplayName(const TDriveData &drive);
// Fills the record of the CD device at the record's adapter and target from its INQUIRY
// answer, and reads its capabilities, write methods and speed lists from the drive.
void InspectDevice(TDriveData &drive, const std::vector<uint8_t> &inquiry);

// The capability fields from a MODE SENSE answer holding page 0x2A; false when the answer has
// no such page. Nothing outside the answer is read.
bool ParseCapabilities(const std::vector<uint8_t> &answer, TDriveData &drive);
// Reads the capabilities page (default values) and parses it; false when it cannot be read.
bool ReadCapabilities(TDriveData &drive);
// Reads the drive's write-parameters page into ModePage5 and tries session-at-once, raw
// disc-at-once and track-at-once in that order; true when any was accepted.
bool DetectWriteMethods(TDriveData &drive);
// kB/s over 176, rounded to the nearest integer with halves to even.
int16_t SpeedFactor(uint16_t kbps);
// "Max", then the factor itself when above 40, then each of 40, 30, 20, 16, 12, 10, 8, 6, 4,
// 2, 1 not above it. kUnknownFactor (-1) gives the full list.
TSpeedList SpeedList(uint16_t factor);

// The drive is ready (after closing its tray if needed) and holds no readable full TOC.
bool IsDiscBlank(uint8_t adapter, uint8_t target);
// START STOP UNIT with the eject action; true on failure.
bool EjectDisc(uint8_t adapter, uint8_t target);

} // namespace device
