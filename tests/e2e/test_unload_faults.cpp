// How an unload ends when things go wrong: statuses, messages, and what the
// output files hold afterwards.
#include <stdlib.h>

#include <string>
#include <vector>

#include "unload_support.h"

namespace {

using unloadtest::countLines;
using unloadtest::Unload;

// An output that cannot be opened is status 6, one that cannot be written
// (a full device, also under gzip) status 2.
TEST_F(Unload, OutputFailures) {
  unloadtest::fs::create_symlink("/dev/full", path("full.gz"));
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"file=nodir/x.txt"}, 6, "ERROR -- Cannot write to file : nodir/x.txt\n"},
      {{"file=ok.txt", "lobfile=nodir/x.lob"}, 6, "ERROR -- Cannot write to file : nodir/x.lob\n"},
      {{"file=/dev/full"}, 2, ""},
      {{"file=full.gz"}, 2, ""},
  };
  for (const Case &c : cases) {
    std::vector<std::string> args = {"query=dept"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    testsupport::RunResult r = q2(args);
    EXPECT_EQ(r.status, c.status) << c.args[0] << "\n" << r.out;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
  }
}

// An error listed in error= is reported and the unload steps over the row
// that raised it, through any run of such rows; only an error that repeats
// for ever ends it, with status 7. (The row writer's tests check that an
// unlisted error ends with status 7 after the rows before it, plain and gzip.)
TEST_F(Unload, SkippedFetchErrorsStepOverTheirRows) {
  numberedTable("T2500", 2500);
  struct Case {
    const char *what, *fault;  // OCILITE_FAULT
    std::vector<std::string> args;
    const char *reported, *closing;  // the error, and the closing line that counts its rows
    int status;
    size_t lines;
  } cases[] = {
      {"one row each", "",
       {"query=select id, case id when 1500 then ora_raise(20001) when 2000 then ora_raise(1555) else name end "
        "from t2500 order by id",
        "error=20001", "error=1555"},
       "ORA-20001", " 1 rows skipped for ORA-20001.\n         1 rows skipped for ORA-01555.\n", 0, 2498},
      {"four rows in a row", "ORA-01555:T2500:5;ORA-01555:T2500:6;ORA-01555:T2500:7;ORA-01555:T2500:8",
       {"query=t2500", "error=1555", "array=5"}, "ORA-01555", " 4 rows skipped for ORA-01555.\n", 0, 2496},
      {"every row of an endless query", "",
       {"query=with recursive r(n) as (select 1 from dual union all select n + 1 from r) "
        "select n, ora_raise(1555) as bad from r",
        "error=1555", "array=5"},
       "ORA-01555", " 1000 rows skipped for ORA-01555.\n", 7, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    setenv("OCILITE_FAULT", c.fault, 1);
    std::vector<std::string> args = c.args;
    args.push_back("file=s.txt");
    unloadtest::fs::remove(path("s.txt"));  // a failed run leaves the last one's file alone
    testsupport::RunResult r = q2(args);
    unsetenv("OCILITE_FAULT");
    EXPECT_EQ(r.status, c.status) << r.out.substr(0, 2000);
    EXPECT_NE(r.out.find(c.reported), std::string::npos);
    EXPECT_NE(r.out.find(c.closing), std::string::npos) << r.out.substr(0, 2000);
    EXPECT_EQ(countLines(read("s.txt")), c.lines);
  }
}

// Values cut by width= are a truncation warning on every array; listed in
// error=, every row is still written.
TEST_F(Unload, SkippedTruncationWritesEveryRow) {
  numberedTable("T2500", 2500);
  testsupport::RunResult r = q2({"query=select name from t2500 order by id", "width=5", "error=24345", "file=w.txt"});
  EXPECT_EQ(r.status, 0) << r.out;
  std::string out = read("w.txt");
  EXPECT_EQ(countLines(out), 2500u);
  EXPECT_EQ(out.substr(0, 12), "name-\nname-\n");
  EXPECT_NE(r.out.find("ORA-24345"), std::string::npos);
  EXPECT_EQ(r.out.find("skipped"), std::string::npos);  // a warning leaves out no row
  // Unlisted, the warning ends the unload before its array is written.
  EXPECT_EQ(q2({"query=select name from t2500", "width=5", "file=x.txt"}).status, 7);
  EXPECT_EQ(read("x.txt"), "");
}

}  // namespace
