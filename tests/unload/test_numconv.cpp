// Internal NUMBER and DATE bytes to text.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "bytes/numconv.h"

namespace {

using Bytes = std::vector<ub1>;

std::string number(const Bytes &b) {
  ub1 out[NUMBUF_SIZE];
  ub2 n = testNUMBER(out, b.data(), static_cast<ub2>(b.size()));
  EXPECT_LE(n, 171);
  return std::string(reinterpret_cast<char *>(out), n);
}

std::string timestamp(const Bytes &b) {
  ub1 out[NUMBUF_SIZE];
  ub2 n = testTIMESTAMP(out, b.data(), static_cast<ub2>(b.size()));
  return std::string(reinterpret_cast<char *>(out), n);
}

// Const, so that "text" + rep(...) appends to a copy of the text: inserting
// in front of a temporary draws GCC 12's false -Wrestrict at -O3.
const std::string rep(char c, int n) { return std::string(n, c); }

struct NumberCase {
  Bytes bytes;
  std::string text;
};

TEST(TestNumber, DocumentedExamples) {
  Bytes neg20(21, 0);  // -0.(40 digits) with exponent byte 127 and no terminator
  neg20[0] = 127;
  for (int i = 1; i <= 20; i++) neg20[i] = 101 - 12;  // digit 12 each
  std::string neg20text = "-0." + rep('0', 128);
  for (int i = 0; i < 20; i++) neg20text += "12";

  Bytes neg99(21, 101 - 99);  // E = 1, 20 digits 99, no terminator
  neg99[0] = 62;

  Bytes neg21term = neg20;  // last byte 102: 19 digits
  neg21term[20] = 102;
  std::string neg21text = "-0." + rep('0', 128);
  for (int i = 0; i < 19; i++) neg21text += "12";

  const NumberCase cases[] = {
      {{128}, "0"},
      {{128, 5, 7}, "0"},
      {{62, 100, 102}, "-1"},
      {{194, 2, 24, 46}, "123.45"},
      {{255, 100}, "99" + rep('0', 124)},
      {{255, 2}, "1" + rep('0', 124)},
      {neg20, neg20text},
      {neg21term, neg21text},
      {{193}, "00"},  // exponent without digits: E pairs of zeros
      {{}, ""},
      {neg99, "-99." + rep('9', 38)},
      {{194, 0}, "/00"},  // digit byte 0 = value -1: a non-digit
      {{62}, "-00"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(number(c.bytes), c.text) << "first byte " << (c.bytes.empty() ? -1 : c.bytes[0]);
  }
  // Out-of-range digit bytes give non-digit characters; overlong inputs are
  // cut (number() checks the 171-byte bound).
  for (ub1 first : {0, 255}) {
    Bytes lots(300, 255);
    lots[0] = first;
    number(lots);
  }
}

// An encoder written from the storage format, independent of the decoder: a
// decimal (sign, integer digits, fraction digits) to internal NUMBER bytes.
Bytes encodeDecimal(bool negative, std::string intpart, std::string frac) {
  if (intpart.size() % 2) intpart.insert(intpart.begin(), '0');
  if (frac.size() % 2) frac += "0";
  std::vector<int> digits;
  for (size_t i = 0; i < intpart.size(); i += 2) digits.push_back((intpart[i] - '0') * 10 + intpart[i + 1] - '0');
  int exponent = static_cast<int>(digits.size());
  for (size_t i = 0; i < frac.size(); i += 2) digits.push_back((frac[i] - '0') * 10 + frac[i + 1] - '0');
  size_t lead = 0;
  while (lead < digits.size() && digits[lead] == 0) lead++;
  if (lead == digits.size()) return {128};
  exponent -= static_cast<int>(lead);
  digits.erase(digits.begin(), digits.begin() + lead);
  while (digits.back() == 0) digits.pop_back();
  Bytes out;
  out.push_back(static_cast<ub1>(negative ? 63 - exponent : 192 + exponent));
  for (int d : digits) out.push_back(static_cast<ub1>(negative ? 101 - d : d + 1));
  if (negative && digits.size() < 20) out.push_back(102);
  return out;
}

// The text the unloader promises for the same decimal: no exponent, "0." for
// values below 1, fraction cut of trailing zeros and padded to even length.
std::string referenceText(bool negative, std::string intpart, std::string frac) {
  intpart.erase(0, intpart.find_first_not_of('0') == std::string::npos ? intpart.size()
                                                                       : intpart.find_first_not_of('0'));
  while (!frac.empty() && frac.back() == '0') frac.pop_back();
  if (intpart.empty() && frac.empty()) return "0";
  if (frac.size() % 2) frac += "0";
  std::string s = negative ? "-" : "";
  s += intpart.empty() ? "0" : intpart;
  if (!frac.empty()) s += "." + frac;
  return s;
}

TEST(TestNumber, MillionRandomDecimalsMatchReference) {
  std::mt19937_64 rng(20260612);
  auto digitsOf = [&](int n) {
    std::string s;
    for (int i = 0; i < n; i++) s += static_cast<char>('0' + rng() % 10);
    return s;
  };
  int checked = 0;
  while (checked < 1000000) {
    bool negative = rng() & 1;
    std::string intpart, frac;
    switch (rng() % 4) {
      case 0:  // integer, possibly with many trailing zeros
        intpart = digitsOf(1 + rng() % 38) + std::string(rng() % 80, '0');
        break;
      case 1:  // mixed
        intpart = digitsOf(1 + rng() % 20);
        frac = digitsOf(rng() % 20);
        break;
      case 2:  // small, with leading zeros after the point
        frac = std::string(rng() % 120, '0') + digitsOf(1 + rng() % 38);
        break;
      default:  // short everyday values
        intpart = digitsOf(rng() % 7);
        frac = digitsOf(rng() % 5);
        break;
    }
    Bytes b = encodeDecimal(negative, intpart, frac);
    size_t ndigits = b.size() - 1 - (negative && b.size() > 1 && b.back() == 102);
    int exponent = negative ? 63 - b[0] : b[0] - 192;
    if (b[0] != 128 && (ndigits > 20 || exponent > 63 || exponent < -62)) continue;  // not storable
    std::string expect = referenceText(negative, intpart, frac);
    if (expect == "0") {
      ASSERT_EQ(b, Bytes{128});
    }
    ASSERT_EQ(number(b), expect) << (negative ? "-" : "") << intpart << "." << frac;
    checked++;
  }
}

TEST(TestTimestamp, Examples) {
  const Bytes ts = {120, 124, 3, 5, 14, 8, 10, 0x07, 0x5B, 0xCD, 0x15};  // 123456789 ns
  const Bytes tz = {120, 124, 3, 5, 14, 8, 10, 0x3B, 0x9A, 0xC9, 0xFF, 20, 60};  // 999999999 ns
  const std::pair<Bytes, std::string> cases[] = {
      {{120, 124, 3, 5, 14, 8, 10}, "2024-03-05 13:07:09"},
      {{100, 101, 1, 1, 1, 1, 1}, "0001-01-01 00:00:00"},
      {{119, 199, 12, 31, 0, 0, 0}, "1999-12-31 00:00:00"},
      {{199, 199, 12, 31, 24, 60, 60}, "9999-12-31 23:59:59"},
      {ts, "2024-03-05 13:07:09.123456"},
      {{120, 124, 3, 5, 14, 8, 10, 0, 0, 0, 0}, "2024-03-05 13:07:09.000000"},
      {{120, 124, 3, 5, 14, 8, 10, 0, 0, 0x03, 0xE7}, "2024-03-05 13:07:09.000000"},  // 999 ns: 0 us
      {tz, "2024-03-05 13:07:09.999999"},
      // Beyond one second: seven digits, as %06d prints.
      {{120, 124, 3, 5, 14, 8, 10, 0xFF, 0xFF, 0xFF, 0xFF, 20, 60}, "2024-03-05 13:07:09.4294967"},
  };
  for (const auto &[bytes, text] : cases) EXPECT_EQ(timestamp(bytes), text);
}

TEST(TestTimestamp, EveryLength) {
  const Bytes date = {120, 124, 3, 5, 14, 8, 10, 0, 0, 0x03, 0xE8, 0, 0, 0, 0, 0};  // 1000 ns
  for (ub2 len = 0; len <= 16; len++) {
    ub1 out[NUMBUF_SIZE];
    memset(out, '#', sizeof out);
    ub2 n = testTIMESTAMP(out, date.data(), len);
    switch (len) {
      case 7: EXPECT_EQ(n, 19); break;
      case 11:
      case 13: EXPECT_EQ(n, 26); EXPECT_EQ(std::string(reinterpret_cast<char *>(out) + 19, 7), ".000001"); break;
      default: EXPECT_EQ(n, 0) << len; EXPECT_EQ(out[0], '#') << "wrote for length " << len; break;
    }
    if (n) {
      EXPECT_EQ(std::string(reinterpret_cast<char *>(out), 19), "2024-03-05 13:07:09");
    }
    EXPECT_EQ(out[n], '#') << "wrote past the text for length " << len;
  }
}

}  // namespace
