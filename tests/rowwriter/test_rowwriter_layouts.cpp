// Row layouts of the writer over scripted result sets, byte for byte.
#include <string.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "fakecursor.h"
#include "support/process.h"

using fake::Cursor;
using fake::Value;
using testsupport::readFile;

namespace {

const Value N = fake::NUL;

Cursor table(std::vector<fake::ColumnSpec> specs, std::vector<std::vector<Value>> rows) {
  Cursor c;
  c.specs = std::move(specs);
  c.rows = std::move(rows);
  return c;
}

// One ID column of rows 0, 1, 2 ...
Cursor ids(int rows) {
  Cursor c = table({fake::number("ID", 12)}, {});
  for (int i = 0; i < rows; ++i) c.rows.push_back({Value(std::to_string(i))});
  return c;
}

struct RowWriter : fake::FolderTest {
  // Runs the layout into a file and returns the file's content.
  std::string output(Cursor &c, std::vector<std::string> options, fake::Run *run = nullptr) {
    std::string file = path("out.txt");
    fake::Run r = fake::unload(&c, options, file);
    EXPECT_EQ(r.status, 0) << r.messages;
    if (run != nullptr) *run = r;
    return readFile(file);
  }
};

// NULL next to an empty value that is not NULL, which no demo table holds
// (the end-to-end golden files cover quotes, separators, line ends,
// backslashes, UTF-8, RAW and inline LOBs in every layout and preset).
Cursor awkward() {
  return table({fake::number("ID", 12), fake::varchar("NAME", 40), fake::date("HIRED")},
               {
                   {Value("1"), Value("plain"), Value("2024-03-05 13:07:09")},
                   {Value("2"), N, N},
                   {Value("3"), Value(""), Value("2000-01-01 00:00:00")},
               });
}

TEST_F(RowWriter, Layouts) {
  struct Case {
    const char *what;
    Cursor cursor;
    std::vector<std::string> options;
    std::string want;
  } cases[] = {
      {"csv", awkward(), {"text=CSV"},
       "ID,NAME,HIRED\n1,\"plain\",\"2024-03-05 13:07:09\"\n2,,\n3,\"\",\"2000-01-01 00:00:00\"\n"},
      {"mysql", awkward(), {"text=MYSQL"},
       "1,\"plain\",\"2024-03-05 13:07:09\"\n2,\\N,\\N\n3,\"\",\"2000-01-01 00:00:00\"\n"},
      // Fixed width: no separators, quotes or header; fields padded to their
      // width. An escaped value longer than its field is cut at the width.
      {"fixed width",
       table({fake::number("ID", 4), fake::varchar("NAME", 6), fake::varchar("X", 3)},
             {{Value("1"), Value("abc"), Value("xyz")}, {Value("22"), N, Value("q")},
              {Value("333"), Value("abcdef"), Value("")}}),
       {"field=0x20", "head=YES", "quote=0x22", "null=-"}, "1   abc   xyz\n22  -     q  \n333 abcdef   \n"},
      {"fixed width escaped",
       table({fake::varchar("A", 4), fake::varchar("B", 2)}, {{Value("a\"b\""), Value("z")}, {Value("c"), Value("y")}}),
       {"field=0x20", "escape=0x22"}, "a\"\"bz \nc   y \n"},
      // '"' translated to '\\' must then be escaped like any backslash.
      {"translation before escaping", table({fake::varchar("V", 10)}, {{Value("a\"b")}}),
       {"text=MYSQL", "sedf=0x22", "sedt=0x5c"}, "\"a\\\\b\"\n"},
  };
  for (Case &c : cases) EXPECT_EQ(output(c.cursor, c.options), c.want) << c.what;
}

TEST_F(RowWriter, DefaultLayoutAndProgressMessages) {
  Cursor c = awkward();
  c.rows.resize(2);
  fake::Run run;
  EXPECT_EQ(output(c, {}, &run), "1,plain,2024-03-05 13:07:09\n2,,\n");
  EXPECT_NE(run.messages.find("           0 rows exported at "), std::string::npos);
  EXPECT_NE(run.messages.find(", size 0 MB.\n           2 rows exported at "), std::string::npos);
  EXPECT_NE(run.messages.find("         output file " + path("out.txt") + " closed at 2 rows, size 0 MB.\n"),
            std::string::npos);
}

// Fetch errors and warnings: which rows are written and the status.
TEST_F(RowWriter, FetchErrors) {
  struct Case {
    const char *what;
    int rows;
    size_t failRow;
    sword failStatus;
    int failCode;
    bool failOnce;
    std::vector<std::string> options;
    const char *file;
    int status;
    int lines;  // rows written, 0..lines-1
  } cases[] = {
      {"fetch error stops", 2500, 1500, OCI_ERROR, 20001, true, {}, "f.txt", 7, 1500},
      {"fetch error stops, gzip", 2500, 1500, OCI_ERROR, 20001, true, {}, "f.gz", 7, 1500},
      {"listed error is skipped", 2500, 1500, OCI_ERROR, 20001, true, {"error=20001"}, "s.txt", 0, 2500},
      {"warning without error record", 1500, 1200, OCI_SUCCESS_WITH_INFO, 0, true, {}, "w.txt", 0, 1500},
      {"persistent listed error ends", 10, 5, OCI_ERROR, 20001, false, {"error=20001"}, "p.txt", 7, 5},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(k.what);
    Cursor c = ids(k.rows);
    c.failRow = k.failRow;
    c.failStatus = k.failStatus;
    c.failCode = k.failCode;
    c.failOnce = k.failOnce;
    fake::Run run = fake::unload(&c, k.options, path(k.file));
    EXPECT_EQ(run.status, k.status) << run.messages;
    if (k.failCode != 0) {
      EXPECT_NE(run.messages.find("ORA-20001"), std::string::npos);
    }
    // A failed unload keeps its rows under a name that says it is incomplete.
    const std::string file = path(k.file) + (k.status != 0 ? ".partial" : "");
    EXPECT_EQ(std::filesystem::exists(path(k.file)), k.status == 0);
    std::string out = std::string(k.file).ends_with(".gz") ? testsupport::gunzip(file) : readFile(file);
    std::string want;
    for (int i = 0; i < k.lines; ++i) want += std::to_string(i) + "\n";
    EXPECT_TRUE(out == want) << out.substr(0, 100);
  }
}

// Double-byte pairs are skipped only for double-byte character sets.
TEST_F(RowWriter, EscapingFollowsTheSessionCharacterSet) {
  const std::string gbk = "\xd5\x5c\"";  // a GBK character with trail byte '\\', then '"'
  const std::string utf8 = "\xe4\xb8\xad\\";  // '中' then a backslash
  struct Case {
    std::string value;
    ub2 envset;
    std::vector<std::string> options;
    std::string want;
  } cases[] = {
      {gbk, 873, {"text=MYSQL", "charsetid:852"}, "\"\xd5\x5c\\\"\"\n"},
      {gbk, 852, {"text=MYSQL"}, "\"\xd5\x5c\\\"\"\n"},
      {utf8, 873, {"text=MYSQL"}, "\"\xe4\xb8\xad\\\\\"\n"},
      {utf8, 871, {"text=MYSQL"}, "\"\xe4\xb8\xad\\\\\"\n"},
  };
  for (const Case &k : cases) {
    Cursor c = table({fake::varchar("V", 10)}, {{Value(k.value)}});
    c.charset = k.envset;
    EXPECT_EQ(output(c, k.options), k.want) << k.envset;
  }
}

}  // namespace
