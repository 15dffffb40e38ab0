// Every layout and preset over the demo tables, LOB and LONG columns inline,
// and numbers and dates converted in the program, compared with golden files.
#include <string>
#include <vector>

#include "unload_support.h"

namespace {

using unloadtest::Unload;

// Every column of the type table but the LOB and LONG ones.
const std::string ALLTYPES =
    "query=select id, c_varchar2, c_nvarchar2, c_char, c_nchar, c_number, c_number_p, c_number_ps, c_float, "
    "c_binary_float, c_binary_double, c_date, c_timestamp, c_timestamp_tz, c_timestamp_ltz, c_interval_ym, "
    "c_interval_ds, c_raw from alltypes order by id";
const std::string LOBS = "query=select id, c_clob, c_nclob, c_blob, c_long from alltypes order by id";

TEST_F(Unload, EveryLayout) {
  struct Case {
    std::string golden;
    std::vector<std::string> args;
  } cases[] = {
      {"alltypes_default.txt", {ALLTYPES}},
      {"alltypes_csv.csv", {ALLTYPES, "text=CSV"}},
      {"alltypes_whole_csv.csv", {"query=alltypes", "text=CSV"}},
      {"alltypes_mysql.txt", {ALLTYPES, "text=MYSQL"}},
      {"alltypes_form.txt", {ALLTYPES, "text=FORM"}},
      {"alltypes_search.txt", {ALLTYPES, "text=SEARCH"}},
      {"alltypes_mysqlins.sql", {ALLTYPES, "text=MYSQLINS", "table=ALLTYPES"}},
      {"alltypes_mysqlins_unique.sql", {ALLTYPES, "text=MYSQLINS", "table=ALLTYPES", "unique=ID"}},
      {"alltypes_oracleins.sql", {ALLTYPES, "text=ORACLEINS", "table=ALLTYPES", "exec=/"}},
      {"alltypes_fixed.txt",
       {"query=select id, c_varchar2, c_char, c_number_ps, c_date, c_interval_ds from alltypes order by id",
        "field=0x20", "head=YES", "null=?"}},
      {"alltypes_prefixes.txt",
       {"query=select id, c_char, c_number_p from alltypes order by id", "field=|", "record=0x0d0x0a",
        "rowpre=<", "rowsuf=>", "head=YES", "prehead=@", "quote=0x27", "escape=0x5c", "escf=0x27",
        "esct=0x27", "null=NULL"}},
      {"alltypes_safe_fixed.txt",
       {"query=select rowid, id, c_varchar2, c_number_ps, c_binary_double, c_raw, c_date from alltypes order by id",
        "field=0x20", "safe=YES"}},
      {"rowid_csv.csv", {"query=select rowid, id, c_interval_ym from alltypes order by id", "text=CSV"}},
      {"lobs_csv.csv", {LOBS, "text=CSV"}},
      {"lobs_mysql.txt", {LOBS, "text=MYSQL"}},
      {"lobs_mysqlins.sql", {LOBS, "text=MYSQLINS", "table=ALLTYPES"}},
      {"emp.csv", {"query=emp", "text=CSV"}},
      // client=YES: dates as the server writes them, numbers in full without
      // exponent and with whole base-100 pairs.
      {"emp_client.csv", {"query=select empno, hiredate, sal, comm from emp order by empno", "text=CSV", "client=YES"}},
  };
  for (const Case &c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("file=out.txt");
    testsupport::RunResult r = q2(args);
    EXPECT_EQ(r.status, 0) << c.golden << "\n" << r.out;
    expectGolden(c.golden, read("out.txt"));
  }
}

TEST_F(Unload, EmptyResultStillHasHeaderAndMessages) {
  testsupport::RunResult r = q2({"query=bonus", "text=CSV", "file=b.csv"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(read("b.csv"), "ENAME,JOB,SAL,COMM\n");
  EXPECT_NE(r.out.find("           0 rows exported at "), std::string::npos);
  EXPECT_NE(r.out.find("output file b.csv closed at 0 rows, size 0 MB."), std::string::npos);
  ASSERT_EQ(q2({"query=bonus", "text=MYSQLINS", "file=b.sql"}).status, 0);
  EXPECT_EQ(read("b.sql"), "");
}

TEST_F(Unload, StandardOutputCarriesOnlyTheData) {
  testsupport::RunResult r = q2({"query=select deptno, dname from dept order by deptno", "text=CSV", "file=-"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "DEPTNO,DNAME\n10,\"ACCOUNTING\"\n20,\"RESEARCH\"\n30,\"SALES\"\n40,\"OPERATIONS\"\n");
}

}  // namespace
