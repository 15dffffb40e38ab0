// One unload job through the real program against a stand-in database:
// logon forms, the statements a job sends, its statuses and its control file.
#include <stdlib.h>

#include <string>
#include <vector>

#include "unload_support.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RunResult;

// Each run starts a fresh trace of the statements the stand-in receives.
class JobRunner : public unloadtest::Unload {
 protected:
  std::string trace = path("trace.txt");
  void SetUp() override {
    Unload::SetUp();
    setenv("OCILITE_TRACE", trace.c_str(), 1);
    unsetenv("TWO_TASK");
    unsetenv("ORACLE_SID");
  }
  void TearDown() override {
    unsetenv("OCILITE_TRACE");
    unsetenv("TWO_TASK");
    Unload::TearDown();
  }
  RunResult job(const std::vector<std::string> &args) {
    fs::remove(trace);
    return run(args);
  }
  // Statement texts the stand-in received, one per line.
  std::vector<std::string> statements() {
    std::vector<std::string> lines;
    std::string all = testsupport::readFile(trace);
    for (size_t at = 0, nl; (nl = all.find('\n', at)) != std::string::npos; at = nl + 1)
      lines.push_back(all.substr(at, nl - at));
    return lines;
  }
};

const std::vector<std::string> kNls = {
    "ALTER SESSION SET NLS_DATE_FORMAT='YYYY-MM-DD HH24:MI:SS'",
    "ALTER SESSION SET NLS_TIMESTAMP_FORMAT='YYYY-MM-DD HH24:MI:SSXFF'",
    "ALTER SESSION SET NLS_TIMESTAMP_TZ_FORMAT='YYYY-MM-DD HH24:MI:SSXFF TZH:TZM'",
};

// The session's formats, read back once alter= and presql= have run.
const std::string kReadFormats =
    "SELECT PARAMETER, VALUE FROM NLS_SESSION_PARAMETERS WHERE PARAMETER IN "
    "('NLS_DATE_FORMAT', 'NLS_TIMESTAMP_FORMAT', 'NLS_TIMESTAMP_TZ_FORMAT')";

std::vector<std::string> nlsThen(const std::vector<std::string> &rest) {
  std::vector<std::string> all = kNls;
  all.insert(all.end(), rest.begin(), rest.end());
  return all;
}

TEST_F(JobRunner, Logons) {
  struct Case {
    const char *what;
    std::vector<std::string> args;
    const char *twoTask;
    int status;
    const char *output;
  } cases[] = {
      {"right password", {"user=scott/tiger@demo.db", "query=dept", "data=NO"}, nullptr, 0, ""},
      {"bare connect string", {"scott/tiger@demo.db", "query=dept", "data=NO"}, nullptr, 0, ""},
      {"wrong password", {"user=scott/lion@demo.db", "query=dept", "data=NO"}, nullptr, 1,
       "ORA-01017: invalid username/password; logon denied"},
      {"missing database", {"user=scott/tiger@nosuch.db", "query=dept", "data=NO"}, nullptr, 1,
       "ORA-12154: TNS:could not resolve the connect identifier specified"},
      {"-si", {"-si", "query=select 1 x from dual", "data=NO"}, "demo.db", 0, ""},
      {"SYS", {"user=sys/anything@elsewhere", "query=select 1 x from dual", "data=NO"}, "demo.db", 0,
       ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    if (c.twoTask) setenv("TWO_TASK", c.twoTask, 1);
    else unsetenv("TWO_TASK");
    RunResult r = job(c.args);
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_NE(r.out.find(c.output), std::string::npos) << r.out;
    if (c.status != 0) {
      EXPECT_EQ(r.out, std::string(c.output) + "\n");  // reported once
      EXPECT_TRUE(statements().empty());
    }
  }
}

// The statements a job sends after the NLS settings, its status, how its
// output starts (empty: it has none; "*": not checked) and the control file
// a bare table name names.
TEST_F(JobRunner, StatementsAndStatuses) {
  const std::string overlong = "SET X='" + std::string(520, 'y') + "'";
  struct Case {
    const char *what;
    std::vector<std::string> args;
    int status;
    std::string out;
    std::vector<std::string> sent;
    const char *ctl;
  } cases[] = {
      {"session settings in order",
       {"query=dept ;/ \n", "hash=64", "alter=SET A_PARAM=1;SET B_PARAM=2;", "read=32", "serial=YES", "sort=2",
        "trace=12"},
       0,
       "",
       {"ALTER SESSION SET DB_FILE_MULTIBLOCK_READ_COUNT=32", "ALTER SESSION SET WORKAREA_SIZE_POLICY=MANUAL",
        "ALTER SESSION SET HASH_AREA_SIZE=67108864", "ALTER SESSION SET HASH_AREA_SIZE=67108864",
        "ALTER SESSION SET \"_hash_multiblock_io_count\"=128", "ALTER SESSION SET \"_hash_multiblock_io_count\"=128",
        "ALTER SESSION SET \"_serial_direct_read\"=TRUE", "ALTER SESSION SET WORKAREA_SIZE_POLICY=MANUAL",
        "ALTER SESSION SET SORT_AREA_SIZE=2097152", "ALTER SESSION SET SORT_AREA_SIZE=2097152",
        "ALTER SESSION SET SORT_AREA_RETAINED_SIZE=2097152", "ALTER SESSION SET SORT_AREA_RETAINED_SIZE=2097152",
        "ALTER SESSION SET \"_sort_multiblock_read_count\"=128",
        "ALTER SESSION SET \"_sort_multiblock_read_count\"=128",
        "ALTER SESSION SET EVENTS='10046 TRACE NAME CONTEXT FOREVER,LEVEL 12'", "ALTER SESSION SET A_PARAM=1",
        "ALTER SESSION SET B_PARAM=2", kReadFormats, "select * from dept"},
       "dept_sqlldr.ctl"},
      {"an overlong session setting is skipped",
       {"query=dept", "alter=" + overlong + ";SET B_PARAM=2"},
       0,
       "ERROR -- session setting longer than 511 bytes skipped: SET X='yyy",
       {"ALTER SESSION SET B_PARAM=2", kReadFormats, "select * from dept"},
       "dept_sqlldr.ctl"},
      {"a failing session setting goes on", {"query=dept", "alter=SET NLS_DATE_FORMAT='"}, 0, "*",
       {"ALTER SESSION SET NLS_DATE_FORMAT='", kReadFormats, "select * from dept"}, "dept_sqlldr.ctl"},
      {"presql fails, query never runs",
       {"query=dept", "presql=insert into nosuch values (1)", "postsql=delete from bonus"}, 8, "ORA-",
       {"insert into nosuch values (1)"}, ""},
      {"postsql fails", {"query=dept", "postsql=delete from nosuch"}, 9, "ORA-",
       {kReadFormats, "select * from dept", "delete from nosuch"}, "dept_sqlldr.ctl"},
      {"presql and postsql succeed", {"query=dept", "presql=delete from bonus", "postsql=delete from bonus"}, 0, "",
       {"delete from bonus", kReadFormats, "select * from dept", "delete from bonus"}, "dept_sqlldr.ctl"},
      {"prepare fails", {"query=select * from nosuch", "postsql=delete from bonus"}, 3, "ORA-",
       {kReadFormats, "select * from nosuch"}, ""},
      {"a query's terminator is cut", {"query=SELECT deptno FROM dept;\n/ \n"}, 0, "",
       {kReadFormats, "SELECT deptno FROM dept"}, ""},
      {"a WITH query", {"query=with d as (select * from dept) select * from d"}, 0, "",
       {kReadFormats, "with d as (select * from dept) select * from d"}, ""},
      {"owner and table", {"query=scott.dept"}, 0, "", {kReadFormats, "select * from scott.dept"},
       "scott.dept_sqlldr.ctl"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args = {"user=scott/tiger@demo.db", "data=NO"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    for (const fs::directory_entry &e : fs::directory_iterator(dir))
      if (e.path().extension() == ".ctl") fs::remove(e.path());
    RunResult r = job(args);
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_TRUE(c.out == "*" || (c.out.empty() ? r.out.empty() : r.out.rfind(c.out, 0) == 0)) << r.out;
    EXPECT_EQ(statements(), nlsThen(c.sent));
    EXPECT_TRUE(*c.ctl == 0 || fs::exists(path(c.ctl))) << c.ctl;
  }
}

TEST_F(JobRunner, DescribeOnlyWritesTheControlFile) {
  script("CREATE TABLE NUMBERS (ROUNDED NUMBER(3,-2), AMOUNT NUMBER(10,2), RATIO NUMBER(5,5), WHOLE NUMBER(6), "
         "ANYNUM NUMBER);\n");
  struct Case {
    std::vector<std::string> args;
    std::string ctl, golden;
  } cases[] = {
      {{"query=emp"}, "emp_sqlldr.ctl", "emp_sqlldr.ctl"},
      {{"query=alltypes", "control=alltypes.ctl", "file=+all_%p.txt", "text=CSV"}, "alltypes.ctl", "alltypes.ctl"},
      {{"query=alltypes", "control=l.ctl", "lobfile=x_%p.lob", "field=|", "record=0x0d0x0a", "safe=YES", "width=8",
        "long=1000"},
       "l.ctl", "alltypes_lobfile_safe.ctl"},
      {{"query=numbers"}, "numbers_sqlldr.ctl", "numbers_sqlldr.ctl"},
  };
  for (const Case &c : cases) {
    std::vector<std::string> args = {"user=scott/tiger@demo.db", "data=NO"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    RunResult r = job(args);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(testsupport::withBannerTokens(read(c.ctl), "-- "),
              testsupport::readFile(fs::path(TEST_DATA_DIR) / "controlfile" / c.golden));
  }
  // Describe only: no data file, no LOB file.
  EXPECT_FALSE(fs::exists(path("qletdata_1.txt")));
  EXPECT_FALSE(fs::exists(path("x_1.lob")));
}

TEST_F(JobRunner, LogFileTakesTheMessages) {
  RunResult r = job({"user=scott/tiger@demo.db", "query=nosuch", "data=NO", "log=job_%p.log"});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "ORA-00942: table or view does not exist\n");  // errors go to standard error too
  EXPECT_NE(read("job_1.log").find("ORA-00942"), std::string::npos);
}

}  // namespace
