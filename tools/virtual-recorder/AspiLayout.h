// The ASPI for Win32 request blocks and codes, as the interface publishes them. Every block
// is byte-packed; on 32-bit Windows the offsets are those of the published header (checked
// below). A 64-bit native build keeps the same field order with 8-byte pointers, so the
// fields after the first pointer move back by 4 bytes (and by 8 after the second).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vrec {

// Command codes (SRB_Cmd).
constexpr uint8_t SC_HA_INQUIRY = 0x00;
constexpr uint8_t SC_GET_DEV_TYPE = 0x01;
constexpr uint8_t SC_EXEC_SCSI_CMD = 0x02;

// Request status (SRB_Status and the result of SendASPI32Command).
constexpr uint8_t SS_PENDING = 0x00;
constexpr uint8_t SS_COMP = 0x01;
constexpr uint8_t SS_ERR = 0x04;
constexpr uint8_t SS_INVALID_CMD = 0x80;
constexpr uint8_t SS_INVALID_HA = 0x81;
constexpr uint8_t SS_NO_DEVICE = 0x82;
constexpr uint8_t SS_INVALID_SRB = 0xE0;
constexpr uint8_t SS_BUFFER_TOO_BIG = 0xE6;
constexpr uint8_t SS_NO_ADAPTERS = 0xE8;

// Request flags (SRB_Flags).
constexpr uint8_t SRB_POSTING = 0x01;
constexpr uint8_t SRB_DIR_IN = 0x08;
constexpr uint8_t SRB_DIR_OUT = 0x10;
constexpr uint8_t SRB_DIR_MASK = 0x18;
constexpr uint8_t SRB_EVENT_NOTIFY = 0x40;

// Host adapter status (SRB_HaStat).
constexpr uint8_t HASTAT_OK = 0x00;
constexpr uint8_t HASTAT_SEL_TO = 0x11;
constexpr uint8_t HASTAT_DO_DU = 0x12;
constexpr uint8_t HASTAT_PHASE_ERR = 0x14;

constexpr size_t kSenseAreaLength = 16; // SENSE_LEN (14) + 2
constexpr size_t kCdbAreaLength = 16;

#pragma pack(push, 1)

struct SRB_Header {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
};

struct SRB_HAInquiry {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t HA_Count;
  uint8_t HA_SCSI_ID;
  uint8_t HA_ManagerId[16];
  uint8_t HA_Identifier[16];
  uint8_t HA_Unique[16];
  uint16_t HA_Rsvd1;
};

struct SRB_GDEVBlock {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint8_t SRB_DeviceType;
  uint8_t SRB_Rsvd1;
};

struct SRB_ExecSCSICmd {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint16_t SRB_Rsvd1;
  uint32_t SRB_BufLen;
  uint8_t *SRB_BufPointer;
  uint8_t SRB_SenseLen;
  uint8_t SRB_CDBLen;
  uint8_t SRB_HaStat;
  uint8_t SRB_TargStat;
  void *SRB_PostProc;
  uint8_t SRB_Rsvd2[20];
  uint8_t CDBByte[kCdbAreaLength];
  uint8_t SenseArea[kSenseAreaLength];
};

#pragma pack(pop)

static_assert(sizeof(SRB_HAInquiry) == 0x3C, "SRB_HAInquiry layout");
static_assert(sizeof(SRB_GDEVBlock) == 0x0C, "SRB_GDEVBlock layout");
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Target) == 0x08, "SRB_ExecSCSICmd layout");
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufLen) == 0x0C, "SRB_ExecSCSICmd layout");
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufPointer) == 0x10, "SRB_ExecSCSICmd layout");
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == 0x14, "SRB_ExecSCSICmd layout");
static_assert(offsetof(SRB_ExecSCSICmd, SRB_HaStat) == 0x16, "SRB_ExecSCSICmd layout");
static_assert(offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 0x18, "SRB_ExecSCSICmd layout");
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == 0x30, "SRB_ExecSCSICmd layout");
static_assert(offsetof(SRB_ExecSCSICmd, SenseArea) == 0x40, "SRB_ExecSCSICmd layout");
static_assert(sizeof(SRB_ExecSCSICmd) == 0x50, "SRB_ExecSCSICmd layout");
#endif

// The routine an SRB_POSTING request calls on completion, with the request block.
using TPostRoutine = void (*)(void *srb);

} // namespace vrec
