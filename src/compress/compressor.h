// Compressed output over an open file descriptor: gzip compressed in blocks
// on worker threads, or a zstd stream with zstd's own workers. The caller
// writes plain bytes and finishes the stream; the compressor writes the
// compressed bytes to the descriptor, in order, and never closes it.
#ifndef QUILLET2_COMPRESS_COMPRESSOR_H
#define QUILLET2_COMPRESS_COMPRESSOR_H

#include <stddef.h>

enum class Codec { none, gzip, zstd };

// Compression levels, chosen on a generated million-row table against its
// plain unload: libdeflate's 4 writes .gz files the size of gzip -6 (1.00)
// in about 70% of the CPU time of its 6; zstd's 1 is smaller than gzip -6
// there (0.94) and about 40% faster than its default 3.
constexpr int GZIP_LEVEL = 4;
constexpr int ZSTD_LEVEL = 1;
// Worker threads a stream takes: each costs about 2.5 MiB of blocks and
// compressor state, so this bounds a stream's memory near 100 MiB.
constexpr int MAX_COMPRESS_THREADS = 32;
// Bytes of an error text kept by a failed stream.
constexpr size_t COMPRESS_ERROR_SIZE = 256;

struct COMPRESSSETTINGS {
  Codec codec;  // gzip or zstd; no default, the file name decides
  int threads;  // worker threads; 0 (the default) means every core this process may use
};

struct COMPRESSOR;

// Starts a stream that writes to fd. Returns null when memory or threads
// cannot be had (errno says why). REQUIRES: settings.codec is not none.
COMPRESSOR *openCompressor(int fd, const COMPRESSSETTINGS &settings);

// Compresses n bytes. Returns 0, or -1 once any write to fd has failed (then
// every later call fails too and compressorError says why).
int compressorWrite(COMPRESSOR *c, const void *buf, size_t n);

// Compresses what is pending, writes the end of the stream and stops the
// workers. Returns 0 or -1 as compressorWrite; nothing more may be written.
int finishCompressor(COMPRESSOR *c);

// Stops the workers (without finishing the stream when finishCompressor was
// not called) and frees everything. Null is allowed.
void freeCompressor(COMPRESSOR *c);

// Why the stream failed ("No space left on device", ...); empty while it has not.
const char *compressorError(const COMPRESSOR *c);

// Worker threads that threads asks for: 0 becomes the number of cores this
// process may run on; the result lies in 1 .. MAX_COMPRESS_THREADS.
int compressThreads(int threads);

#endif  // QUILLET2_COMPRESS_COMPRESSOR_H
