// NUMBER encoding works on decimal digits: the value is split into its
// significant digits and the position of the decimal point, the digits are
// aligned to pairs around the point, and each pair becomes one base-100 byte.
#include "internal.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "numtext.h"

namespace ocilite {
namespace {

// Decimal digits kept: 20 base-100 digits.
constexpr int kMaxDecimalDigits = 2 * (int)kMaxNumberDigits100;
// Room for parsed digits: a double's text or a 64-bit integer never needs
// more; longer texts are rounded at kMaxDecimalDigits anyway.
constexpr int kDigitBuffer = 2 * kMaxDecimalDigits + 2;
// Base-100 exponent range of Oracle's NUMBER: 1e-130 .. 9.99..e125.
constexpr int kMinExponent100 = -65;
constexpr int kMaxExponent100 = 62;
constexpr uint8_t kZeroByte = 0x80;
constexpr uint8_t kPositiveBias = 193;
constexpr uint8_t kNegativeTerminator = 102;

// value = 0.digits x 10^pointPos, digits without leading zeros.
struct Decimal {
  bool negative = false;
  char digits[kDigitBuffer];
  int n = 0;
  int pointPos = 0;
};

bool parseDecimal(std::string_view t, Decimal *d) {
  size_t i = 0;
  while (i < t.size() && t[i] == ' ') i++;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) d->negative = t[i++] == '-';
  bool any = false, seenPoint = false;
  int intDigits = 0;
  for (; i < t.size(); i++) {
    char c = t[i];
    if (c == '.' && !seenPoint) {
      seenPoint = true;
      continue;
    }
    if (c < '0' || c > '9') break;
    any = true;
    if (d->n == 0 && c == '0') {  // leading zero
      if (seenPoint) intDigits--;
      continue;
    }
    if (d->n < kDigitBuffer) d->digits[d->n++] = c;  // the rest lie past the rounding point
    if (!seenPoint) intDigits++;
  }
  if (!any) return false;
  int exp = 0;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    i++;
    bool neg = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) neg = t[i++] == '-';
    if (i == t.size() || t[i] < '0' || t[i] > '9') return false;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; i++)
      if (exp < 100000) exp = exp * 10 + (t[i] - '0');
    if (neg) exp = -exp;
  }
  while (i < t.size() && t[i] == ' ') i++;
  if (i != t.size()) return false;
  d->pointPos = intDigits + exp;
  return true;
}

NumberStatus encodeDecimal(Decimal &d, uint8_t *out, size_t *len) {
  while (d.n > 0 && d.digits[d.n - 1] == '0') d.n--;
  if (d.n == 0) {
    out[0] = kZeroByte;
    *len = 1;
    return NumberStatus::Ok;
  }
  // Align the point to a pair boundary with a leading zero.
  char pairs[kDigitBuffer + 2];
  int m = 0;
  int point = d.pointPos;
  if (point % 2 != 0) {
    pairs[m++] = '0';
    point++;
  }
  std::memcpy(pairs + m, d.digits, (size_t)d.n);
  m += d.n;
  // Round to 40 digits, half away from zero.
  if (m > kMaxDecimalDigits) {
    bool up = pairs[kMaxDecimalDigits] >= '5';
    m = kMaxDecimalDigits;
    for (int k = m - 1; up && k >= 0; k--) {
      if (pairs[k] == '9') pairs[k] = '0';
      else {
        pairs[k]++;
        up = false;
      }
    }
    if (up) {  // 0.99..9 became 1: 0.01 x 100 past the point
      std::memset(pairs, '0', (size_t)m);
      pairs[1] = '1';
      point += 2;
    }
  }
  if (m % 2 != 0) pairs[m++] = '0';
  int np = m / 2;
  while (np > 0 && pairs[2 * np - 2] == '0' && pairs[2 * np - 1] == '0') np--;
  const int exp100 = point / 2 - 1;
  if (exp100 > kMaxExponent100) return NumberStatus::Overflow;
  if (exp100 < kMinExponent100) {
    out[0] = kZeroByte;
    *len = 1;
    return NumberStatus::Ok;
  }
  const uint8_t e = (uint8_t)(kPositiveBias + exp100);
  size_t k = 0;
  out[k++] = d.negative ? (uint8_t)~e : e;
  for (int p = 0; p < np; p++) {
    int v = (pairs[2 * p] - '0') * 10 + (pairs[2 * p + 1] - '0');
    out[k++] = (uint8_t)(d.negative ? 101 - v : v + 1);
  }
  if (d.negative && k - 1 < kMaxNumberDigits100) out[k++] = kNegativeTerminator;
  *len = k;
  return NumberStatus::Ok;
}

}  // namespace

NumberStatus encodeNumberText(std::string_view text, uint8_t *out, size_t *len) {
  Decimal d;
  if (!parseDecimal(text, &d)) return NumberStatus::NotANumber;
  return encodeDecimal(d, out, len);
}

NumberStatus encodeNumberInt(int64_t v, uint8_t *out, size_t *len) {
  if (v == 0) {
    out[0] = kZeroByte;
    *len = 1;
    return NumberStatus::Ok;
  }
  // Base-100 digits straight from the integer, least significant first; at
  // most 10 of them, so a negative value always gets its terminator.
  const bool negative = v < 0;
  uint64_t u = negative ? 0 - (uint64_t)v : (uint64_t)v;
  uint8_t digits[10];
  int n = 0;
  for (; u != 0; u /= 100) digits[n++] = (uint8_t)(u % 100);
  int low = 0;
  while (digits[low] == 0) low++;  // trailing zero pairs are not stored
  const uint8_t e = (uint8_t)(kPositiveBias + n - 1);
  size_t k = 0;
  out[k++] = negative ? (uint8_t)~e : e;
  for (int p = n - 1; p >= low; p--) out[k++] = (uint8_t)(negative ? 101 - digits[p] : digits[p] + 1);
  if (negative) out[k++] = kNegativeTerminator;
  *len = k;
  return NumberStatus::Ok;
}

NumberStatus encodeNumberReal(double v, int scale, uint8_t *out, size_t *len) {
  if (!std::isfinite(v)) return NumberStatus::Overflow;
  int64_t units;
  if (roundedUnits(v, scale, &units)) {  // the decimal units / 10^scale, without its text
    Decimal d;
    d.negative = units < 0;
    d.n = (int)(std::to_chars(d.digits, d.digits + sizeof d.digits, units < 0 ? -units : units).ptr - d.digits);
    d.pointPos = d.n - scale;
    return encodeDecimal(d, out, len);
  }
  char buf[kNumberBufferSize];
  size_t n = scale >= 0 && scale <= 127 ? numberTextAtScale(v, scale, buf)
                                        : (size_t)(std::to_chars(buf, buf + sizeof buf, v).ptr - buf);
  return encodeNumberText(std::string_view(buf, n), out, len);
}

void encodeDate(const DateTime &dt, uint8_t out[kDateBytes]) {
  out[0] = (uint8_t)(dt.year / 100 + 100);
  out[1] = (uint8_t)(dt.year % 100 + 100);
  out[2] = (uint8_t)dt.month;
  out[3] = (uint8_t)dt.day;
  out[4] = (uint8_t)(dt.hour + 1);
  out[5] = (uint8_t)(dt.minute + 1);
  out[6] = (uint8_t)(dt.second + 1);
}

}  // namespace ocilite
