// File-name expansion, opening modes and the progress line.
#include <regex>
#include <string.h>
#include <time.h>

#include <string>

#include <gtest/gtest.h>

#include "support/process.h"
#include "unload/outfile.h"

namespace {

const text *T(const char *s) { return reinterpret_cast<const text *>(s); }

std::string expand(const char *pattern, size_t outsize, int batch, int slaveid) {
  std::string buf(outsize + 8, '\x7e');
  size_t n = expandFileName(T(pattern), reinterpret_cast<text *>(buf.data()), outsize, batch,
                            slaveid);
  EXPECT_EQ(buf.substr(outsize), std::string(8, '\x7e')) << "wrote past the buffer";
  EXPECT_EQ(n, strlen(buf.c_str()));
  return buf.c_str();
}

TEST(ExpandFileName, Placeholders) {
  time_t now = time(nullptr);
  struct tm tmv;
  localtime_r(&now, &tmv);
  char date[64];
  snprintf(date, sizeof date, "%04d%02d%02d-%d", tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday,
           tmv.tm_wday);
  struct Case {
    const char *pattern;
    std::string want;
  } cases[] = {
      {"out_%b_%p.txt", "out_3_2.txt"},
      {"OUT_%B_%P.txt", "OUT_3_2.txt"},
      {"x%%y", "x%y"},
      {"abc%", "abc"},
      {"%q", "q"},
      {"", ""},
      {"+data.txt", "+data.txt"},
      {"%Y%M%D-%W", date},
      {"%y%m%d-%w", date},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(expand(c.pattern, 512, 3, 2), c.want);
  }
  std::string t = expand("%t", 512, 1, 1);
  long long secs = std::stoll(t);
  EXPECT_LE(std::llabs(secs - static_cast<long long>(now)), 2);
}

TEST(ExpandFileName, CutToTheCallersBuffer) {
  EXPECT_EQ(expand("abcdefghij", 8, 1, 1), "abcdefg");
  EXPECT_EQ(expand("ab%b", 4, 12345, 1), "ab1");
  EXPECT_EQ(expand("%p%p%p", 5, 1, 77), "7777");
  EXPECT_EQ(expand("abc", 1, 1, 1), "");
}

// Truncating and appending (the name keeping its '+') are checked through the
// output stream.
TEST(OpenFile, EmptyOrUnopenableNames) {
  for (const char *bad : {"", "+", "/nonexistent-q2/x.txt", "+/nonexistent-q2/x.txt"}) {
    SCOPED_TRACE(bad);
    text name[256] = {0};
    EXPECT_EQ(openFile(T(bad), name, sizeof name, 1, 1), nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(name)), bad);
  }
}

TEST(PrintRowInfo, ProgressLine) {
  std::string got;
  DATABASE db;
  initDB(&db);
  db.sink = {testsupport::appendMessage, &got};
  printRowInfo(&db, 1234, 5.6f);
  EXPECT_TRUE(std::regex_match(
      got, std::regex("        1234 rows exported at \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d, "
                      "size 6 MB\\.\n")))
      << got;
  db.sink.msgfunc = nullptr;
  printRowInfo(&db, 1, 0);  // no callback: nothing happens
}

}  // namespace
