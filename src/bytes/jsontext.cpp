#include "bytes/jsontext.h"

#include <string.h>

#include <array>

namespace {

// What a byte needs inside a JSON string.
enum class Byte : unsigned char {
  Plain,      // copied
  Backslash,  // '"' and '\': a backslash before it
  Control,    // below 0x20: \u00XX
  Multi,      // 0x80 and up: the start of a UTF-8 sequence, or not valid
};

constexpr std::array<Byte, 256> makeClasses() {
  std::array<Byte, 256> t{};
  for (int b = 0; b < 256; b++) {
    t[b] = b < 0x20 ? Byte::Control : b >= 0x80 ? Byte::Multi : Byte::Plain;
  }
  t['"'] = Byte::Backslash;
  t['\\'] = Byte::Backslash;
  return t;
}

constexpr std::array<Byte, 256> CLASSES = makeClasses();
constexpr char HEX[] = "0123456789abcdef";
constexpr unsigned char REPLACEMENT[] = {0xEF, 0xBF, 0xBD};  // U+FFFD in UTF-8

bool inRange(unsigned char b, unsigned char lo, unsigned char hi) { return b >= lo && b <= hi; }

// Bytes of the valid UTF-8 sequence at s (n bytes available), 0 when there is
// none: no overlong forms, surrogates or code points past U+10FFFF.
size_t utf8Length(const unsigned char *s, size_t n) {
  const unsigned char b = s[0];
  if (b < 0xC2) return 0;
  if (b <= 0xDF) return n >= 2 && inRange(s[1], 0x80, 0xBF) ? 2 : 0;
  if (b <= 0xEF) {
    const unsigned char lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
    return n >= 3 && inRange(s[1], lo, hi) && inRange(s[2], 0x80, 0xBF) ? 3 : 0;
  }
  if (b <= 0xF4) {
    const unsigned char lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
    return n >= 4 && inRange(s[1], lo, hi) && inRange(s[2], 0x80, 0xBF) && inRange(s[3], 0x80, 0xBF) ? 4 : 0;
  }
  return 0;
}

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Copies the digits of src from *p on to out; returns how many.
size_t copyDigits(const unsigned char *src, size_t len, size_t *p, unsigned char **out) {
  const size_t start = *p;
  while (*p < len && isDigit(src[*p])) *(*out)++ = src[(*p)++];
  return *p - start;
}

}  // namespace

size_t jsonNumber(const unsigned char *src, size_t len, unsigned char *out) {
  unsigned char *o = out;
  size_t p = 0;
  if (p < len && src[p] == '-') *o++ = src[p++];
  // JSON has no leading zeros: "007" is not a number it can hold.
  if (p + 1 < len && src[p] == '0' && isDigit(src[p + 1])) return 0;
  size_t digits = 0;
  if (p < len && src[p] == '.') {
    *o++ = '0';
  } else {
    digits = copyDigits(src, len, &p, &o);
  }
  if (p < len && src[p] == '.') {
    p++;
    if (p < len && isDigit(src[p])) {
      *o++ = '.';
      digits += copyDigits(src, len, &p, &o);
    }
  }
  if (digits == 0) return 0;
  if (p < len && (src[p] == 'E' || src[p] == 'e')) {
    *o++ = src[p++];
    if (p < len && (src[p] == '+' || src[p] == '-')) *o++ = src[p++];
    if (copyDigits(src, len, &p, &o) == 0) return 0;
  }
  return p == len ? static_cast<size_t>(o - out) : 0;
}

JSONCUT jsonEscape(const unsigned char *src, size_t len, unsigned char *dst, size_t room) {
  JSONCUT cut{0, 0, 0};
  size_t &i = cut.read, &w = cut.written;
  while (i < len) {
    size_t run = i;
    while (run < len && CLASSES[src[run]] == Byte::Plain) run++;
    const size_t n = run - i < room - w ? run - i : room - w;
    memcpy(dst + w, src + i, n);
    i += n;
    w += n;
    if (i < run || i == len) break;  // full, or done
    const unsigned char b = src[i];
    if (CLASSES[b] == Byte::Backslash) {
      if (room - w < 2) break;
      dst[w++] = '\\';
      dst[w++] = b;
      i++;
    } else if (CLASSES[b] == Byte::Control) {
      if (room - w < 6) break;
      memcpy(dst + w, "\\u00", 4);
      dst[w + 4] = static_cast<unsigned char>(HEX[b >> 4]);
      dst[w + 5] = static_cast<unsigned char>(HEX[b & 15]);
      w += 6;
      i++;
    } else if (size_t k = utf8Length(src + i, len - i); k > 0) {
      if (room - w < k) break;
      memcpy(dst + w, src + i, k);
      w += k;
      i += k;
    } else {
      if (room - w < sizeof REPLACEMENT) break;
      memcpy(dst + w, REPLACEMENT, sizeof REPLACEMENT);
      w += sizeof REPLACEMENT;
      i++;
      cut.replaced++;
    }
  }
  return cut;
}

size_t isoTimestamp(const unsigned char *src, size_t len, unsigned char *out) {
  constexpr size_t DATE_LENGTH = 10;  // YYYY-MM-DD
  size_t n = 0;
  for (size_t i = 0; i < len; i++) {
    if (src[i] != ' ') out[n++] = src[i];
    else if (i == DATE_LENGTH) out[n++] = 'T';
  }
  const void *dot = memchr(out, '.', n);
  if (dot == nullptr) return n;
  const size_t point = static_cast<size_t>(static_cast<const unsigned char *>(dot) - out);
  size_t end = point + 1;
  while (end < n && isDigit(out[end])) end++;
  size_t keep = end;
  while (keep > point + 1 && out[keep - 1] == '0') keep--;
  if (keep == point + 1) keep = point;
  memmove(out + keep, out + end, n - end);
  return n - (end - keep);
}
