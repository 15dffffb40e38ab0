#include "unload/escape.h"

#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Most escape pairs the row writer puts in force, and translation pairs.
constexpr int MAX_ESCAPE_PAIRS = 20;
constexpr int MAX_TRANSLATE_PAIRS = 10;

inline bool isLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
inline bool isTrailByte(unsigned char b) {
  return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

// The bytes at which the escaping walk must stop and look: the escape byte,
// the escape list, and (with pairs) every byte with the high bit set, since
// lead bytes are 0x81-0xFE. Everything else is copied as it stands.
struct Specials {
  unsigned long long map[4] = {};
  bool highbit;
  int count = 0;
  unsigned char bytes[MAX_ESCAPE_PAIRS + 1];

  Specials(unsigned char escape, const unsigned char *escchars, int esclen, int pairs)
      : highbit(pairs != 0) {
    add(escape);
    for (int k = 0; k < esclen; k++) add(escchars[k]);
  }
  void add(unsigned char b) {
    if (!has(b)) bytes[count++] = b;
    map[b >> 6] |= 1ULL << (b & 63);
  }
  bool has(unsigned char b) const { return (map[b >> 6] >> (b & 63)) & 1; }
  bool stops(unsigned char b) const { return (highbit && b >= 0x80) || has(b); }
};

// Length of the leading run of src that holds no special byte.
int cleanRun(const unsigned char *src, int len, const Specials &sp) {
  int i = 0;
#if defined(__SSE2__)
  __m128i wanted[MAX_ESCAPE_PAIRS + 1];
  for (int k = 0; k < sp.count; k++) wanted[k] = _mm_set1_epi8(static_cast<char>(sp.bytes[k]));
  for (; i + 16 <= len; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
    __m128i hit = sp.highbit ? v : _mm_setzero_si128();
    for (int k = 0; k < sp.count; k++) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, wanted[k]));
    int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return i + __builtin_ctz(static_cast<unsigned>(mask));
  }
#endif
  while (i < len && !sp.stops(src[i])) i++;
  return i;
}

// Output of one walk: the copy writes bytes, the count only adds them up, so
// both follow the very same decisions.
struct CopySink {
  unsigned char *dst;
  int escapes = 0;
  void run(const unsigned char *src, int n) {
    memcpy(dst, src, n);
    dst += n;
  }
  void escaped(unsigned char escape, unsigned char b) {
    dst[0] = escape;
    dst[1] = b;
    dst += 2;
    escapes++;
  }
};

struct CountSink {
  int escapes = 0;
  void run(const unsigned char *, int) {}
  void escaped(unsigned char, unsigned char) { escapes++; }
};

template <typename Sink>
void walkEscape(Sink &sink, const unsigned char *src, int len, unsigned char escape,
                const unsigned char *escchars, const unsigned char *escdchars, int esclen,
                int pairs) {
  if (esclen > MAX_ESCAPE_PAIRS) esclen = MAX_ESCAPE_PAIRS;
  if (esclen < 0) esclen = 0;
  const Specials sp(escape, escchars, esclen, pairs);
  int i = 0;
  while (i < len) {
    int run = cleanRun(src + i, len - i, sp);
    sink.run(src + i, run);
    i += run;
    if (i >= len) break;
    unsigned char b = src[i];
    if (pairs && i + 1 < len && isChinese(b, src[i + 1])) {
      sink.run(src + i, 2);
      i += 2;
      continue;
    }
    i++;
    if (b == escape) {
      sink.escaped(escape, escape);
      continue;
    }
    int k = 0;
    while (k < esclen && escchars[k] != b) k++;
    if (k < esclen) {
      sink.escaped(escape, escdchars ? escdchars[k] : b);
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

int countBufferEscape(const unsigned char *srcbuf, int len, unsigned char escape,
                      const unsigned char *escchars, int esclen, int pairs) {
  if (len < 1) return 0;
  CountSink sink;
  walkEscape(sink, srcbuf, len, escape, escchars, nullptr, esclen, pairs);
  return sink.escapes;
}

int copyBufferEscape(unsigned char *dstbuf, const unsigned char *srcbuf, int len,
                     unsigned char escape, const unsigned char *escchars,
                     const unsigned char *escdchars, int esclen, int pairs) {
  if (len < 1) return 0;
  CopySink sink{dstbuf};
  walkEscape(sink, srcbuf, len, escape, escchars, escdchars, esclen, pairs);
  return static_cast<int>(sink.dst - dstbuf);
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
