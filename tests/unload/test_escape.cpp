// Field escaping, double-byte pairs and byte translation.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "bytes/escape.h"

namespace {

const unsigned char *u(const std::string &s) { return reinterpret_cast<const unsigned char *>(s.data()); }

struct EscapeSet {
  char escape;
  std::string from, to;
};
const EscapeSet MYSQL = {'\\', "\r\n\"'", "rn\"'"};
const EscapeSet CSV = {'"', "", ""};

std::string escaped(const std::string &in, const EscapeSet &set, int pairs) {
  std::string out(2 * in.size() + 1, '#');
  auto *dst = reinterpret_cast<unsigned char *>(out.data());
  int esclen = static_cast<int>(set.from.size());
  int n = copyBufferEscape(dst, u(in), static_cast<int>(in.size()), set.escape, u(set.from), u(set.to), esclen, pairs);
  int count = countBufferEscape(u(in), static_cast<int>(in.size()), set.escape, u(set.from), esclen, pairs);
  EXPECT_EQ(n, static_cast<int>(in.size()) + count) << "count and copy disagree";
  EXPECT_EQ(out.find_first_not_of('#', n), std::string::npos) << "wrote past the returned length";
  return out.substr(0, n);
}

struct EscapeCase {
  const char *what;
  std::string in;
  const EscapeSet *set;
  int pairs;
  std::string out;
};

TEST(CopyBufferEscape, Table) {
  const EscapeSet LF = {'\\', "\n", "n"};
  const EscapeSet ESCAPE_LISTED = {'\\', "\\x", "Qy"};  // the escape byte is tested before the list
  const EscapeSet TWICE = {'%', "aa", "12"};             // the first matching pair wins
  const EscapeCase cases[] = {
      {"mysql cr lf", "a\rb\nc", &MYSQL, 0, "a\\rb\\nc"},
      {"mysql quotes", "it's \"x\"", &MYSQL, 0, "it\\'s \\\"x\\\""},
      {"mysql backslash doubled", "a\\b", &MYSQL, 0, "a\\\\b"},
      {"csv quote doubled", "say \"hi\"", &CSV, 0, "say \"\"hi\"\""},
      {"csv nothing to do", "plain,text", &CSV, 0, "plain,text"},
      {"single escape byte", "\\", &MYSQL, 0, "\\\\"},
      {"single ordinary byte", "x", &MYSQL, 1, "x"},
      {"empty", "", &MYSQL, 1, ""},
      {"lf list", "a\nb", &LF, 0, "a\\nb"},
      {"gbk trail 0x5c kept, quote escaped", "\xD5\x5C'", &MYSQL, 1, "\xD5\x5C\\'"},
      {"gbk pairs without pairs rule", "\xD5\x5C'", &MYSQL, 0, "\xD5\\\\\\'"},
      {"lone lead byte at the end", "ab\xD5", &MYSQL, 1, "ab\xD5"},
      {"lead byte before a non-trail byte", "\xD5\"", &CSV, 1, "\xD5\"\""},
      {"0x80 is not a lead byte", "\x80\\", &MYSQL, 1, "\x80\\\\"},
      {"0xff is not a lead byte", "\xFF\\", &MYSQL, 1, "\xFF\\\\"},
      {"trail 0x7f is not a trail", "\xD5\x7F\\", &MYSQL, 1, "\xD5\x7F\\\\"},
      // UTF-8: U+4E2D (E4 B8 AD) then a backslash. With the pair rule the last
      // byte 0xAD and the backslash look like a pair and the backslash slips
      // through unescaped; a UTF-8 session therefore runs with pairs = 0.
      {"utf8 with pair rule", "\xE4\xB8\xAD\\", &MYSQL, 1, "\xE4\xB8\xAD\\"},
      {"utf8 without pair rule", "\xE4\xB8\xAD\\", &MYSQL, 0, "\xE4\xB8\xAD\\\\"},
      {"utf8 two-byte char", "\xC3\xA9\\", &MYSQL, 1, "\xC3\xA9\\\\"},
      {"escape byte before the list", "\\x", &ESCAPE_LISTED, 0, "\\\\\\y"},
      {"first pair wins", "a", &TWICE, 0, "%1"},
      {"long clean run then escape", std::string(37, 'z') + "\n" + std::string(20, 'y'), &MYSQL, 1,
       std::string(37, 'z') + "\\n" + std::string(20, 'y')},
  };
  for (const auto &c : cases) EXPECT_EQ(escaped(c.in, *c.set, c.pairs), c.out) << c.what;
}

TEST(CopyBufferEscape, TwentyPairsAtMost) {
  std::string from, to;
  for (int k = 0; k < 25; k++) {
    from += static_cast<char>('A' + k);
    to += static_cast<char>('a' + k);
  }
  unsigned char out[8];
  EXPECT_EQ(copyBufferEscape(out, u("TU"), 2, '\\', u(from), u(to), 25, 0), 3);  // T escaped, U not
  EXPECT_EQ(std::string(reinterpret_cast<char *>(out), 3), "\\tU");
}

TEST(IsChinese, Ranges) {
  struct Case { unsigned char h, t; int want; };
  const Case cases[] = {
      {0x81, 0x40, 1}, {0xFE, 0xFE, 1}, {0xD5, 0x5C, 1}, {0xA1, 0xA1, 1}, {0xF9, 0x7E, 1},
      {0x80, 0x40, 0}, {0xFF, 0x40, 0}, {0x81, 0x3F, 0}, {0x81, 0x7F, 0}, {0x81, 0xFF, 0},
      {0x41, 0x41, 0}, {0x81, 0x80, 1},
  };
  for (const auto &c : cases) EXPECT_EQ(isChinese(c.h, c.t), c.want) << std::hex << +c.h << " " << +c.t;
}

// The walk spelt out one byte at a time, to check the fast path against.
std::string slowEscape(const std::string &in, const EscapeSet &set, int pairs) {
  std::string out;
  for (size_t i = 0; i < in.size();) {
    unsigned char b = in[i];
    if (pairs && i + 1 < in.size() && isChinese(b, in[i + 1])) {
      out += in.substr(i, 2);
      i += 2;
      continue;
    }
    size_t k = set.from.find(static_cast<char>(b));
    if (b == static_cast<unsigned char>(set.escape)) {
      out += std::string(2, set.escape);
    } else if (k != std::string::npos) {
      out += set.escape;
      out += set.to[k];
    } else {
      out += static_cast<char>(b);
    }
    i++;
  }
  return out;
}

// Values up to 200 bytes cross every block and tail boundary of the vector
// copy. Sparse values are clean runs with a stop or two placed anywhere; the
// twelve-byte list shares nibble-table bits between its bytes.
TEST(CopyBufferEscape, RandomBuffersAgreeWithByteWalk) {
  std::mt19937 rng(7);
  const EscapeSet sets[] = {MYSQL, CSV, {'\xD5', "\x81\xFE", "ab"}, {'#', "\t\r\n,;|\"'`$%&", "trnxyzqabcde"}};
  const std::string alphabet = std::string("ab\\\"'\r\n,\x81\xA1\xD5\xFE\x40\x7E\x80\xFF") + '\0';
  for (int iter = 0; iter < 40000; iter++) {
    std::string in(rng() % 200, ' ');
    const int mode = rng() % 3;
    for (char &c : in)
      c = mode == 0 ? alphabet[rng() % alphabet.size()] : mode == 1 ? static_cast<char>(rng() % 256) : 'a' + rng() % 26;
    for (int k = mode == 2 && !in.empty() ? static_cast<int>(rng() % 3) : 0; k > 0; k--)
      in[rng() % in.size()] = alphabet[rng() % alphabet.size()];
    const EscapeSet &set = sets[iter % 4];
    int pairs = (iter / 4) & 1;
    ASSERT_EQ(escaped(in, set, pairs), slowEscape(in, set, pairs)) << iter;
  }
}

TEST(CountBufferEscape, ShortLengths) {
  EXPECT_EQ(countBufferEscape(u("\\"), 0, '\\', u(""), 0, 1), 0);
  EXPECT_EQ(countBufferEscape(u("\\"), -3, '\\', u(""), 0, 1), 0);
  EXPECT_EQ(countBufferEscape(u("\\"), 1, '\\', u(""), 0, 1), 1);
  EXPECT_EQ(countBufferEscape(u("a\nb"), 3, '\\', u("\n"), 1, 0), 1);
  // No lists at all (the fuzzer's empty vectors): nothing reads them.
  unsigned char out[4];
  EXPECT_EQ(countBufferEscape(u("a\\"), 2, '\\', nullptr, 0, 0), 1);
  EXPECT_EQ(copyBufferEscape(out, u("a\\"), 2, '\\', nullptr, nullptr, 0, 0), 3);
}

TEST(ReplaceBuffer, Table) {
  struct Case { std::string from, to, in, out; };
  const Case cases[] = {
      {"abc", "xbz", "aabbcc", "xxbbcc"},      // list ends where both hold b
      {"ab", "bc", "ab", "bc"},                // each byte translated once
      {"aa", "xy", "a", "x"},                  // first pair wins
      {"a", "a", "aaa", "aaa"},                // agree at index 0: no translation
      {"\xD5\x5C", "XY", "\xD5\x5C", "XY"},    // byte by byte, no pair test
      {std::string("abcdefghijKL", 12), std::string("ABCDEFGHIJkl", 12), "ajKL", "AJKL"},  // 10 pairs at most
  };
  for (const auto &c : cases) {
    std::string f = c.from + std::string(12, '\0'), t = c.to + std::string(12, '\0');
    std::string buf = c.in;
    replaceBuffer(reinterpret_cast<unsigned char *>(buf.data()), static_cast<int>(buf.size()), u(f), u(t));
    EXPECT_EQ(buf, c.out) << c.from << " -> " << c.to;
  }
}

}  // namespace
