// JSON text of values: numbers keep the database's digits, strings are valid
// UTF-8 JSON whatever the bytes, timestamps lose only fraction zeros.
#include <gtest/gtest.h>

#include <string>

#include "bytes/jsontext.h"

namespace {

const unsigned char *bytes(const std::string &s) { return reinterpret_cast<const unsigned char *>(s.data()); }

std::string number(const std::string &in) {
  unsigned char out[64];
  size_t n = jsonNumber(bytes(in), in.size(), out);
  return n == 0 ? "<string>" : std::string(reinterpret_cast<char *>(out), n);
}

TEST(JsonNumber, DatabaseDigitsInJsonForm) {
  const struct {
    const char *in, *want;
  } cases[] = {
      {"12", "12"},           {"-2", "-2"},           {"0", "0"},
      {".5", "0.5"},          {"-.5", "-0.5"},        {"-.05", "-0.05"},
      {"12345.678", "12345.678"},                     {"12345.6780", "12345.6780"},
      {"1.5E+000", "1.5E+000"},                       {"-2.5E-300", "-2.5E-300"},
      {"1.7976931348623157E+308", "1.7976931348623157E+308"},
      {"1234567890123456789012345678901234567890", "1234567890123456789012345678901234567890"},
      {"5.", "5"},            {"-0", "-0"},
      // Not numbers JSON can hold: written as strings.
      {"~", "<string>"},      {"-~", "<string>"}, {"Inf", "<string>"}, {"-Inf", "<string>"},
      {"Nan", "<string>"},    {"", "<string>"},   {"-", "<string>"},   {".", "<string>"},
      {"007", "<string>"},    {"1E", "<string>"}, {"1E+", "<string>"}, {" 1", "<string>"},
      {"1 ", "<string>"},     {"1,5", "<string>"}, {"+1", "<string>"},
  };
  for (const auto &c : cases) EXPECT_EQ(number(c.in), c.want) << c.in;
}

std::string escaped(const std::string &in, size_t *replaced = nullptr) {
  std::string out(in.size() * JSON_ESCAPE_GROWTH, '\0');
  JSONCUT cut = jsonEscape(bytes(in), in.size(), reinterpret_cast<unsigned char *>(out.data()), out.size());
  EXPECT_EQ(cut.read, in.size());
  if (replaced != nullptr) *replaced = cut.replaced;
  return out.substr(0, cut.written);
}

TEST(JsonEscape, EscapesAndUtf8) {
  const struct {
    std::string in, want;
    size_t replaced;
  } cases[] = {
      {"plain text", "plain text", 0},
      {"He said \"hi\"", "He said \\\"hi\\\"", 0},
      {"C:\\temp", "C:\\\\temp", 0},
      {"a\nb\r\tc", "a\\u000ab\\u000d\\u0009c", 0},
      {std::string("\0\x1f\x7f", 3), "\\u0000\\u001f\x7f", 0},
      {"Grüße 日本 😀", "Grüße 日本 😀", 0},
      {"/", "/", 0},
      {"\xff", "\xef\xbf\xbd", 1},                     // never valid
      {"a\xc3", "a\xef\xbf\xbd", 1},                   // sequence cut at the end
      {"\xc0\xaf", "\xef\xbf\xbd\xef\xbf\xbd", 2},      // overlong '/'
      {"\xed\xa0\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd", 3},  // surrogate
      {"\xf4\x90\x80\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd", 4},  // past U+10FFFF
      {"\xe6\x97\xa5\xe6", "\xe6\x97\xa5\xef\xbf\xbd", 1},
  };
  for (const auto &c : cases) {
    size_t replaced = 0;
    EXPECT_EQ(escaped(c.in, &replaced), c.want) << c.in;
    EXPECT_EQ(replaced, c.replaced) << c.in;
  }
}

// Written in parts of every room size, a value comes out the same as in one
// part, and no part ends inside a character or an escape.
TEST(JsonEscape, PartsJoinToTheWhole) {
  const std::string in = "x\"日本\n😀\xff\\end";
  const std::string whole = escaped(in);
  for (size_t room = JSON_LONGEST_CHAR; room < whole.size() + 2; room++) {
    std::string joined;
    size_t done = 0;
    while (done < in.size()) {
      unsigned char part[64];
      JSONCUT cut = jsonEscape(bytes(in) + done, in.size() - done, part, room);
      ASSERT_GT(cut.read, 0u) << room;
      joined.append(reinterpret_cast<char *>(part), cut.written);
      done += cut.read;
    }
    EXPECT_EQ(joined, whole) << room;
  }
}

TEST(JsonTimestamp, IsoFromTheFetchFormats) {
  const struct {
    const char *in, *want;
  } cases[] = {
      {"2024-02-29 13:45:30", "2024-02-29T13:45:30"},
      {"2024-02-29 13:45:30.500000", "2024-02-29T13:45:30.5"},
      {"2024-02-29 13:45:30.500000 +05:30", "2024-02-29T13:45:30.5+05:30"},
      {"2024-02-29 13:45:30.000000 -08:00", "2024-02-29T13:45:30-08:00"},
      {"2024-02-29 13:45:30.", "2024-02-29T13:45:30"},
      {"2000-01-01 00:00:00.000001", "2000-01-01T00:00:00.000001"},
      {"2000-01-01 00:00:00.000000 +00:00", "2000-01-01T00:00:00+00:00"},
  };
  for (const auto &c : cases) {
    std::string in = c.in;
    unsigned char out[64];
    size_t n = isoTimestamp(bytes(in), in.size(), out);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(out), n), c.want);
  }
}

}  // namespace
