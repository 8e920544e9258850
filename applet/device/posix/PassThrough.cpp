// SG_IO on Linux CD device nodes.
#include "applet/device/PassThrough.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <glob.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <fstream>

namespace device {

namespace {

constexpr unsigned kDidNoConnect = 0x01;
constexpr unsigned kDidTimeOut = 0x03;
constexpr unsigned kDriverTimeout = 0x06;
constexpr unsigned kDriverStatusMask = 0x0F;
constexpr char kCdType = '5';

std::vector<std::string> Glob(const char *pattern) {
  std::vector<std::string> paths;
  glob_t found{};
  if (glob(pattern, 0, nullptr, &found) == 0)
    paths.assign(found.gl_pathv, found.gl_pathv + found.gl_pathc);
  globfree(&found);
  return paths;
}

// A generic node names a CD device without a block node of its own.
bool IsCdWithoutBlockNode(const std::string &sgPath) {
  const std::string device =
      "/sys/class/scsi_generic/" + sgPath.substr(sgPath.rfind('/') + 1) + "/device/";
  std::ifstream type(device + "type");
  char first = 0;
  return type.get(first) && first == kCdType && Glob((device + "block/sr*").c_str()).empty();
}

TTransportResult ResultOfErrno(int error) {
  switch (error) {
  case ENODEV:
  case ENXIO:
  case ENOENT:
  case EBADF:
  case ENOMEDIUM:
    return TTransportResult::Gone;
  case ETIMEDOUT:
    return TTransportResult::TimedOut;
  default:
    return TTransportResult::Refused;
  }
}

} // namespace

std::vector<std::string> PassThroughCandidates() {
  std::vector<std::string> paths = Glob("/dev/sr[0-9]*");
  for (const std::string &sg : Glob("/dev/sg[0-9]*"))
    if (IsCdWithoutBlockNode(sg))
      paths.push_back(sg);
  return paths;
}

TOpenResult OpenPassThrough(const std::string &path, void *&handle) {
  const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    switch (errno) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
      return TOpenResult::Missing;
    case EACCES:
    case EPERM:
    case EROFS:
      return TOpenResult::Denied;
    default:
      return TOpenResult::Failed;
    }
  }
  handle = new int(fd);
  return TOpenResult::Opened;
}

namespace {
int Fd(void *handle) { return *static_cast<int *>(handle); }
} // namespace

void ClosePassThrough(void *handle) {
  close(Fd(handle));
  delete static_cast<int *>(handle);
}

TTransportResult ExecutePassThrough(void *handle, TScsiRequest &request) {
  uint8_t sense[64] = {};
  sg_io_hdr_t header{};
  header.interface_id = 'S';
  header.dxfer_direction = request.Direction == TDataDirection::In    ? SG_DXFER_FROM_DEV
                           : request.Direction == TDataDirection::Out ? SG_DXFER_TO_DEV
                                                                      : SG_DXFER_NONE;
  header.cmd_len = request.CdbLength;
  header.cmdp = const_cast<uint8_t *>(request.Cdb);
  header.dxfer_len = request.Length;
  header.dxferp = request.Buffer;
  header.mx_sb_len = sizeof sense;
  header.sbp = sense;
  header.timeout = request.TimeoutMs;
  if (ioctl(Fd(handle), SG_IO, &header) < 0)
    return ResultOfErrno(errno);
  if (header.host_status == kDidTimeOut ||
      (header.driver_status & kDriverStatusMask) == kDriverTimeout)
    return TTransportResult::TimedOut;
  if (header.host_status == kDidNoConnect)
    return TTransportResult::Gone;
  if (header.host_status != 0)
    return TTransportResult::Refused;
  request.ScsiStatus = header.status;
  NormaliseSense(sense, header.sb_len_wr, request.Sense, sizeof request.Sense);
  return TTransportResult::Answered;
}

bool PassThroughAddress(void *, uint8_t &, uint8_t &, uint8_t &) { return false; }

bool LockPassThrough(void *, bool) { return false; }

} // namespace device
