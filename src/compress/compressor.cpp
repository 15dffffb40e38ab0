#include "compress/compressor.h"

#include <errno.h>
#include <sched.h>

#include <algorithm>
#include <new>

#include "compress/fdsink.h"
#include "compress/gzblocks.h"
#include "compress/zstdstream.h"

struct COMPRESSOR {
  FDSINK sink;
  GZBLOCKS *gz;     // the stream of a gzip compressor
  ZSTDSTREAM *zs;   // the stream of a zstd compressor
};

int compressThreads(int threads) {
  if (threads <= 0) {
    cpu_set_t cpus;
    threads = sched_getaffinity(0, sizeof cpus, &cpus) == 0 ? CPU_COUNT(&cpus) : 1;
  }
  return std::clamp(threads, 1, MAX_COMPRESS_THREADS);
}

COMPRESSOR *openCompressor(int fd, const COMPRESSSETTINGS &settings) {
  COMPRESSOR *c = new (std::nothrow) COMPRESSOR{};
  if (c == nullptr) {
    errno = ENOMEM;
    return nullptr;
  }
  c->sink.fd = fd;
  int threads = compressThreads(settings.threads);
  bool ok = settings.codec == Codec::gzip ? (c->gz = openGzBlocks(&c->sink, threads)) != nullptr
                                          : (c->zs = openZstdStream(&c->sink, threads)) != nullptr;
  if (!ok) {
    delete c;  // errno still says why the stream could not start
    return nullptr;
  }
  return c;
}

int compressorWrite(COMPRESSOR *c, const void *buf, size_t n) {
  const unsigned char *p = static_cast<const unsigned char *>(buf);
  return c->gz != nullptr ? gzBlocksWrite(c->gz, p, n) : zstdStreamWrite(c->zs, p, n);
}

int finishCompressor(COMPRESSOR *c) {
  return c->gz != nullptr ? finishGzBlocks(c->gz) : finishZstdStream(c->zs);
}

void freeCompressor(COMPRESSOR *c) {
  if (c == nullptr) return;
  freeGzBlocks(c->gz);
  freeZstdStream(c->zs);
  delete c;
}

const char *compressorError(const COMPRESSOR *c) { return c->sink.error; }
