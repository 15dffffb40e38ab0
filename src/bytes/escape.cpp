#include "bytes/escape.h"

#include <assert.h>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

// Most translation pairs in force.
constexpr int MAX_TRANSLATE_PAIRS = 10;

// The nibble-table bit that, with pairs, marks every byte from 0x80 up.
constexpr unsigned char LEAD_BIT = 0x80;

inline bool isLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
inline bool isTrailByte(unsigned char b) {
  return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

// The stop bytes of a set, one SSE2 register each, built once per walk.
struct StopVectors {
#if defined(__SSE2__)
  __m128i wanted[MAX_ESCAPE_PAIRS + 1];
  explicit StopVectors(const ESCAPESET &set) {
    for (int k = 0; k < set.count; k++) wanted[k] = _mm_set1_epi8(static_cast<char>(set.wanted[k]));
  }
  // Bit k set: byte k of v is one the walk stops at.
  int hits(__m128i v, const ESCAPESET &set) const {
    __m128i hit = set.pairs ? v : _mm_setzero_si128();
    for (int k = 0; k < set.count; k++) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, wanted[k]));
    return _mm_movemask_epi8(hit);
  }
#else
  explicit StopVectors(const ESCAPESET &) {}
#endif
};

// Output of one walk: the copy writes bytes, the count only adds them up, so
// both follow the very same decisions.
struct CopySink {
  unsigned char *dst;
  void run(const unsigned char *src, int n) {  // short runs: a few bytes
    for (int k = 0; k < n; k++) dst[k] = src[k];
    dst += n;
  }
#if defined(__SSE2__)
  // The first n bytes of a 16-byte block: all 16 are stored, as the room for
  // the rest of the source (16 bytes at least) is there.
  void block(__m128i v, int n) {
    _mm_storeu_si128(reinterpret_cast<__m128i *>(dst), v);
    dst += n;
  }
#endif
  void escaped(unsigned char escape, unsigned char b) {
    dst[0] = escape;
    dst[1] = b;
    dst += 2;
  }
};

struct CountSink {
  int escapes = 0;
  void run(const unsigned char *, int) {}
#if defined(__SSE2__)
  void block(__m128i, int) {}
#endif
  void escaped(unsigned char, unsigned char) { escapes++; }
};

template <typename Sink>
void walkEscape(Sink &sink, const ESCAPESET &set, const StopVectors &sv, const unsigned char *src, int len) {
  int i = 0;
  while (i < len) {
    // The clean bytes before the next stop: whole blocks while 16 are left.
#if defined(__SSE2__)
    if (i + 16 <= len) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
      int mask = sv.hits(v, set);
      int run = mask != 0 ? __builtin_ctz(static_cast<unsigned>(mask)) : 16;
      sink.block(v, run);
      i += run;
      if (mask == 0) continue;
    } else
#endif
    {
      int run = 0;
      while (i + run < len && !set.stop[src[i + run]]) run++;
      sink.run(src + i, run);
      i += run;
      if (i >= len) break;
    }
    unsigned char b = src[i];
    if (set.pairs && i + 1 < len && isChinese(b, src[i + 1])) {
      sink.run(src + i, 2);
      i += 2;
      continue;
    }
    i++;
    if (set.escaped[b]) {
      sink.escaped(set.escape, set.to[b]);
    } else {
      sink.run(src + i - 1, 1);
    }
  }
}

#if defined(__x86_64__) && defined(__GNUC__)
// Most values have nothing to escape; on processors with AVX2 such a value is
// checked and copied whole, a vector at a time, before the walk is needed.
#define ESCAPE_AVX2 __attribute__((target("avx2")))

// Nonzero in each byte of v the walk may stop at. lo, hi: the set's nibble
// tables, read once per value (the copy's stores could alias the set).
ESCAPE_AVX2 inline __m128i stopBytes(__m128i v, __m128i lo, __m128i hi) {
  const __m128i nib = _mm_set1_epi8(0x0F);
  return _mm_and_si128(_mm_shuffle_epi8(lo, _mm_and_si128(v, nib)),
                       _mm_shuffle_epi8(hi, _mm_and_si128(_mm_srli_epi16(v, 4), nib)));
}
ESCAPE_AVX2 inline __m256i stopBytes(__m256i v, __m256i lo, __m256i hi) {
  const __m256i nib = _mm256_set1_epi8(0x0F);
  return _mm256_and_si256(_mm256_shuffle_epi8(lo, _mm256_and_si256(v, nib)),
                          _mm256_shuffle_epi8(hi, _mm256_and_si256(_mm256_srli_epi16(v, 4), nib)));
}

// Bit k set when byte k of v may be a stop.
ESCAPE_AVX2 inline unsigned stopsIn(__m128i v, __m128i lo, __m128i hi) {
  const __m128i t = stopBytes(v, lo, hi);
  return ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(t, _mm_setzero_si128()))) & 0xFFFF;
}
ESCAPE_AVX2 inline unsigned stopsIn(__m256i v, __m256i lo, __m256i hi) {
  const __m256i t = stopBytes(v, lo, hi);
  return ~static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(t, _mm256_setzero_si256())));
}

inline __m128i load4(const unsigned char *p) {
  int x;
  memcpy(&x, p, 4);
  return _mm_cvtsi32_si128(x);
}
inline void store4(unsigned char *p, __m128i v) {
  const int x = _mm_cvtsi128_si32(v);
  memcpy(p, &x, 4);
}
inline __m128i load8(const unsigned char *p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)); }
inline void store8(unsigned char *p, __m128i v) { _mm_storel_epi64(reinterpret_cast<__m128i *>(p), v); }
inline __m128i load16(const unsigned char *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
inline void store16(unsigned char *p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); }
ESCAPE_AVX2 inline __m256i load32(const unsigned char *p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
}
ESCAPE_AVX2 inline void store32(unsigned char *p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v);
}

// A value of 4 to 32 bytes is read as two pieces that overlap in the middle,
// so nothing outside it is read or written. Returns len when no byte is a
// stop and the value was copied, else 0.
ESCAPE_AVX2 int copyShortClean(const ESCAPESET &set, unsigned char *dst, const unsigned char *src, int len) {
  assert(len >= 4 && len <= 32);
  const __m128i nlo = load16(set.lonib), nhi = load16(set.hinib);
  if (len >= 16) {
    const __m128i lo = load16(src), hi = load16(src + len - 16);
    if (stopsIn(lo, nlo, nhi) | stopsIn(hi, nlo, nhi)) return 0;
    store16(dst, lo);
    store16(dst + len - 16, hi);
  } else if (len >= 8) {
    const __m128i lo = load8(src), hi = load8(src + len - 8);
    if (stopsIn(_mm_unpacklo_epi64(lo, hi), nlo, nhi)) return 0;
    store8(dst, lo);
    store8(dst + len - 8, hi);
  } else {
    const __m128i lo = load4(src), hi = load4(src + len - 4);
    if (stopsIn(_mm_unpacklo_epi32(lo, hi), nlo, nhi) & 0xFF) return 0;
    store4(dst, lo);
    store4(dst + len - 4, hi);
  }
  return len;
}

// Copies a value of more than 32 bytes up to its first stop and returns the
// bytes copied (len when there is no stop). The last block overlaps the one
// before it: its front bytes are known clean, and up to the first stop output
// and input positions agree, so it is stored in place.
ESCAPE_AVX2 int copyLongClean(const ESCAPESET &set, unsigned char *dst, const unsigned char *src, int len) {
  assert(len > 32);
  const __m256i lo = _mm256_broadcastsi128_si256(load16(set.lonib));
  const __m256i hi = _mm256_broadcastsi128_si256(load16(set.hinib));
  auto stops = [&](__m256i v) ESCAPE_AVX2 { return stopsIn(v, lo, hi); };
  int i = 0;
  for (; i + 64 <= len; i += 64) {  // two vectors a turn, one test for both
    const __m256i a = load32(src + i), b = load32(src + i + 32);
    store32(dst + i, a);
    store32(dst + i + 32, b);
    const __m256i t = _mm256_or_si256(stopBytes(a, lo, hi), stopBytes(b, lo, hi));
    if (!_mm256_testz_si256(t, t)) {
      const unsigned long long mask = stops(a) | static_cast<unsigned long long>(stops(b)) << 32;
      return i + __builtin_ctzll(mask);
    }
  }
  if (i + 32 <= len) {
    const __m256i v = load32(src + i);
    store32(dst + i, v);
    if (const unsigned mask = stops(v)) return i + __builtin_ctz(mask);
    i += 32;
  }
  if (i == len) return len;
  const __m256i v = load32(src + len - 32);
  store32(dst + len - 32, v);
  const unsigned mask = stops(v);
  return mask ? len - 32 + __builtin_ctz(mask) : len;
}

const bool HAVE_AVX2 = [] {
  __builtin_cpu_init();  // may run before the runtime's own constructor
  return __builtin_cpu_supports("avx2") != 0;
}();

// Copies the front of a value up to its first stop byte, or none of it, and
// returns the bytes copied; the walk carries on from there as if it had
// copied them itself. Every store lies inside the value's own len bytes.
int copyCleanPrefix(const ESCAPESET &set, unsigned char *dst, const unsigned char *src, int len) {
  if (len < 4 || !HAVE_AVX2) return 0;
  return len <= 32 ? copyShortClean(set, dst, src, len) : copyLongClean(set, dst, src, len);
}
#else
int copyCleanPrefix(const ESCAPESET &, unsigned char *, const unsigned char *, int) { return 0; }
#endif

}  // namespace

// The GB2312 (lead 0xA1-0xF7, trail 0xA1-0xFE) and Big5 (lead 0xA1-0xF9, trail
// 0x40-0x7E or 0xA1-0xFE) ranges lie inside the GBK ranges tested here.
int isChinese(unsigned char bhead, unsigned char btail) {
  return isLeadByte(bhead) && isTrailByte(btail) ? 1 : 0;
}

void prepareEscapeSet(ESCAPESET *set, unsigned char escape, const unsigned char *escchars,
                      const unsigned char *escdchars, int esclen, int pairs) {
  if (esclen > MAX_ESCAPE_PAIRS) esclen = MAX_ESCAPE_PAIRS;
  if (esclen < 0) esclen = 0;
  memset(set, 0, sizeof *set);
  set->escape = escape;
  set->pairs = pairs != 0;
  // The escape byte is doubled; a listed byte takes its first entry's form.
  for (int k = esclen - 1; k >= -1; k--) {
    const unsigned char b = k < 0 ? escape : escchars[k];
    set->to[b] = k < 0 ? escape : escdchars ? escdchars[k] : b;
    if (!set->escaped[b]) {
      const unsigned char bit = static_cast<unsigned char>(1u << (set->count % (set->pairs ? 7 : 8)));
      set->lonib[b & 0x0F] |= bit;
      set->hinib[b >> 4] |= bit;
      set->wanted[set->count++] = b;
    }
    set->escaped[b] = 1;
    set->stop[b] = 1;
  }
  if (set->pairs) {
    memset(set->stop + 0x80, 1, 0x80);
    for (int k = 0; k < 16; k++) set->lonib[k] |= LEAD_BIT;
    for (int k = 8; k < 16; k++) set->hinib[k] |= LEAD_BIT;
  }
}

int countEscapes(const ESCAPESET *set, const unsigned char *srcbuf, int len) {
  if (len < 1) return 0;
  CountSink sink;
  walkEscape(sink, *set, StopVectors(*set), srcbuf, len);
  return sink.escapes;
}

int copyEscaped(const ESCAPESET *set, unsigned char *dstbuf, const unsigned char *srcbuf, int len) {
  if (len < 1) return 0;
  const int clean = copyCleanPrefix(*set, dstbuf, srcbuf, len);
  if (clean == len) return len;
  CopySink sink{dstbuf + clean};
  walkEscape(sink, *set, StopVectors(*set), srcbuf + clean, len - clean);
  return static_cast<int>(sink.dst - dstbuf);
}

int countBufferEscape(const unsigned char *srcbuf, int len, unsigned char escape,
                      const unsigned char *escchars, int esclen, int pairs) {
  ESCAPESET set;
  prepareEscapeSet(&set, escape, escchars, nullptr, esclen, pairs);
  return countEscapes(&set, srcbuf, len);
}

int copyBufferEscape(unsigned char *dstbuf, const unsigned char *srcbuf, int len,
                     unsigned char escape, const unsigned char *escchars,
                     const unsigned char *escdchars, int esclen, int pairs) {
  ESCAPESET set;
  prepareEscapeSet(&set, escape, escchars, escdchars, esclen, pairs);
  return copyEscaped(&set, dstbuf, srcbuf, len);
}

void replaceBuffer(unsigned char *buf, int buflen, const unsigned char *sedf,
                   const unsigned char *sedt) {
  if (sedf[0] == sedt[0]) return;
  int n = 1;
  while (n < MAX_TRANSLATE_PAIRS && sedf[n] != sedt[n]) n++;
  // Filled from the last pair down, so the first pair for a byte wins and every
  // byte is translated once.
  unsigned char table[256];
  for (int b = 0; b < 256; b++) table[b] = static_cast<unsigned char>(b);
  for (int k = n - 1; k >= 0; k--) table[sedf[k]] = sedt[k];
  for (int i = 0; i < buflen; i++) buf[i] = table[buf[i]];
}
