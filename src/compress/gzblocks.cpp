#include "compress/gzblocks.h"

#include <errno.h>
#include <libdeflate.h>
#include <string.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Plain bytes per gzip member. Each member starts without a dictionary; at
// 1 MiB that costs about 0.1% of the compressed size against 4 MiB members,
// while the blocks in flight stay a few MiB.
constexpr size_t BLOCK_SIZE = 1 << 20;
// Blocks beyond one per worker: the one the caller fills, and one compressed
// block waiting for its turn to be written.
constexpr size_t SPARE_SLOTS = 2;

enum class SlotState { filling, queued, done };

struct GZSLOT {
  std::unique_ptr<unsigned char[]> in;   // BLOCK_SIZE plain bytes
  size_t inlen = 0;
  std::unique_ptr<unsigned char[]> out;  // one gzip member
  size_t outlen = 0;
  SlotState state = SlotState::filling;
};

}  // namespace

// Block b of the stream lives in slots[b % slots.size()]. The caller fills
// block `submitted`; workers compress blocks `taken` .. `submitted` - 1 in
// any order; the caller writes finished blocks in order from `written`.
struct GZBLOCKS {
  FDSINK *sink = nullptr;
  size_t outcap = 0;  // bytes of each slot's out buffer
  std::vector<GZSLOT> slots;
  std::vector<libdeflate_compressor *> compressors;  // one per worker
  std::vector<std::thread> workers;
  std::mutex mu;                   // guards the counters, states and stop
  std::condition_variable queued;  // a block was queued, or stop was set
  std::condition_variable done;    // a block was compressed
  unsigned long long submitted = 0;
  unsigned long long taken = 0;
  unsigned long long written = 0;
  bool stop = false;
};

namespace {

GZSLOT &slotOf(GZBLOCKS *g, unsigned long long block) { return g->slots[block % g->slots.size()]; }

void compressBlocks(GZBLOCKS *g, libdeflate_compressor *c) {
  std::unique_lock<std::mutex> lock(g->mu);
  for (;;) {
    g->queued.wait(lock, [g] { return g->stop || g->taken < g->submitted; });
    if (g->stop) return;
    GZSLOT &s = slotOf(g, g->taken++);
    lock.unlock();
    // The out buffer holds the bound for a full block, so this never fails.
    s.outlen = libdeflate_gzip_compress(c, s.in.get(), s.inlen, s.out.get(), g->outcap);
    lock.lock();
    s.state = SlotState::done;
    g->done.notify_one();
  }
}

void queueBlock(GZBLOCKS *g) {
  {
    std::lock_guard<std::mutex> lock(g->mu);
    slotOf(g, g->submitted).state = SlotState::queued;
    g->submitted += 1;
  }
  g->queued.notify_one();
}

// Writes compressed blocks in order: those already done, and, waiting for
// them, every block when drain is set or the oldest when the next block to
// fill has no free slot.
int writeDone(GZBLOCKS *g, bool drain) {
  for (;;) {
    GZSLOT *s;
    {
      std::unique_lock<std::mutex> lock(g->mu);
      if (g->written == g->submitted) return 0;
      s = &slotOf(g, g->written);
      bool mustWait = drain || g->submitted - g->written >= g->slots.size();
      if (!mustWait && s->state != SlotState::done) return 0;
      g->done.wait(lock, [s] { return s->state == SlotState::done; });
    }
    int rc = sinkWrite(g->sink, s->out.get(), s->outlen);
    {
      std::lock_guard<std::mutex> lock(g->mu);
      s->state = SlotState::filling;
      s->inlen = 0;
      g->written += 1;
    }
    if (rc != 0) return -1;
  }
}

void stopWorkers(GZBLOCKS *g) {
  {
    std::lock_guard<std::mutex> lock(g->mu);
    g->stop = true;
  }
  g->queued.notify_all();
  for (std::thread &t : g->workers) t.join();
  g->workers.clear();
}

// Slots, compressors and threads; false with errno when one cannot be had.
bool startWorkers(GZBLOCKS *g, int threads) {
  for (int k = 0; k < threads; ++k) {
    libdeflate_compressor *c = libdeflate_alloc_compressor(GZIP_LEVEL);
    if (c == nullptr) {
      errno = ENOMEM;
      return false;
    }
    g->compressors.push_back(c);
  }
  g->outcap = libdeflate_gzip_compress_bound(g->compressors[0], BLOCK_SIZE);
  g->slots.resize(static_cast<size_t>(threads) + SPARE_SLOTS);
  for (GZSLOT &s : g->slots) {
    s.in.reset(new (std::nothrow) unsigned char[BLOCK_SIZE]);
    s.out.reset(new (std::nothrow) unsigned char[g->outcap]);
    if (s.in == nullptr || s.out == nullptr) {
      errno = ENOMEM;
      return false;
    }
  }
  try {
    for (libdeflate_compressor *c : g->compressors) g->workers.emplace_back(compressBlocks, g, c);
  } catch (const std::system_error &e) {
    errno = e.code().value();
    return false;
  }
  return true;
}

}  // namespace

GZBLOCKS *openGzBlocks(FDSINK *sink, int threads) {
  GZBLOCKS *g = new (std::nothrow) GZBLOCKS;
  if (g == nullptr) {
    errno = ENOMEM;
    return nullptr;
  }
  g->sink = sink;
  if (!startWorkers(g, threads)) {
    int why = errno;
    freeGzBlocks(g);
    errno = why;
    return nullptr;
  }
  return g;
}

int gzBlocksWrite(GZBLOCKS *g, const unsigned char *buf, size_t n) {
  while (n > 0) {
    if (g->sink->error[0] != '\0') return -1;
    GZSLOT &s = slotOf(g, g->submitted);
    size_t k = std::min(n, BLOCK_SIZE - s.inlen);
    memcpy(s.in.get() + s.inlen, buf, k);
    s.inlen += k;
    buf += k;
    n -= k;
    if (s.inlen == BLOCK_SIZE) {
      queueBlock(g);
      if (writeDone(g, false) != 0) return -1;
    }
  }
  return g->sink->error[0] != '\0' ? -1 : 0;
}

int finishGzBlocks(GZBLOCKS *g) {
  if (g->sink->error[0] != '\0') return -1;
  if (slotOf(g, g->submitted).inlen > 0 || g->submitted == 0) queueBlock(g);
  int rc = writeDone(g, true);
  stopWorkers(g);
  return rc;
}

void freeGzBlocks(GZBLOCKS *g) {
  if (g == nullptr) return;
  stopWorkers(g);
  for (libdeflate_compressor *c : g->compressors) libdeflate_free_compressor(c);
  delete g;
}
