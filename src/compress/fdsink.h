// The descriptor a compressor writes to, and the first error it met.
#ifndef QUILLET2_COMPRESS_FDSINK_H
#define QUILLET2_COMPRESS_FDSINK_H

#include <stddef.h>

#include "compress/compressor.h"

struct FDSINK {
  int fd;                            // not owned: the caller closes it
  char error[COMPRESS_ERROR_SIZE];   // empty until a write fails
};

// Writes all n bytes, through short writes and interrupts. Returns 0, or -1
// with the reason in sink->error; after a failure every call fails at once.
int sinkWrite(FDSINK *sink, const void *buf, size_t n);

// Records a failure that did not come from a write (a compressor's own).
void sinkFail(FDSINK *sink, const char *why);

#endif  // QUILLET2_COMPRESS_FDSINK_H
