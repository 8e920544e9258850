/* A stand-in for a CD device node. Preloaded (LD_PRELOAD), it answers ioctl(fd, SG_IO, ...) on
   the file named by QLN_SG_NODE by forwarding the CDB and data to vrec-sg-server on the socket
   named by QLN_SG_SOCKET; every other call goes to the C library. The node is any existing file;
   it is recognised by the path of the open file, whoever opened it (under Wine the server
   process opens files for the program). Removing the node makes requests fail with ENODEV, as
   when a drive goes away; a server that is gone gives the same. A request not answered within
   the header's timeout (at most QLN_SG_TIMEOUT_MS when set) ends as the kernel ends it: the
   ioctl returns 0 with host status DID_TIME_OUT, and the connection is dropped. Built for i386
   (the processes of 32-bit Windows programs under Wine) and natively. */
#define _GNU_SOURCE
#include "SgProtocol.h"

#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <poll.h>
#include <pthread.h>
#include <scsi/sg.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static int connection = -1;

static int is_node(int fd) {
  const char *node = getenv("QLN_SG_NODE");
  char link[64], path[PATH_MAX], wanted[PATH_MAX];
  ssize_t n;
  if (node == NULL || realpath(node, wanted) == NULL)
    return 0;
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  n = readlink(link, path, sizeof path - 1);
  if (n <= 0)
    return 0;
  path[n] = 0;
  return strcmp(path, wanted) == 0;
}

static int deleted_node(int fd) {
  /* A node removed while open reads back as "PATH (deleted)". */
  const char *node = getenv("QLN_SG_NODE");
  char link[64], path[PATH_MAX];
  ssize_t n;
  if (node == NULL)
    return 0;
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  n = readlink(link, path, sizeof path - 1);
  if (n <= 0)
    return 0;
  path[n] = 0;
  return strncmp(path, node, strlen(node)) == 0 && strstr(path, " (deleted)") != NULL;
}

static int full_io(int fd, void *data, size_t size, int out) {
  unsigned char *p = data;
  while (size > 0) {
    ssize_t n = out ? send(fd, p, size, MSG_NOSIGNAL) : read(fd, p, size);
    if (n <= 0)
      return -1;
    p += n;
    size -= (size_t)n;
  }
  return 0;
}

/* The time the request may take: the header's, the kernel's 60 s default for none, at most
   QLN_SG_TIMEOUT_MS. */
static int timeout_ms(const sg_io_hdr_t *h) {
  const char *cap = getenv("QLN_SG_TIMEOUT_MS");
  unsigned int ms = h->timeout != 0 ? h->timeout : 60000u;
  if (cap != NULL && strtoul(cap, NULL, 10) > 0 && strtoul(cap, NULL, 10) < ms)
    ms = (unsigned int)strtoul(cap, NULL, 10);
  return ms > INT_MAX ? INT_MAX : (int)ms;
}

/* Waits for the reply; 0 when it does not come in time. */
static int answered(int fd, int ms) {
  struct pollfd p;
  int n;
  p.fd = fd;
  p.events = POLLIN;
  do
    n = poll(&p, 1, ms);
  while (n < 0 && errno == EINTR);
  return n != 0;
}

static int connect_server(void) {
  const char *name = getenv("QLN_SG_SOCKET");
  struct sockaddr_un address;
  int fd;
  if (connection >= 0)
    return connection;
  if (name == NULL || strlen(name) >= sizeof address.sun_path)
    return -1;
  memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  strcpy(address.sun_path, name);
  fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return -1;
  if (connect(fd, (struct sockaddr *)&address, sizeof address) != 0) {
    close(fd);
    return -1;
  }
  connection = fd;
  return fd;
}

static int forward(sg_io_hdr_t *h) {
  struct qln_sg_request request;
  struct qln_sg_reply reply;
  int fd, failed, timed_out = 0;
  if (h->interface_id != 'S' || h->cmd_len == 0 || h->cmd_len > sizeof request.cdb ||
      h->cmdp == NULL || h->iovec_count != 0 || h->dxfer_len > QLN_SG_MAX_DATA ||
      (h->dxfer_len > 0 && h->dxferp == NULL)) {
    errno = EINVAL;
    return -1;
  }
  memset(&request, 0, sizeof request);
  request.magic = QLN_SG_MAGIC;
  request.timeout_ms = h->timeout;
  request.cdb_length = h->cmd_len;
  memcpy(request.cdb, h->cmdp, h->cmd_len);
  request.data_length = h->dxfer_len;
  request.direction = h->dxfer_len == 0                       ? QLN_SG_NONE
                      : h->dxfer_direction == SG_DXFER_TO_DEV ? QLN_SG_TO_DEVICE
                                                              : QLN_SG_FROM_DEVICE;
  if (request.direction == QLN_SG_NONE)
    request.data_length = 0;
  pthread_mutex_lock(&lock);
  fd = connect_server();
  failed = fd < 0 || full_io(fd, &request, sizeof request, 1) != 0 ||
           (request.direction == QLN_SG_TO_DEVICE &&
            full_io(fd, h->dxferp, request.data_length, 1) != 0);
  if (!failed && !answered(fd, timeout_ms(h)))
    failed = timed_out = 1;
  failed = failed || full_io(fd, &reply, sizeof reply, 0) != 0 || reply.magic != QLN_SG_MAGIC ||
           reply.data_length > request.data_length ||
           (reply.data_length > 0 && full_io(fd, h->dxferp, reply.data_length, 0) != 0);
  if (failed && fd >= 0) {
    close(fd);
    connection = -1;
  }
  pthread_mutex_unlock(&lock);
  if (timed_out) {
    memset(&reply, 0, sizeof reply);
    reply.host_status = QLN_SG_HOST_TIME_OUT;
  } else if (failed) {
    errno = ENODEV;
    return -1;
  }
  h->status = reply.status;
  h->masked_status = (unsigned char)((reply.status >> 1) & 0x7F);
  h->host_status = reply.host_status;
  h->driver_status = reply.sense_length > 0 ? 0x08 : 0; /* DRIVER_SENSE */
  h->msg_status = 0;
  h->sb_len_wr =
      (unsigned char)(reply.sense_length < h->mx_sb_len ? reply.sense_length : h->mx_sb_len);
  if (h->sb_len_wr > 0 && h->sbp != NULL)
    memcpy(h->sbp, reply.sense, h->sb_len_wr);
  h->resid =
      request.direction == QLN_SG_FROM_DEVICE ? (int)(request.data_length - reply.data_length) : 0;
  h->duration = timed_out ? (unsigned int)timeout_ms(h) : 0;
  h->info = (reply.status | reply.host_status) != 0 ? SG_INFO_CHECK : SG_INFO_OK;
  return 0;
}

static int sg_request(int fd, unsigned long request, void *argument, const char *name) {
  static ioctl_fn next[2];
  const int which = name[0] == 'i' ? 0 : 1;
  if (request == SG_IO && is_node(fd))
    return forward(argument);
  if (request == SG_IO && deleted_node(fd)) {
    errno = ENODEV;
    return -1;
  }
  if (next[which] == NULL)
    next[which] = (ioctl_fn)dlsym(RTLD_NEXT, name);
  if (next[which] == NULL) {
    errno = ENOSYS;
    return -1;
  }
  return next[which](fd, request, argument);
}

__attribute__((visibility("default"))) int ioctl(int fd, unsigned long request, ...) {
  va_list list;
  void *argument;
  va_start(list, request);
  argument = va_arg(list, void *);
  va_end(list);
  return sg_request(fd, request, argument, "ioctl");
}

#if defined(__i386__)
/* The entry 32-bit programs built with 64-bit time call (Wine's among them). */
__attribute__((visibility("default"))) int __ioctl_time64(int fd, unsigned long request, ...) {
  va_list list;
  void *argument;
  va_start(list, request);
  argument = va_arg(list, void *);
  va_end(list);
  return sg_request(fd, request, argument, "__ioctl_time64");
}
#endif
