#include "unload/escape.h"

#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Most translation pairs in force.
constexpr int MAX_TRANSLATE_PAIRS = 10;

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
void walkEscape(Sink &sink, const ESCAPESET &set, const unsigned char *src, int len) {
  const StopVectors sv(set);
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
    if (!set->escaped[b]) set->wanted[set->count++] = b;
    set->escaped[b] = 1;
    set->stop[b] = 1;
  }
  if (set->pairs) memset(set->stop + 0x80, 1, 0x80);
}

int countEscapes(const ESCAPESET *set, const unsigned char *srcbuf, int len) {
  if (len < 1) return 0;
  CountSink sink;
  walkEscape(sink, *set, srcbuf, len);
  return sink.escapes;
}

int copyEscaped(const ESCAPESET *set, unsigned char *dstbuf, const unsigned char *srcbuf, int len) {
  if (len < 1) return 0;
  CopySink sink{dstbuf};
  walkEscape(sink, *set, srcbuf, len);
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
