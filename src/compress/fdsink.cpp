#include "compress/fdsink.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int sinkWrite(FDSINK *sink, const void *buf, size_t n) {
  if (sink->error[0] != '\0') return -1;
  const char *p = static_cast<const char *>(buf);
  while (n > 0) {
    ssize_t w = write(sink->fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      sinkFail(sink, w < 0 ? strerror(errno) : "nothing was written");
      return -1;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  return 0;
}

void sinkFail(FDSINK *sink, const char *why) {
  if (sink->error[0] == '\0') snprintf(sink->error, sizeof sink->error, "%s", why);
}
