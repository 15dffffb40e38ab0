// gzip compressed in blocks on worker threads. Each block of the input
// becomes one complete gzip member (libdeflate, no dictionary carried
// between blocks); readers of gzip files (gzip, zcat, Python's gzip) read the
// members one after another as one file.
#ifndef QUILLET2_COMPRESS_GZBLOCKS_H
#define QUILLET2_COMPRESS_GZBLOCKS_H

#include <stddef.h>

#include "compress/fdsink.h"

struct GZBLOCKS;

// Starts threads workers writing through sink (which must outlive the
// stream). Returns null when memory or a thread cannot be had.
GZBLOCKS *openGzBlocks(FDSINK *sink, int threads);

// Takes n bytes; a full block goes to the workers. 0, or -1 when a write failed.
int gzBlocksWrite(GZBLOCKS *g, const unsigned char *buf, size_t n);

// Compresses the last block (an empty stream still gets one empty member)
// and writes every member still pending. 0, or -1 when a write failed.
int finishGzBlocks(GZBLOCKS *g);

// Stops and joins the workers and frees the stream.
void freeGzBlocks(GZBLOCKS *g);

#endif  // QUILLET2_COMPRESS_GZBLOCKS_H
