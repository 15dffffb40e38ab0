#include "bytes/numconv.h"

#include <assert.h>
#include <string.h>

#include <array>

namespace {

// Longest internal NUMBER: exponent byte and 20 base-100 digits. Bytes past it
// cannot come from the database and are not read, which also bounds the text
// to the 171 characters of the longest well-formed value.
constexpr ub2 NUMBER_MAXLEN = 21;
constexpr int NUMBER_MAXDIGITS = 20;
constexpr ub1 NUMBER_ZERO = 128;
constexpr ub1 NEGATIVE_TERMINATOR = 102;
constexpr int NUMBER_MAXTEXT = 171;
static_assert(NUMBER_MAXTEXT <= NUMBUF_SIZE);

constexpr ub2 DATE_LEN = 7;
constexpr ub2 TIMESTAMP_LEN = 11;
constexpr ub2 TIMESTAMP_TZ_LEN = 13;
constexpr ub2 DATE_TEXTLEN = 19;  // YYYY-MM-DD HH24:MI:SS

// The two characters of a base-100 digit value v: '0' + v / 10, '0' + v % 10.
// Bytes outside the digit range give non-digit characters, never more of them.
struct DigitText {
  ub1 pair[2];
  ub1 leadlen;  // 1 when v < 10: a leading digit drops its tens character
};
using DigitTable = std::array<DigitText, 256>;

constexpr DigitTable makeDigitTable(bool negative) {
  DigitTable t{};
  for (int b = 0; b < 256; b++) {
    int v = negative ? 101 - b : b - 1;
    t[b].pair[0] = static_cast<ub1>('0' + v / 10);
    t[b].pair[1] = static_cast<ub1>('0' + v % 10);
    t[b].leadlen = v < 10 ? 1 : 2;
  }
  return t;
}

constexpr DigitTable POSITIVE_DIGITS = makeDigitTable(false);
constexpr DigitTable NEGATIVE_DIGITS = makeDigitTable(true);

inline ub1 *putPair(ub1 *p, const DigitText &d) {
  memcpy(p, d.pair, 2);
  return p + 2;
}

inline ub1 *putLead(ub1 *p, const DigitText &d) {
  if (d.leadlen == 1) {
    *p = d.pair[1];
    return p + 1;
  }
  return putPair(p, d);
}

inline ub1 *putZeroPairs(ub1 *p, int pairs) {
  memset(p, '0', 2 * pairs);
  return p + 2 * pairs;
}

// Mantissa digits[0 .. n-1] with exponent e (base-100 digits before the point).
ub1 *putMantissa(ub1 *p, const ub1 *digits, int n, int e, const DigitTable &t) {
  if (e <= 0) {
    *p++ = '0';
    *p++ = '.';
    p = putZeroPairs(p, -e);
    for (int i = 0; i < n; i++) p = putPair(p, t[digits[i]]);
    return p;
  }
  if (n >= 1) {
    p = putLead(p, t[digits[0]]);
    if (e == 1 && n > 1) *p++ = '.';
    for (int i = 1; i < n; i++) {
      p = putPair(p, t[digits[i]]);
      if (i + 1 == e && i + 1 < n) *p++ = '.';
    }
  }
  if (e > n) p = putZeroPairs(p, e - n);
  return p;
}

inline ub1 *putTwo(ub1 *p, int v) {
  p[0] = static_cast<ub1>('0' + v / 10);
  p[1] = static_cast<ub1>('0' + v % 10);
  return p + 2;
}

// Time fields are stored plus one; a byte of 0 is written as 0.
inline int timeField(ub1 b) { return b == 0 ? 0 : b - 1; }

}  // namespace

ub2 testNUMBER(ub1 *numbuf, const ub1 *buf, ub2 len) {
  if (len == 0) return 0;
  if (buf[0] == NUMBER_ZERO) {
    numbuf[0] = '0';
    return 1;
  }
  if (len > NUMBER_MAXLEN) len = NUMBER_MAXLEN;
  ub1 *p = numbuf;
  if (buf[0] & 0x80) {
    p = putMantissa(p, buf + 1, len - 1, buf[0] - 192, POSITIVE_DIGITS);
  } else {
    // A terminator follows fewer than 20 digits; the full 21 bytes may or may not end in one.
    int terminated = len < NUMBER_MAXLEN || buf[NUMBER_MAXDIGITS] == NEGATIVE_TERMINATOR;
    int n = len - 1 - terminated;
    if (n < 0) n = 0;
    *p++ = '-';
    p = putMantissa(p, buf + 1, n, 63 - buf[0], NEGATIVE_DIGITS);
  }
  assert(p - numbuf <= NUMBER_MAXTEXT);
  return static_cast<ub2>(p - numbuf);
}

ub2 testTIMESTAMP(ub1 *datebuf, const ub1 *buf, ub2 len) {
  if (len != DATE_LEN && len != TIMESTAMP_LEN && len != TIMESTAMP_TZ_LEN) return 0;
  // Years outside 1 .. 9999 do not fit four digits; their characters are then
  // not digits, but the text keeps its 19-character form.
  int year = (buf[0] - 100) * 100 + (buf[1] - 100);
  ub1 *p = datebuf;
  p = putTwo(p, year / 100);
  p = putTwo(p, year % 100);
  *p++ = '-';
  p = putTwo(p, buf[2]);
  *p++ = '-';
  p = putTwo(p, buf[3]);
  *p++ = ' ';
  p = putTwo(p, timeField(buf[4]));
  *p++ = ':';
  p = putTwo(p, timeField(buf[5]));
  *p++ = ':';
  p = putTwo(p, timeField(buf[6]));
  if (len == DATE_LEN) return DATE_TEXTLEN;

  // Nanoseconds, big-endian, truncated to microseconds and written as "%06d":
  // six digits, or seven for a fraction field beyond one second.
  ub4 nanos = (ub4{buf[7]} << 24) | (ub4{buf[8]} << 16) | (ub4{buf[9]} << 8) | ub4{buf[10]};
  ub4 micros = nanos / 1000;
  int width = micros >= 1000000 ? 7 : 6;
  *p++ = '.';
  for (int i = width - 1; i >= 0; i--) {
    p[i] = static_cast<ub1>('0' + micros % 10);
    micros /= 10;
  }
  return static_cast<ub2>(DATE_TEXTLEN + 1 + width);
}
