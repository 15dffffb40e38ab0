// Output that loads back: each layout that writes a control file is unloaded
// from a table of hostile values, loaded with the stand-in's loader into an
// empty table of the same shape, and both tables are read back alike; every
// Oracle INSERT script is run into an empty table the same way.
#include <string>
#include <vector>

#include "unload_support.h"

namespace {

using testsupport::RunResult;
using unloadtest::Unload;

const char *const kShape =
    "(ID NUMBER(6), TXT VARCHAR2(60 CHAR), N NUMBER, D DATE, TS TIMESTAMP(6), BIN RAW(8), "
    "A_COLUMN_NAME_OF_FORTY_BYTES_XXXXXXXXXXX VARCHAR2(10))";

struct RoundTrip : Unload {
  void SetUp() override {
    Unload::SetUp();
    script(std::string("ALTER SESSION SET NLS_DATE_FORMAT='YYYY-MM-DD HH24:MI:SS';\n"
                       "ALTER SESSION SET NLS_TIMESTAMP_FORMAT='YYYY-MM-DD HH24:MI:SSXFF';\n"
                       "CREATE TABLE RT ") + kShape + ";\n" +
           "INSERT INTO RT VALUES (1, 'plain', 12.5, '2024-02-29 13:45:30', '2024-02-29 13:45:30.123456', "
           "HEXTORAW('DEADBEEF00FF'), 'x');\n"
           "INSERT INTO RT VALUES (2, 'He said \"hi\", it''s; a|b', -1e-5, '1999-12-31 23:59:59', "
           "'1999-12-31 23:59:59.999999', HEXTORAW('2C0A22'), ',\"');\n"
           "INSERT INTO RT VALUES (3, NULL, NULL, NULL, NULL, NULL, NULL);\n"
           "INSERT INTO RT VALUES (4, '  lead and trail  ', 1e100, '0001-01-01 00:00:00', "
           "'0001-01-01 00:00:00.000000', HEXTORAW('00'), '&amp');\n");
  }
  // The rows of table as one CSV text, read by the program itself.
  std::string rows(const std::string &table) {
    RunResult r = q2({"query=select * from " + table + " order by id", "text=CSV", "file=rows.csv"});
    EXPECT_EQ(r.status, 0) << r.out;
    return read("rows.csv");
  }
};

TEST_F(RoundTrip, ControlFilesLoadWhatWasWritten) {
  // Row 2 holds separators and quotes: only layouts with an enclosure (or
  // fixed positions) can carry it. Fixed positions lose trailing blanks
  // (row 4) on load: the control file does not say PRESERVE BLANKS yet.
  struct Case {
    std::string name;
    std::vector<std::string> args;
    const char *where;
  } cases[] = {
      {"default", {}, " where id <> 2"},
      {"CSV", {"text=CSV"}, ""},
      {"separators", {"field=|0x09", "record=0x1e0x0a", "quote=0x27", "escape=0x27"}, ""},
      {"fixed", {"field=0x20"}, " where id <> 4"},
      {"fixed client", {"field=0x20", "client=YES"}, " where id <> 4"},
      {"delimited client", {"client=YES"}, " where id <> 2"},
      {"null text", {"null=NULL", "text=CSV"}, ""},
      {"date formats", {"alter=set nls_date_format='DD-MON-YYYY HH24:MI:SS';"
                        "set nls_timestamp_format='DD.MM.YYYY HH24:MI:SSXFF'"}, " where id <> 2"},
      {"charset", {"charset=AL32UTF8", "text=CSV"}, ""},
      {"query in parentheses", {"query=(select * from rt where id <> 2)"}, " where id <> 2"},
  };
  int n = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const std::string copy = "COPY" + std::to_string(++n);
    script("CREATE TABLE " + copy + " " + kShape + ";\n");
    std::string where = c.where;
    std::vector<std::string> args = {"query=select * from rt" + where + " order by id", "table=" + copy,
                                     "control=rt.ctl", "file=rt.dat"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    RunResult u = q2(args);
    ASSERT_EQ(u.status, 0) << u.out;
    EXPECT_EQ(u.out.find("WARNING"), std::string::npos) << u.out;  // what loads back has no fault
    RunResult l = testsupport::runChecked({OCILITE_BIN, db, "--load", path("rt.ctl")}, "", dir);
    EXPECT_EQ(l.status, 0) << l.out << read("rt.ctl");
    EXPECT_EQ(rows(copy), rows("RT" + where)) << read("rt.ctl") << read("rt.dat");
  }
  // The commented CREATE TABLE keeps the length in characters.
  EXPECT_NE(read("rt.ctl").find("\n--    TXT VARCHAR2(60 CHAR),\n"), std::string::npos) << read("rt.ctl");
}

// Values that would not load back as written are counted, in a warning and
// in the control file; a parallel run counts every worker's.
TEST_F(RoundTrip, FaultsAreCounted) {
  admin({"--generate", "GEN", "2000"});
  struct Case {
    std::string name;
    std::vector<std::string> args;
    std::string fault;  // after "N values"
  } cases[] = {
      {"field separator", {"query=rt"}, "2 values hold the field separator outside an enclosure"},
      {"record separator", {"query=rt", "text=CSV", "record=;"}, "1 values hold the record separator"},
      {"quote without escape", {"query=rt", "quote=0x22"}, "2 values hold the enclosure"},
      {"fixed-width blanks", {"query=rt", "field=0x20"}, "1 values end in blanks"},
      {"null text", {"query=rt", "text=CSV", "null=plain"}, "1 values are all blanks or the null= text"},
      {"all blanks", {"query=select '  ' as txt from dual", "text=CSV"}, "1 values are all blanks or the null= text"},
      {"one job", {"query=gen"}, "1800 values hold the field separator outside an enclosure"},
      {"parallel", {"split=GEN", "degree=3", "file=gen_%p.txt"}, "1800 values hold the field separator"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"table=COPY", "control=rt.ctl", "file=rt.dat"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    RunResult u = q2(args);
    ASSERT_EQ(u.status, 0) << u.out;
    EXPECT_NE(u.out.find("\nWARNING -- " + c.fault), std::string::npos) << u.out;
    EXPECT_NE(read("rt.ctl").find("\n-- " + c.fault), std::string::npos) << read("rt.ctl");
  }
}

TEST_F(RoundTrip, EveryFileLoadsBack) {
  // Generated rows hold separators: they go through CSV, without the
  // header line a second file would load as a row. The side file takes LOB
  // values with every byte; inline, a line feed would end the record.
  const char *const gen =
      "(ID NUMBER(10), AMOUNT NUMBER(12,2), NAME VARCHAR2(30), NOTE VARCHAR2(100), CREATED DATE, UPDATED TIMESTAMP)";
  const char *const lobs = "(ID NUMBER(4), DOC CLOB, PIC BLOB)";
  numberedTable("BIG", 2500);
  admin({"--generate", "GEN", "80000"});  // about 8 MB: pieces of 1 MB cut at every full buffer
  script(std::string("CREATE TABLE LOBS ") + lobs + ";\n" +
         "INSERT INTO LOBS VALUES (1, 'a,b \"q\" '' |', HEXTORAW('00FF2C0A22'));\n"
         "INSERT INTO LOBS VALUES (2, 'line1' || CHR(10) || 'line2', HEXTORAW('0A'));\n"
         "INSERT INTO LOBS VALUES (3, NULL, NULL);\n"
         "INSERT INTO LOBS VALUES (4, EMPTY_CLOB(), EMPTY_BLOB());\n");
  struct Case {
    std::string name, source, shape;
    std::vector<std::string> args;
    size_t files;  // INFILE clauses at least
  } cases[] = {
      {"pieces by rows", "BIG", "(ID NUMBER(10), NAME VARCHAR2(20))",
       {"query=select * from big", "batch=YES", "rows=1000", "file=big_%b.txt"}, 3},
      {"pieces by size", "GEN", gen, {"query=select * from gen", "text=CSV", "head=NO", "size=1", "file=g_%b.csv"}, 2},
      {"parallel", "GEN", gen, {"split=GEN", "degree=3", "text=CSV", "head=NO", "file=part_%p.csv"}, 3},
      {"lobfile", "LOBS", lobs, {"query=select * from lobs", "lobfile=lobs.lob", "file=lobs.txt"}, 1},
      {"inline LOBs", "LOBS", lobs, {"query=select * from lobs where id <> 2", "text=CSV", "file=lobs.csv"}, 1},
  };
  int n = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const std::string copy = "FILES" + std::to_string(++n);
    script("CREATE TABLE " + copy + " " + c.shape + ";\n");
    std::vector<std::string> args = {"table=" + copy, "control=rt.ctl"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    RunResult u = q2(args);
    ASSERT_EQ(u.status, 0) << u.out;
    const std::string ctl = read("rt.ctl");
    size_t infiles = 0;
    for (size_t at = 0; (at = ctl.find("\nINFILE '", at)) != std::string::npos; ++at) ++infiles;
    EXPECT_GE(infiles, c.files) << ctl;
    RunResult l = testsupport::runChecked({OCILITE_BIN, db, "--load", path("rt.ctl")}, "", dir);
    EXPECT_EQ(l.status, 0) << l.out.substr(0, 2000) << ctl;
    const std::string where = c.name == "inline LOBs" ? " where id <> 2" : "";
    EXPECT_TRUE(rows(copy) == rows(c.source + where)) << ctl;
  }
}

TEST_F(RoundTrip, OracleInsertScriptsRun) {
  script(std::string("CREATE TABLE COPY ") + kShape + ";\n");
  RunResult u = q2({"query=select * from rt order by id", "table=COPY", "text=ORACLEINS", "file=rt.sql"});
  ASSERT_EQ(u.status, 0) << u.out;
  RunResult l = testsupport::runChecked({OCILITE_BIN, db, path("rt.sql")}, "", dir);
  EXPECT_EQ(l.status, 0) << l.out;
  EXPECT_EQ(rows("COPY"), rows("RT"));
}

}  // namespace
