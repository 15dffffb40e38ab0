// Row layouts of the writer over scripted result sets, byte for byte.
#include <string.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "fakecursor.h"
#include "support/process.h"

namespace fs = std::filesystem;
using fake::Cursor;
using fake::Value;
using testsupport::readFile;

namespace {

const Value N = fake::NUL;

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

// A small table with the awkward values: NULL, empty, quotes, separators,
// line feeds, carriage returns, backslashes and UTF-8.
Cursor awkward() {
  Cursor c;
  c.specs = {fake::number("ID", 12), fake::varchar("NAME", 40), fake::date("HIRED")};
  c.rows = {
      {Value("1"), Value("plain"), Value("2024-03-05 13:07:09")},
      {Value("2"), N, N},
      {Value("3"), Value(""), Value("2000-01-01 00:00:00")},
      {Value("-4.5"), Value("say \"hi\", it's"), N},
      {Value("5"), Value("line\nbreak\r\\end"), N},
      {Value("6"), Value("\xe4\xb8\xad\xe6\x96\x87 \xc3\xa9"), N},
  };
  return c;
}

TEST_F(RowWriter, CsvPreset) {
  Cursor c = awkward();
  EXPECT_EQ(output(c, {"text=CSV"}),
            "ID,NAME,HIRED\n"
            "1,\"plain\",\"2024-03-05 13:07:09\"\n"
            "2,,\n"
            "3,\"\",\"2000-01-01 00:00:00\"\n"
            "-4.5,\"say \"\"hi\"\", it's\",\n"
            "5,\"line\nbreak\r\\end\",\n"
            "6,\"\xe4\xb8\xad\xe6\x96\x87 \xc3\xa9\",\n");
}

TEST_F(RowWriter, MysqlPreset) {
  Cursor c = awkward();
  EXPECT_EQ(output(c, {"text=MYSQL"}),
            "1,\"plain\",\"2024-03-05 13:07:09\"\n"
            "2,\\N,\\N\n"
            "3,\"\",\"2000-01-01 00:00:00\"\n"
            "-4.5,\"say \\\"hi\\\", it\\'s\",\\N\n"
            "5,\"line\\nbreak\\r\\\\end\",\\N\n"
            "6,\"\xe4\xb8\xad\xe6\x96\x87 \xc3\xa9\",\\N\n");
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

TEST_F(RowWriter, FormPresetAlignsNames) {
  Cursor c;
  c.specs = {fake::number("ID", 12), fake::varchar("NAME", 10)};
  c.rows = {{Value("1"), N}, {Value("2"), Value("x")}};
  EXPECT_EQ(output(c, {"text=FORM"}), "ID   : 1\nNAME : (null)\n\nID   : 2\nNAME : x\n\n");
}

TEST_F(RowWriter, SearchPresetFramesRows) {
  Cursor c;
  c.specs = {fake::number("ID", 12), fake::varchar("NAME", 10)};
  c.rows = {{Value("1"), Value("a")}};
  EXPECT_EQ(output(c, {"text=SEARCH"}), "<DOC>\x01\nID=1\x01\nNAME=a\x01\n</DOC>\x01\n");
}

TEST_F(RowWriter, FixedWidthPadsAndCuts) {
  Cursor c;
  c.specs = {fake::number("ID", 4), fake::varchar("NAME", 6), fake::varchar("X", 3)};
  c.rows = {{Value("1"), Value("abc"), Value("xyz")}, {Value("22"), N, Value("q")},
            {Value("333"), Value("abcdef"), Value("")}};
  // Fixed width: no separators, quotes or header; fields padded to their
  // width. An escaped value longer than its field is cut at the width.
  EXPECT_EQ(output(c, {"field=0x20", "head=YES", "quote=0x22", "null=-"}),
            "1   abc   xyz\n22  -     q  \n333 abcdef   \n");
  Cursor e;
  e.specs = {fake::varchar("A", 4), fake::varchar("B", 2)};
  e.rows = {{Value("a\"b\""), Value("z")}, {Value("c"), Value("y")}};
  EXPECT_EQ(output(e, {"field=0x20", "escape=0x22"}), "a\"\"bz \nc   y \n");
}

TEST_F(RowWriter, RowPrefixSuffixAndHeaderPrefix) {
  Cursor c;
  c.specs = {fake::number("ID", 12), fake::varchar("V", 10)};
  c.rows = {{Value("1"), Value("a")}};
  EXPECT_EQ(output(c, {"rowpre=[", "rowsuf=]", "head=YES", "prehead=#", "field=|", "record=0x0d0x0a"}),
            "[#ID|#V]\r\n[1|a]\r\n");
}

// RAW and inline LOB bytes are escaped like text, so a quote or line feed
// in them cannot break the record.
TEST_F(RowWriter, BinaryAndInlineLobBytesAreEscaped) {
  Cursor c;
  c.specs = {fake::rawcol("R", 8), {"C", 112, SQLT_LVC, 100, 100, 1, 1}, {"B", 113, SQLT_LVB, 100, 100, 1, 1}};
  c.rows = {{Value("\"\n\\"), Value("a\"b"), Value("\n")}};
  EXPECT_EQ(output(c, {"text=CSV"}), "R,C,B\n\"\"\"\n\\\",\"a\"\"b\",\"\n\"\n");
  Cursor m;
  m.specs = c.specs;
  m.rows = c.rows;
  EXPECT_EQ(output(m, {"text=MYSQL"}), "\"\\\"\\n\\\\\",\"a\\\"b\",\"\\n\"\n");
}

TEST_F(RowWriter, TranslationBeforeEscaping) {
  Cursor c;
  c.specs = {fake::varchar("V", 10)};
  c.rows = {{Value("a\"b")}};
  // '"' translated to '\\' must then be escaped like any backslash.
  EXPECT_EQ(output(c, {"text=MYSQL", "sedf=0x22", "sedt=0x5c"}), "\"a\\\\b\"\n");
}

Cursor insertTable(int rows) {
  Cursor c;
  c.specs = {fake::number("ID", 12), fake::varchar("NAME", 10), fake::rawcol("R", 4)};
  for (int i = 0; i < rows; ++i) {
    c.rows.push_back({Value(std::to_string(i + 1)), i % 2 ? N : Value("n'" + std::to_string(i)),
                      i % 3 ? Value(std::string("\x01\xff", 2)) : Value("")});
  }
  return c;
}

TEST_F(RowWriter, MysqlInsertStatements) {
  Cursor c = insertTable(3);
  EXPECT_EQ(output(c, {"text=MYSQLINS"}),
            "INSERT  INTO `T` (`ID`,`NAME`,`R`) VALUES \n"
            "(1,unhex('6e2730'),unhex(''))"
            ",\n(2,null,unhex('01ff'))"
            ",\n(3,unhex('6e2732'),unhex('01ff'));\n");
  Cursor k = insertTable(3);
  EXPECT_EQ(output(k, {"text=MYSQLINS", "unique=ID"}),
            "INSERT  INTO `T` (`ID`,`NAME`,`R`) VALUES \n"
            "(1,unhex('6e2730'),unhex(''))"
            ",\n(2,null,unhex('01ff'))"
            ",\n(3,unhex('6e2732'),unhex('01ff'))"
            "\nON DUPLICATE KEY UPDATE \n    `NAME`=VALUES(`NAME`), `R`=VALUES(`R`);\n");
}

TEST_F(RowWriter, MysqlInsertOneStatementPerArray) {
  Cursor c = insertTable(2500);
  std::string out = output(c, {"text=MYSQLINS"});
  size_t heads = 0, ends = 0;
  for (size_t p = 0; (p = out.find("INSERT  INTO", p)) != std::string::npos; ++p) ++heads;
  for (size_t p = 0; (p = out.find(");\n", p)) != std::string::npos; ++p) ++ends;
  EXPECT_EQ(heads, 3u);
  EXPECT_EQ(ends, 3u);
  EXPECT_NE(out.find("VALUES \n(1001,"), std::string::npos);
  EXPECT_NE(out.find("VALUES \n(2001,"), std::string::npos);
  EXPECT_NE(out.find("(1000,null,unhex(''));\n"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 3), ");\n");
}

TEST_F(RowWriter, OracleInsertWithExec) {
  Cursor c = insertTable(2);
  EXPECT_EQ(output(c, {"text=ORACLEINS", "exec=/"}),
            "INSERT  INTO T (ID,NAME,R) VALUES \n(1,'n''0','')/\n"
            "INSERT  INTO T (ID,NAME,R) VALUES \n(2,null,'\x01\xff')/\n");
}

// Values whose array met a skipped truncation error are all written.
TEST_F(RowWriter, SkippedTruncationKeepsEveryRow) {
  Cursor c;
  c.specs = {fake::varchar("V", 5)};
  for (int i = 0; i < 2500; ++i) c.rows.push_back({Value("value-" + std::to_string(i))});
  fake::Run run;
  std::string out = output(c, {"error=24345"}, &run);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2500);
  EXPECT_EQ(out.substr(0, 12), "value\nvalue\n");
  EXPECT_NE(run.messages.find("ORA-24345"), std::string::npos);
  // Unlisted, the warning ends the unload before its array is written.
  Cursor u;
  u.specs = c.specs;
  u.rows = c.rows;
  fake::Run stopped = fake::unload(&u, {}, path("u.txt"));
  EXPECT_EQ(stopped.status, 7);
  EXPECT_EQ(readFile(path("u.txt")), "");
}

TEST_F(RowWriter, FetchErrorStopsWithRowsBeforeItWritten) {
  for (const char *name : {"f.txt", "f.gz"}) {
    Cursor c;
    c.specs = {fake::number("ID", 12)};
    for (int i = 0; i < 2500; ++i) c.rows.push_back({Value(std::to_string(i))});
    c.failRow = 1500;
    c.failCode = 20001;
    fake::Run run = fake::unload(&c, {}, path(name));
    EXPECT_EQ(run.status, 7);
    EXPECT_NE(run.messages.find("ORA-20001"), std::string::npos);
    std::string out = std::string(name) == "f.gz" ? "" : readFile(path(name));
    if (out.empty()) {
      EXPECT_EQ(system(("gzip -t " + path(name)).c_str()), 0);
      out = testsupport::runProgram({"/bin/gzip", "-dc", path(name)}).out;
    }
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1500) << name;
    EXPECT_EQ(out.substr(out.size() - 5), "1499\n");
  }
}

TEST_F(RowWriter, ListedFetchErrorIsSkipped) {
  Cursor c;
  c.specs = {fake::number("ID", 12)};
  for (int i = 0; i < 2500; ++i) c.rows.push_back({Value(std::to_string(i))});
  c.failRow = 1500;
  c.failCode = 20001;
  fake::Run run;
  std::string out = output(c, {"error=20001"}, &run);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2500);
}

// A warning without an error record is a success.
TEST_F(RowWriter, WarningWithoutErrorRecordGoesOn) {
  Cursor c;
  c.specs = {fake::number("ID", 12)};
  for (int i = 0; i < 1500; ++i) c.rows.push_back({Value(std::to_string(i))});
  c.failRow = 1200;
  c.failStatus = OCI_SUCCESS_WITH_INFO;
  c.failCode = 0;
  std::string out = output(c, {});
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1500);
}

TEST_F(RowWriter, PersistentSkippedErrorEnds) {
  Cursor c;
  c.specs = {fake::number("ID", 12)};
  for (int i = 0; i < 10; ++i) c.rows.push_back({Value(std::to_string(i))});
  c.failRow = 5;
  c.failCode = 20001;
  c.failOnce = false;
  fake::Run run = fake::unload(&c, {"error=20001"}, path("p.txt"));
  EXPECT_EQ(run.status, 7);
  EXPECT_EQ(readFile(path("p.txt")), "0\n1\n2\n3\n4\n");
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
      {gbk, 873, {"charsetid:852"}, "\"\xd5\x5c\\\"\"\n"},
      {gbk, 852, {}, "\"\xd5\x5c\\\"\"\n"},
      {utf8, 873, {}, "\"\xe4\xb8\xad\\\\\"\n"},
      {utf8, 871, {}, "\"\xe4\xb8\xad\\\\\"\n"},
  };
  for (const Case &k : cases) {
    Cursor c;
    c.specs = {fake::varchar("V", 10)};
    c.rows = {{Value(k.value)}};
    c.charset = k.envset;
    std::vector<std::string> opts = {"text=MYSQL"};
    opts.insert(opts.end(), k.options.begin(), k.options.end());
    std::string file = path("cs.txt");
    fake::Run r = fake::unload(&c, opts, file);
    EXPECT_EQ(readFile(file), k.want) << k.envset;
  }
}

}  // namespace
