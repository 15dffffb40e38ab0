// ocilite DB --load: hand-written control files and data files loaded into
// the stand-in and read back through its OCI, and control files it refuses.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ocitest.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

struct DataFile {
  const char *name;
  std::string bytes;
};

struct LoadCase {
  const char *what;
  const char *table;  // script that makes the table (and rows already in it)
  const char *ctl;
  std::vector<DataFile> files;
  int status;
  const char *query;  // what was loaded, read with ISO session formats
  Rows want;
  const char *errorHas;  // text standard error holds ("" for nothing)
};

std::string slurp(const std::string &path) {
  std::stringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
}

// Runs the load in the demo folder; its status, standard error in *err.
int load(const ocitest::DemoDir &demo, const LoadCase &c, std::string *err) {
  std::ofstream(demo.dir() + "/x.ctl", std::ios::binary) << c.ctl;
  for (const DataFile &f : c.files) std::ofstream(demo.dir() + "/" + f.name, std::ios::binary) << f.bytes;
  const std::string cmd = "cd " + demo.dir() + " && " + OCILITE_BIN + " demo.db --load x.ctl >out.txt 2>err.txt";
  const int status = WEXITSTATUS(std::system(cmd.c_str()));
  *err = slurp(demo.dir() + "/err.txt");
  return status;
}

void check(const LoadCase &c) {
  SCOPED_TRACE(c.what);
  ocitest::DemoDir demo;
  ASSERT_EQ(ocitest::runScript(demo.db(), c.table), 0);
  std::string err;
  EXPECT_EQ(load(demo, c, &err), c.status) << err;
  EXPECT_NE(err.find(c.errorHas), std::string::npos) << err;
  if (*c.errorHas == 0) {
    EXPECT_EQ(err, "");
  }
  ocitest::Session s;
  ASSERT_EQ(s.logon("scott", "tiger", demo.db()), OCI_SUCCESS) << s.error();
  ASSERT_EQ(s.isoDates(), OCI_SUCCESS);
  EXPECT_EQ(ocitest::queryText(s, c.query), c.want);
}

const char *kTable = "CREATE TABLE T (ID NUMBER(4), NAME VARCHAR2(20), D DATE, N NUMBER(7,2));";

const LoadCase kLoads[] = {
    {"CSV: enclosures, doubled quotes, optional enclosure trimming, NULLIF 'NULL', a date mask", kTable,
     "-- a CSV file\nLOAD DATA\nINFILE 'a.csv'\nINSERT INTO TABLE t\n"
     "FIELDS TERMINATED BY ',' OPTIONALLY ENCLOSED BY '\"'\nTRAILING NULLCOLS\n"
     "(id, name, d DATE \"YYYY-MM-DD\", n NULLIF n = 'NULL')\n",
     {{"a.csv", "1,\"a \"\"q\"\", b\",2024-02-29,1.5\n2,  lead ,1999-12-31,NULL\n3,  \"  keep  \"  ,,\n4\n"}},
     0, "SELECT id, name, d, n FROM t ORDER BY id",
     {{"1", "a \"q\", b", "2024-02-29 00:00:00", "1.5"},
      {"2", "lead ", "1999-12-31 00:00:00", "<NULL>"},
      {"3", "  keep  ", "<NULL>", "<NULL>"},
      {"4", "<NULL>", "<NULL>", "<NULL>"}},
     ""},
    {"STR terminators keep line feeds; several INFILEs; SKIP only in the first; masks with fraction and zone; "
     "CHARACTERSET",
     "CREATE TABLE T (ID NUMBER, NAME VARCHAR2(20), TS TIMESTAMP(3), TZ TIMESTAMP WITH TIME ZONE);",
     "OPTIONS(SKIP=1, ERRORS=9)\nLOAD DATA\nCHARACTERSET WE8ISO8859P1\n"
     "INFILE 'a.txt' \"STR X'7c0a'\"\nINFILE 'b.txt' \"STR '|\\n'\" BADFILE 'b.bad'\nAPPEND INTO TABLE T\n"
     "FIELDS TERMINATED BY X'09' TRAILING NULLCOLS (\"ID\" CHAR(3), \"NAME\",\n"
     "  \"TS\" TIMESTAMP \"YYYY-MM-DD HH24:MI:SSXFF\",\n"
     "  \"TZ\" TIMESTAMP WITH TIME ZONE \"YYYY-MM-DD HH24:MI:SSXFF TZH:TZM\")\n",
     {{"a.txt", "ID\tNAME|\n1\tline\none\t2024-01-02 03:04:05.678\t2024-01-02 03:04:05.5 +05:30|\n"},
      {"b.txt", "2\tcaf\xe9\t2000-01-01 00:00:00.1\t1999-12-31 23:59:59 -08:00|\n"}},
     0, "SELECT id, name, ts, tz FROM t ORDER BY id",
     {{"1", "line\none", "2024-01-02 03:04:05.678", "2024-01-02 03:04:05.500000 +05:30"},
      {"2", "caf\xc3\xa9", "2000-01-01 00:00:00.100", "1999-12-31 23:59:59.000000 -08:00"}},
     ""},
    {"FIX records with POSITION, CHAR(n) over the end position, NULLIF BLANKS, RAW from hex",
     "CREATE TABLE T (ID NUMBER, NAME VARCHAR2(20), R RAW(4), D DATE);",
     "LOAD DATA\nINFILE 'f.dat' \"FIX 24\"\nTRUNCATE\nINTO TABLE T\nFIELDS TERMINATED BY X'20'\n(\n"
     "  ID POSITION(1:3) CHAR(3) NULLIF ID=BLANKS,\n  NAME POSITION(4:9) CHAR(6),\n"
     "  R POSITION(10:17) NULLIF R = BLANKS,\n  D POSITION(18:23) DATE \"YYMMDD\"\n)\n",
     // ID 1-3, NAME 4-9, R 10-17, D 18-23, a line feed at 24.
     {{"f.dat", "  1 ab c DEADBEEF240229\n"
                "   x     1       991231\n"}},
     0, "SELECT id, name, r, d FROM t ORDER BY name",
     {{"1", " ab c", "DEADBEEF", "2024-02-29 00:00:00"}, {"<NULL>", "x", "01", "1999-12-31 00:00:00"}},
     ""},
    {"LLS references: CLOB and BLOB, NULL, empty, fixed-width references",
     "CREATE TABLE T (ID NUMBER, C CLOB, B BLOB);",
     "LOAD DATA INFILE 'l.txt' REPLACE INTO TABLE T FIELDS TERMINATED BY ',' TRAILING NULLCOLS\n"
     "(ID, C NULLIF C=BLANKS LLS, B POSITION(17:45) LLS)\n",
     {{"l.txt", "1,lob.bin.1.11/,lob.bin.12.3/\n2,lob.bin.1.-1/,lob.bin.15.0/\n"},
      {"lob.bin", std::string("hello\nworld\x00\xff\x01", 14)}},
     0, "SELECT id, c, b FROM t ORDER BY id", {{"1", "hello\nworld", "00FF01"}, {"2", "<NULL>", "<NULL>"}}, ""},
    {"Rejected records: a bad number, a bad date, a value too long, a broken enclosure, a LOB past its file; the "
     "rest loads",
     kTable,
     "LOAD DATA INFILE 'r.csv' INSERT INTO TABLE T FIELDS TERMINATED BY ',' OPTIONALLY ENCLOSED BY '\"' "
     "(ID, NAME, D DATE \"YYYY-MM-DD\", N)\n",
     {{"r.csv", "1,ok,2024-01-01,1\n2x,bad,2024-01-01,1\n3,d,2024-02-30,1\n4,twenty-one characters,,\n"
                "5,\"open,,\n6,\"q\"x,,\n7,short\n8,fine,,2\n"}},
     2, "SELECT id, name FROM t ORDER BY id", {{"1", "ok"}, {"8", "fine"}},
     "r.csv, record 2: rejected: column ID: ORA-01722: invalid number"},
    {"ERRORS=0 stops at the first rejected record and keeps the rows before it", kTable,
     "OPTIONS (ERRORS=0) LOAD DATA INFILE 'r.csv' APPEND INTO TABLE T FIELDS TERMINATED BY ',' (ID, NAME)\n",
     {{"r.csv", "1,a\nx,b\n3,c\n"}}, 2, "SELECT id FROM t", {{"1"}}, "the load stops"},
    {"INSERT wants an empty table", "CREATE TABLE T (ID NUMBER); INSERT INTO T VALUES (9);",
     "LOAD DATA INFILE 'r.csv' INTO TABLE T FIELDS TERMINATED BY ',' (ID)\n", {{"r.csv", "1\n"}}, 1,
     "SELECT id FROM t", {{"9"}}, "SQL*Loader-601"},
    {"A record of only NULL fields is discarded", kTable,
     "LOAD DATA INFILE 'r.csv' INTO TABLE T FIELDS TERMINATED BY ',' TRAILING NULLCOLS (ID, NAME)\n",
     {{"r.csv", "1,a\n\n,\n"}}, 2, "SELECT id FROM t", {{"1"}}, ""},
};

TEST(Loader, LoadsWhatTheControlFileDescribes) {
  for (const LoadCase &c : kLoads) check(c);
}

// A control file outside the grammar, or naming what is not there, loads
// nothing and names its line.
TEST(Loader, RefusesBadControlFilesNamingTheLine) {
  struct Case { const char *ctl, *error; };
  const Case cases[] = {
      {"LOAD DATA\nINFILE 'r.csv'\nINTO TABLE T\nWHEN (ID = '1')\n(ID)\n", "x.ctl:4: \"WHEN\" is not a clause"},
      {"OPTIONS(DIRECT=1)\nLOAD DATA INFILE 'r.csv' INTO TABLE T (ID)\n", "x.ctl:1: \"DIRECT\""},
      {"LOAD DATA\nINFILE 'r.csv' \"VAR 4\"\nINTO TABLE T (ID)\n", "x.ctl:2: \"VAR\""},
      {"LOAD DATA INFILE 'r.csv' INTO TABLE T\nFIELDS TERMINATED BY ','\n(ID,\n NAME CHAR(5) \"UPPER(:NAME)\")\n",
       "x.ctl:4:"},
      {"LOAD DATA INFILE 'r.csv' INTO TABLE T (ID)\nINTO TABLE T (ID)\n", "x.ctl:2:"},
      {"LOAD DATA INFILE 'r.csv' INTO TABLE T FIELDS TERMINATED BY X'2' (ID)\n", "x.ctl:1:"},
      {"LOAD DATA INFILE 'r.csv' INTO TABLE T\nFIELDS TERMINATED BY ','\n(ID,\n NOPE)\n", "x.ctl:4: column NOPE"},
      {"LOAD DATA INFILE 'r.csv' INTO TABLE NOSUCH (ID)\n", "x.ctl:1: ORA-00942"},
      {"LOAD DATA\nINFILE 'missing.csv'\nINTO TABLE T (ID)\n", "x.ctl:2: SQL*Loader-500"},
      {"LOAD DATA INFILE 'r.csv' INTO TABLE T FIELDS TERMINATED BY ','\n(ID, D DATE \"YYYY-ZZ\")\n",
       "x.ctl:2: ORA-01821"},
      {"LOAD DATA INFILE 'r.csv' INTO TABLE T FIELDS TERMINATED BY ','\n(ID LLS)\n", "x.ctl:2: SQL*Loader-02304"},
      {"LOAD DATA INFILE 'r.csv' INTO TABLE T (ID, NAME 'x')\n", "x.ctl:1:"},
  };
  for (const Case &c : cases) {
    const LoadCase lc{c.ctl, kTable, c.ctl, {{"r.csv", "1\n"}}, 1, "SELECT count(*) FROM t", {{"0"}}, c.error};
    check(lc);
  }
}

}  // namespace
