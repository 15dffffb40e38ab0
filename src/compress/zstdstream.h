// One zstd frame per stream, compressed by libzstd's own worker threads.
#ifndef QUILLET2_COMPRESS_ZSTDSTREAM_H
#define QUILLET2_COMPRESS_ZSTDSTREAM_H

#include <stddef.h>

#include "compress/fdsink.h"

struct ZSTDSTREAM;

// Starts a frame at ZSTD_LEVEL with threads workers, writing through sink
// (which must outlive the stream). Returns null when memory cannot be had.
ZSTDSTREAM *openZstdStream(FDSINK *sink, int threads);

// Compresses n bytes. 0, or -1 when compressing or a write failed.
int zstdStreamWrite(ZSTDSTREAM *z, const unsigned char *buf, size_t n);

// Ends the frame and writes it out. 0, or -1 as zstdStreamWrite.
int finishZstdStream(ZSTDSTREAM *z);

// Frees the stream (its workers with it).
void freeZstdStream(ZSTDSTREAM *z);

#endif  // QUILLET2_COMPRESS_ZSTDSTREAM_H
