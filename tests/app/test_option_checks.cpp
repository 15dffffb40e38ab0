// The checks behind refused and warned command lines: values cut at their
// limit, escapes that give a NUL byte by mistake, and the password blanked in
// a connect-string argument exactly where the logon takes it from.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "app/hidepassword.h"
#include "oracle/connstr.h"
#include "options/cmdoptions.h"

namespace {

const text *T(const std::string &s) { return reinterpret_cast<const text *>(s.c_str()); }

TEST(ParseCommandOption, ReportsTheLimitOfACutValue) {
  struct Case {
    std::string option;
    int limit;
  } cases[] = {
      {"file=" + std::string(255, 'f'), 0},   {"file=" + std::string(256, 'f'), 255},
      {"query=" + std::string(8192, 'q'), 8191}, {"field=" + std::string(132, ','), 131},
      {"null=" + std::string(127, 'n'), 0},   {"null=" + std::string(128, 'n'), 127},
      {"text=CSV", 0},                        {"rows=" + std::string(600, '1'), 0},  // numbers are clamped
      {"nosuch=" + std::string(600, 'x'), 0},
  };
  for (const Case &c : cases) {
    CMDOPTIONS o;
    resetCommandOptions(&o);
    int limit = -1;
    parseCommandOption(&o, T(c.option), &limit);
    EXPECT_EQ(limit, c.limit) << c.option.substr(0, 12);
  }
}

TEST(FindNulEscape, OnlyEscapesThatDoNotSpellANul) {
  struct Case {
    const char *value;
    int at;
  } cases[] = {
      {"0xZZ", 0}, {"a0x", 1}, {"10", 1}, {"0xZ0", 0}, {"0x0Z", 0}, {"0x00", -1}, {"00", -1},
      {"100", -1}, {"0xZ5", -1}, {"0x2c0x", 4}, {"0xA", -1}, {"", -1}, {",", -1},
  };
  for (const Case &c : cases) EXPECT_EQ(findNulEscape(T(c.value)), c.at) << c.value;
}

TEST(HidePassword, BlanksWhatTheLogonTakesAsThePassword) {
  const char *cases[] = {
      "scott/tiger@orcl", "scott/tiger", "scott/\"ti@ger\"@orcl", "\"us/er\"/pw@db", "scott@orcl", "/",
      "u/p@h1,h2:1521:sid", "", "u/",
  };
  for (const char *c : cases) {
    LOGONPARTS before;
    splitConnectString(T(c), &before);
    std::string arg = c;
    hidePassword(arg.data(), false);
    const std::string pass = reinterpret_cast<const char *>(before.pass);
    std::string expected = c;
    if (!pass.empty()) expected.replace(expected.find(pass), pass.size(), std::string(pass.size(), 'x'));
    EXPECT_EQ(arg, expected) << c;
  }
  // The SYS logon ignores its password, which still leaves the listing.
  std::string sys = "sys/secret@db", keyword = "USER = scott/tiger@db", encrypted = "user=0123456789ABCDEF";
  hidePassword(sys.data(), false);
  hidePassword(keyword.data(), true);
  hidePassword(encrypted.data(), true);
  EXPECT_EQ(sys, "sys/xxxxxx@db");
  EXPECT_EQ(keyword, "USER = scott/xxxxx@db");
  EXPECT_EQ(encrypted, "user=" + std::string(16, 'x'));
}

}  // namespace
