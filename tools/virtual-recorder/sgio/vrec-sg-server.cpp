// vrec-sg-server: the virtual recorder behind a Unix socket, for the SG_IO stand-in
// (SgPreload.c). Each connection sends requests in turn; each is executed on the first device
// of the configuration (VIRTUAL_RECORDER_CONFIG) as one ASPI request and answered with the SCSI
// status, the sense data and the data from the device.
//
//   vrec-sg-server SOCKET        serves until killed; the socket file is made afresh
//
// Faults of the route itself (QLN_SG_FAULT), for every request of one operation code, which
// the recorder then never sees:
//   "2A stall"                   never answered (the connection is kept until the peer drops it)
//   "2A sense 70 00 03 ..."      CHECK CONDITION with exactly these sense bytes (at most 32)
#include "tools/virtual-recorder/AspiLayout.h"
#include "tools/virtual-recorder/VirtualRecorder.h"
#include "tools/virtual-recorder/sgio/SgProtocol.h"

#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint8_t kStatusCheckCondition = 0x02;
constexpr uint8_t kStatusBusy = 0x08;
constexpr uint8_t kMaxIds = 8;

// The completion event of one request.
struct TCompletion {
  std::mutex Lock;
  std::condition_variable Done;
  bool Set = false;
  void Signal() {
    const std::lock_guard<std::mutex> hold(Lock);
    Set = true;
    Done.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> hold(Lock);
    Done.wait(hold, [this] { return Set; });
  }
};

struct TFault {
  enum { None, Stall, Answer } Kind = None;
  uint8_t OpCode = 0;
  std::vector<uint8_t> Sense;
};

struct TServer {
  std::unique_ptr<vrec::TRecorderSet> Set;
  TFault Fault;
  std::mutex Serial; // one request at a time, as a drive takes them
  uint8_t Adapter = 0;
  uint8_t Target = 0;
};

bool ReadFull(int fd, void *data, size_t size) {
  auto *p = static_cast<uint8_t *>(data);
  while (size > 0) {
    const ssize_t n = read(fd, p, size);
    if (n <= 0)
      return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool WriteFull(int fd, const void *data, size_t size) {
  const auto *p = static_cast<const uint8_t *>(data);
  while (size > 0) {
    const ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
    if (n <= 0)
      return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

uint8_t HostStatusOf(const vrec::SRB_ExecSCSICmd &srb) {
  if (srb.SRB_Status == vrec::SS_COMP)
    return QLN_SG_HOST_OK;
  if (srb.SRB_HaStat == vrec::HASTAT_SEL_TO || srb.SRB_Status == vrec::SS_NO_DEVICE)
    return QLN_SG_HOST_NO_CONNECT;
  if (srb.SRB_Status == vrec::SS_ERR && srb.SRB_HaStat == vrec::HASTAT_OK)
    return QLN_SG_HOST_OK; // a target status (CHECK CONDITION, BUSY) answers
  return QLN_SG_HOST_ERROR;
}

// Executes one request; the data buffer holds what goes to the device and receives what comes.
qln_sg_reply Execute(TServer &server, const qln_sg_request &request, std::vector<uint8_t> &data) {
  TCompletion completion;
  vrec::SRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = vrec::SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = server.Adapter;
  srb.SRB_Target = server.Target;
  srb.SRB_Flags =
      vrec::SRB_EVENT_NOTIFY | (request.direction == QLN_SG_FROM_DEVICE ? vrec::SRB_DIR_IN
                                : request.direction == QLN_SG_TO_DEVICE ? vrec::SRB_DIR_OUT
                                                                        : 0);
  srb.SRB_BufLen = static_cast<uint32_t>(data.size());
  srb.SRB_BufPointer = data.empty() ? nullptr : data.data();
  srb.SRB_SenseLen = vrec::kSenseAreaLength - 2;
  srb.SRB_CDBLen = request.cdb_length;
  srb.SRB_PostProc = &completion;
  std::memcpy(srb.CDBByte, request.cdb, sizeof srb.CDBByte);
  {
    const std::lock_guard<std::mutex> hold(server.Serial);
    if (server.Set->SendCommand(&srb) == vrec::SS_PENDING)
      completion.Wait();
  }
  qln_sg_reply reply{};
  reply.magic = QLN_SG_MAGIC;
  reply.host_status = HostStatusOf(srb);
  if (reply.host_status == QLN_SG_HOST_OK && srb.SRB_Status != vrec::SS_COMP) {
    reply.status = srb.SRB_TargStat;
    if (srb.SRB_TargStat != kStatusBusy) {
      reply.sense_length = srb.SRB_SenseLen;
      std::memcpy(reply.sense, srb.SenseArea, std::min<size_t>(srb.SRB_SenseLen, QLN_SG_SENSE));
    }
  }
  reply.data_length = request.direction == QLN_SG_FROM_DEVICE && reply.host_status == 0
                          ? static_cast<uint32_t>(data.size())
                          : 0;
  return reply;
}

// QLN_SG_FAULT as above; false when it cannot be read.
bool ParseFault(const char *text, TFault &fault) {
  std::istringstream in(text);
  unsigned op = 0;
  std::string kind;
  if (!(in >> std::hex >> op >> kind) || op > 0xFF)
    return false;
  fault.OpCode = static_cast<uint8_t>(op);
  if (kind == "stall") {
    fault.Kind = TFault::Stall;
    return (in >> std::ws).eof();
  }
  if (kind != "sense")
    return false;
  fault.Kind = TFault::Answer;
  for (unsigned byte = 0; in >> byte;)
    if (byte > 0xFF || fault.Sense.size() == QLN_SG_SENSE)
      return false;
    else
      fault.Sense.push_back(static_cast<uint8_t>(byte));
  return in.eof();
}

// Waits until the peer drops the connection (it gave the request up).
void Stall(int fd) {
  uint8_t byte = 0;
  while (read(fd, &byte, 1) > 0) {
  }
}

void Serve(TServer &server, int fd) {
  qln_sg_request request{};
  std::vector<uint8_t> data;
  while (ReadFull(fd, &request, sizeof request)) {
    if (request.magic != QLN_SG_MAGIC || request.data_length > QLN_SG_MAX_DATA ||
        request.cdb_length == 0 || request.cdb_length > sizeof request.cdb)
      break;
    data.assign(request.data_length, 0);
    if (request.direction == QLN_SG_TO_DEVICE && !ReadFull(fd, data.data(), data.size()))
      break;
    const TFault &fault = server.Fault;
    if (fault.Kind == TFault::Stall && request.cdb[0] == fault.OpCode) {
      Stall(fd);
      break;
    }
    qln_sg_reply reply{};
    if (fault.Kind == TFault::Answer && request.cdb[0] == fault.OpCode) {
      reply.magic = QLN_SG_MAGIC;
      reply.status = kStatusCheckCondition;
      reply.sense_length = static_cast<uint8_t>(fault.Sense.size());
      std::copy(fault.Sense.begin(), fault.Sense.end(), reply.sense);
    } else {
      reply = Execute(server, request, data);
    }
    if (!WriteFull(fd, &reply, sizeof reply) || !WriteFull(fd, data.data(), reply.data_length))
      break;
  }
  close(fd);
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fputs("usage: vrec-sg-server SOCKET   (VIRTUAL_RECORDER_CONFIG names the INI file)\n",
               stderr);
    return 2;
  }
  std::signal(SIGPIPE, SIG_IGN);
  TServer server;
  const char *fault = std::getenv("QLN_SG_FAULT");
  if (fault != nullptr && *fault != 0 && !ParseFault(fault, server.Fault)) {
    std::fprintf(stderr, "vrec-sg-server: QLN_SG_FAULT \"%s\" is not understood\n", fault);
    return 2;
  }
  vrec::TRecorderOptions options;
  options.SignalEvent = [](void *event) { static_cast<TCompletion *>(event)->Signal(); };
  std::string error;
  server.Set = vrec::TRecorderSet::FromFile(vrec::DefaultConfigPath(), error, options);
  if (!server.Set) {
    std::fprintf(stderr, "vrec-sg-server: %s\n", error.c_str());
    return 1;
  }
  bool found = false;
  for (uint8_t a = 0; a < kMaxIds && !found; ++a)
    for (uint8_t t = 0; t < kMaxIds && !found; ++t)
      if (server.Set->Device(a, t) != nullptr) {
        server.Adapter = a;
        server.Target = t;
        found = true;
      }
  if (!found) {
    std::fputs("vrec-sg-server: the configuration has no device\n", stderr);
    return 1;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (std::strlen(argv[1]) >= sizeof address.sun_path) {
    std::fputs("vrec-sg-server: socket path too long\n", stderr);
    return 1;
  }
  std::strcpy(address.sun_path, argv[1]);
  unlink(argv[1]);
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
      listen(listener, 8) != 0) {
    std::perror("vrec-sg-server");
    return 1;
  }
  for (;;) {
    const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0)
      std::thread(Serve, std::ref(server), fd).detach();
  }
}
