// The two mode pages of the recorder: CD capabilities and mechanical status (0x2A) and write
// parameters (0x05), with their current, changeable and default values, and the checks a
// MODE SELECT of the write parameters page goes through.
#pragma once

#include "tools/virtual-recorder/Config.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vrec {

constexpr uint8_t kCapabilitiesPage = 0x2A;
constexpr uint8_t kWriteParametersPage = 0x05;
constexpr uint8_t kAllPages = 0x3F;
constexpr uint8_t kWritePageLength = 0x32; // bytes after the length byte
constexpr size_t kWritePageSize = kWritePageLength + 2;
constexpr size_t kModeHeaderLength = 8;

enum class TPageControl { Current = 0, Changeable = 1, Default = 2, Saved = 3 };

// Write type (page byte 2, low nibble).
namespace wt {
constexpr uint8_t kPacket = 0;
constexpr uint8_t kTao = 1;
constexpr uint8_t kSao = 2;
constexpr uint8_t kRaw = 3;
} // namespace wt

// The write parameters in effect, decoded from page 0x05.
struct TWriteParams {
  uint8_t WriteType = wt::kTao;
  bool TestWrite = false;
  bool UnderrunProtection = false; // BUFE: the drive waits for data instead of failing
  uint8_t TrackMode = 0;           // the Q control nibble of the tracks written
  uint8_t DataBlockType = 0;
  uint8_t SessionFormat = 0;
  uint8_t MultiSession = 0;
  uint8_t Page[kWritePageSize] = {};
};

// Bytes per block of a data block type; 0 for a type the recorder does not know.
uint32_t DataBlockSize(uint8_t dataBlockType);
const char *WriteTypeName(uint8_t writeType);

// The recorder's own write parameters before any MODE SELECT.
TWriteParams DefaultWriteParams(const TDeviceConfig &config);
std::vector<uint8_t> WriteParametersPage(const TWriteParams &current, TPageControl control,
                                         const TDeviceConfig &config);
std::vector<uint8_t> CapabilitiesPage(const TDeviceConfig &config, TPageControl control,
                                      uint16_t currentReadKbps, uint16_t currentWriteKbps);

// Checks a write parameters page (page code byte first) sent with MODE SELECT; on success
// fills params. False with a reason otherwise (ILLEGAL REQUEST, INVALID FIELD IN PARAMETER
// LIST).
bool AcceptWriteParametersPage(const uint8_t *page, size_t length, const TDeviceConfig &config,
                               TWriteParams &params, std::string &why);

} // namespace vrec
