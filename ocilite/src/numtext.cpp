// Number text without allocation: shortest round-trip digits from
// std::to_chars, laid out the way Oracle's default conversion does.
#include "numtext.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace ocilite {
namespace {

// Significant digits (no point) and decimal exponent of v's shortest
// scientific text: v = d.ddd x 10^exp. Returns the digit count.
template <typename T>
int shortestDigits(T v, char *digits, int *exp) {
  char sci[48];
  auto res = std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific);
  int n = 0;
  const char *p = sci;
  for (; p < res.ptr && *p != 'e'; p++)
    if (*p >= '0' && *p <= '9') digits[n++] = *p;
  int e = 0, sign = 1;
  if (p < res.ptr) {
    for (p++; p < res.ptr; p++) {
      if (*p == '-') sign = -1;
      else if (*p >= '0' && *p <= '9') e = e * 10 + (*p - '0');
    }
  }
  *exp = sign * e;
  while (n > 1 && digits[n - 1] == '0') n--;  // "1.0e+02" has one digit
  return n;
}

size_t special(double v, char *out) {
  const char *t = std::isnan(v) ? "Nan" : v > 0 ? "Inf" : "-Inf";
  size_t n = std::strlen(t);
  std::memcpy(out, t, n);
  return n;
}

}  // namespace

size_t integerText(int64_t v, char *out) {
  return (size_t)(std::to_chars(out, out + kNumberBufferSize, v).ptr - out);
}

size_t numberText(double v, char *out) {
  if (!std::isfinite(v)) return special(v, out);
  if (v == 0) {
    out[0] = '0';
    return 1;
  }
  char digits[32];
  int exp = 0;
  const int nd = shortestDigits(std::fabs(v), digits, &exp);
  char *p = out;
  if (v < 0) *p++ = '-';
  // Plain layout: integer digits, then the fraction; no leading zero.
  const int intDigits = exp + 1;
  const int plainLength = (v < 0) + (intDigits > 0 ? (intDigits > nd ? intDigits : nd + 1)
                                                  : 1 - intDigits + nd);
  if (plainLength <= (int)kMaxNumberText) {
    if (intDigits > 0) {
      for (int i = 0; i < intDigits; i++) *p++ = i < nd ? digits[i] : '0';
      if (nd > intDigits) {
        *p++ = '.';
        for (int i = intDigits; i < nd; i++) *p++ = digits[i];
      }
    } else {
      *p++ = '.';
      for (int i = 0; i < -intDigits; i++) *p++ = '0';
      for (int i = 0; i < nd; i++) *p++ = digits[i];
    }
    return (size_t)(p - out);
  }
  // Scientific: the mantissa filled with zeros out to 40 characters.
  char expText[8];
  int el = std::snprintf(expText, sizeof expText, "E%c%02d", exp < 0 ? '-' : '+', exp < 0 ? -exp : exp);
  const int mantissa = (int)kMaxNumberText - el - (int)(p - out);
  *p++ = digits[0];
  *p++ = '.';
  for (int i = 1; i < mantissa - 1; i++) *p++ = i < nd ? digits[i] : '0';
  std::memcpy(p, expText, (size_t)el);
  return (size_t)(p + el - out);
}

namespace {

// Powers of ten a double holds exactly, for the scales the short way serves.
constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr int kMaxShortScale = 15;
// A rounded value below this many units of its scale has at most 15
// significant digits. Decimals of 15 digits map to distinct doubles, so the
// shortest text of the double nearest n / 10^scale is that decimal itself:
// its digits can be written from n without the double's shortest digits.
constexpr double kMaxShortUnits = 1e15;

// n / 10^scale laid out as numberText lays out that value.
// REQUIRES: 0 < |n| < 10^15, 0 <= scale <= 15.
size_t scaledIntegerText(int64_t n, int scale, char *out) {
  char *p = out;
  if (n < 0) *p++ = '-';
  char digits[24];
  int nd = (int)(std::to_chars(digits, digits + sizeof digits, n < 0 ? -n : n).ptr - digits);
  int frac = scale;
  while (frac > 0 && digits[nd - 1] == '0') nd--, frac--;
  const int intDigits = nd - frac;
  if (intDigits > 0) {
    std::memcpy(p, digits, (size_t)intDigits);
    p += intDigits;
    if (frac > 0) *p++ = '.';
  } else {
    *p++ = '.';
    std::memset(p, '0', (size_t)-intDigits);
    p += -intDigits;
  }
  const int from = intDigits > 0 ? intDigits : 0;
  std::memcpy(p, digits + from, (size_t)(nd - from));
  return (size_t)(p + (nd - from) - out);
}

}  // namespace

bool roundedUnits(double v, int scale, int64_t *units) {
  if (scale < 0 || scale > kMaxShortScale) return false;
  const double u = std::round(v * kPowersOfTen[scale]);
  if (!(std::fabs(u) < kMaxShortUnits) || u == 0) return false;
  *units = (int64_t)u;
  return true;
}

size_t numberTextAtScale(double v, int scale, char *out) {
  int64_t units;
  if (roundedUnits(v, scale, &units)) return scaledIntegerText(units, scale, out);
  // Oracle rounds half away from zero, as std::round does. Past 2^53 a
  // double holds no fraction at this scale, and it is shown as it is.
  constexpr double kExactLimit = 9007199254740992.0;
  const double factor = std::pow(10.0, scale);
  const double scaled = v * factor;
  if (!std::isfinite(scaled) || std::fabs(scaled) >= kExactLimit) return numberText(v, out);
  const double rounded = std::round(scaled) / factor;
  return numberText(rounded == 0 ? 0.0 : rounded, out);
}

namespace {

template <typename T>
size_t binaryText(T v, char *out) {
  if (!std::isfinite(v)) return special((double)v, out);
  char digits[32] = {'0'};
  int exp = 0;
  int nd = v == 0 ? 1 : shortestDigits(v < 0 ? -v : v, digits, &exp);
  char *p = out;
  if (v < 0) *p++ = '-';
  *p++ = digits[0];
  *p++ = '.';
  if (nd == 1) *p++ = '0';
  for (int i = 1; i < nd; i++) *p++ = digits[i];
  p += std::snprintf(p, 8, "E%c%03d", exp < 0 ? '-' : '+', exp < 0 ? -exp : exp);
  return (size_t)(p - out);
}

}  // namespace

size_t binaryDoubleText(double v, char *out) { return binaryText(v, out); }
size_t binaryFloatText(float v, char *out) { return binaryText(v, out); }

}  // namespace ocilite
