// The MMC command set: one operation per SCSI command the program issues. Each returns true
// when the command failed; where a status is passed it receives the six status bytes of the
// failure (all zero on success). The drive is addressed by adapter and target, LUN 0.
#pragma once

#include "applet/device/CommandStatus.h"
#include "applet/device/DriveData.h"
#include "applet/device/TrackMode.h"

#include <cstdint>
#include <string>
#include <vector>

namespace device {

enum class TPageControl : uint8_t { Current = 0x00, Default = 0x80 };
constexpr uint8_t kPageWriteParameters = 0x05;
constexpr uint8_t kPageCapabilities = 0x2A;
constexpr uint16_t kSpeedMax = 0xFFFF;
constexpr size_t kTocBufferSize = 1024;
constexpr uint8_t kInvisibleTrack = 255;

// START STOP UNIT actions; the values are the command's byte 4.
enum class TStartStopAction : uint8_t { Stop = 0, Start = 1, Eject = 2, Load = 3 };
// READ TOC formats.
enum class TTocFormat : uint8_t { Toc, SessionInfo, TocFull, Pma, Atip };

bool TestUnitReady(uint8_t adapter, uint8_t target, TCommandStatus *status = nullptr);
// Reads length bytes of standard INQUIRY data into buffer (resized and zero-filled first).
bool Inquiry(uint8_t adapter, uint8_t target, std::vector<uint8_t> &buffer, uint8_t length,
             TCommandStatus *status = nullptr);
bool StartStopUnit(uint8_t adapter, uint8_t target, TStartStopAction action,
                   TCommandStatus *status = nullptr);
bool Write10(uint8_t adapter, uint8_t target, const TWriteRequest &request,
             TCommandStatus *status = nullptr);
bool Write12(uint8_t adapter, uint8_t target, const TWriteRequest &request,
             TCommandStatus *status = nullptr);
bool SyncCache(uint8_t adapter, uint8_t target, TCommandStatus *status = nullptr);
// Legacy puts the format into the top bits of byte 9, where only Toc, SessionInfo and TocFull
// exist (the others show a message and read the plain TOC). The answer (1024 bytes,
// zero-filled first) is left in buffer unparsed.
bool ReadTOC(uint8_t adapter, uint8_t target, TTocFormat format, bool msf, bool legacy,
             std::vector<uint8_t> &buffer, uint8_t number = 0, TCommandStatus *status = nullptr);
// A failure leaves info untouched except for DataLength.
bool ReadDiscInfo(uint8_t adapter, uint8_t target, TDiscInfo &info,
                  TCommandStatus *status = nullptr);
bool ReadTrackInfo(uint8_t adapter, uint8_t target, uint32_t track, TTrackInfo &info,
                   TCommandStatus *status = nullptr);
bool SendOPC(uint8_t adapter, uint8_t target, TCommandStatus *status = nullptr);
// MODE SENSE(10) of a page, current or default values, into buffer (resized to length and
// zero-filled first). Warns when length is above 255 and goes on.
bool ModeSense(uint8_t adapter, uint8_t target, TPageControl pageControl, uint8_t page,
               std::vector<uint8_t> &buffer, uint16_t length, TCommandStatus *status = nullptr);
// Where a mode page starts in a MODE SENSE(10) answer of size bytes, or kNoModePage: after the
// 8-byte header and the block descriptors it announces, where the byte must carry the page code
// (bits 0-5). Only when the header is unusable (too short, or lengths that leave no room for
// the page) is the page taken to start at the first byte equal to its code.
constexpr size_t kNoModePage = static_cast<size_t>(-1);
size_t FindModePage(const uint8_t *answer, size_t size, uint8_t page);
bool CloseSession(uint8_t adapter, uint8_t target, TCommandStatus *status = nullptr);
bool SendCueSheet(uint8_t adapter, uint8_t target, const uint8_t *cueSheet, uint16_t size,
                  TCommandStatus *status = nullptr);
// Speeds in kB/s; kSpeedMax asks for the fastest.
bool SetCDSpeed(uint8_t adapter, uint8_t target, uint16_t readSpeed, uint16_t writeSpeed,
                TCommandStatus *status = nullptr);

// Selects write type, track mode, data block type and session format from the drive's own
// write-parameters page (ModePage5) with MODE SELECT(10). Method Dao, Sao or Tao. Fails
// without sending when the page is not found or is too long.
bool SetWriteParams(const TDriveData &drive, TWriteMethod method, TTrackMode trackMode,
                    TDiscType discType, bool testWrite, bool multisession,
                    TCommandStatus *status = nullptr);
// The MODE SELECT parameter list SetWriteParams sends (header and page), into list; true
// when the page cannot be built.
bool BuildWriteParams(const TDriveData &drive, TWriteMethod method, TTrackMode trackMode,
                      TDiscType discType, bool testWrite, bool multisession,
                      std::vector<uint8_t> &list);

} // namespace device
