#include "compress/zstdstream.h"

#include <errno.h>
#include <zstd.h>

#include <memory>
#include <new>

namespace {

// Plain bytes per worker job: libzstd's smallest. Against its default (four
// windows, 8 MiB at level 3) it keeps a stream's buffers near 6 MiB instead
// of about 60, and on delimited text the output came out 3% smaller, as each job
// is compressed with the parameters for inputs of its size.
constexpr size_t JOB_SIZE = 512 << 10;

}  // namespace

struct ZSTDSTREAM {
  FDSINK *sink = nullptr;
  ZSTD_CCtx *cctx = nullptr;
  std::unique_ptr<unsigned char[]> out;  // outsize bytes
  size_t outsize = 0;
};

namespace {

// Feeds in (all of it for ZSTD_e_continue, to the end of the frame for
// ZSTD_e_end) and writes whatever comes out.
int pump(ZSTDSTREAM *z, ZSTD_inBuffer *in, ZSTD_EndDirective mode) {
  for (;;) {
    if (z->sink->error[0] != '\0') return -1;
    ZSTD_outBuffer o = {z->out.get(), z->outsize, 0};
    size_t left = ZSTD_compressStream2(z->cctx, &o, in, mode);
    if (ZSTD_isError(left)) {
      sinkFail(z->sink, ZSTD_getErrorName(left));
      return -1;
    }
    if (sinkWrite(z->sink, z->out.get(), o.pos) != 0) return -1;
    if (mode == ZSTD_e_continue ? in->pos == in->size : left == 0) return 0;
  }
}

}  // namespace

ZSTDSTREAM *openZstdStream(FDSINK *sink, int threads) {
  std::unique_ptr<ZSTDSTREAM> z(new (std::nothrow) ZSTDSTREAM);
  if (z != nullptr) {
    z->sink = sink;
    z->cctx = ZSTD_createCCtx();
    z->outsize = ZSTD_CStreamOutSize();
    z->out.reset(new (std::nothrow) unsigned char[z->outsize]);
  }
  if (z == nullptr || z->cctx == nullptr || z->out == nullptr) {
    freeZstdStream(z.release());
    errno = ENOMEM;
    return nullptr;
  }
  ZSTD_CCtx_setParameter(z->cctx, ZSTD_c_compressionLevel, ZSTD_LEVEL);
  ZSTD_CCtx_setParameter(z->cctx, ZSTD_c_checksumFlag, 1);
  // A library built without threads refuses workers and compresses on the
  // caller's thread instead.
  ZSTD_CCtx_setParameter(z->cctx, ZSTD_c_nbWorkers, threads);
  ZSTD_CCtx_setParameter(z->cctx, ZSTD_c_jobSize, static_cast<int>(JOB_SIZE));
  return z.release();
}

int zstdStreamWrite(ZSTDSTREAM *z, const unsigned char *buf, size_t n) {
  ZSTD_inBuffer in = {buf, n, 0};
  return pump(z, &in, ZSTD_e_continue);
}

int finishZstdStream(ZSTDSTREAM *z) {
  ZSTD_inBuffer in = {nullptr, 0, 0};
  return pump(z, &in, ZSTD_e_end);
}

void freeZstdStream(ZSTDSTREAM *z) {
  if (z == nullptr) return;
  ZSTD_freeCCtx(z->cctx);
  delete z;
}
