/* The socket protocol between the SG_IO stand-in (SgPreload.c) and vrec-sg-server: one request
   block, then the data to the device; one reply block, then the data from the device. Both
   sides are little-endian processes on the same machine; the blocks have no padding. */
#ifndef QLN_SG_PROTOCOL_H
#define QLN_SG_PROTOCOL_H

#include <stdint.h>

#define QLN_SG_MAGIC 0x31475351u /* "QSG1" */
#define QLN_SG_MAX_DATA (16u * 1024u * 1024u)
#define QLN_SG_SENSE 32

enum { QLN_SG_NONE = 0, QLN_SG_FROM_DEVICE = 1, QLN_SG_TO_DEVICE = 2 };
/* Host states of a reply, as SG_IO reports them (DID_*). */
enum {
  QLN_SG_HOST_OK = 0,
  QLN_SG_HOST_NO_CONNECT = 1,
  QLN_SG_HOST_TIME_OUT = 3,
  QLN_SG_HOST_ERROR = 7
};

struct qln_sg_request {
  uint32_t magic;
  uint32_t data_length; /* the buffer's length; sent after the block when to the device */
  uint32_t timeout_ms;
  uint8_t direction;
  uint8_t cdb_length;
  uint8_t reserved[2];
  uint8_t cdb[16];
};

struct qln_sg_reply {
  uint32_t magic;
  uint32_t data_length; /* bytes from the device that follow the block */
  uint8_t status;       /* SCSI status */
  uint8_t host_status;
  uint8_t sense_length;
  uint8_t reserved;
  uint8_t sense[QLN_SG_SENSE];
};

#endif
