// Fault injection: ORA_RAISE, OCILITE_FAULT rows and signals.
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ocitest.h"

namespace {

class Faults : public ocitest::LoggedOn {
 protected:
  void SetUp() override {
    ASSERT_EQ(ocitest::tool(demo.db() + " --generate T 10 >/dev/null"), 0);
    LoggedOn::SetUp();
  }
  void TearDown() override { unsetenv("OCILITE_FAULT"); }

  // Column 1 of sql fetched in arrays of 4, one "values[ ORA-NNNNN]|" a fetch;
  // "#n" is the number of columns described.
  std::string trace(const std::string &sql) {
    constexpr ub4 kArray = 4;
    constexpr sb4 kWidth = 16;
    OCIStmt *st = s.query(sql);
    ub4 ncol = 0;
    OCIAttrGet(st, OCI_HTYPE_STMT, &ncol, nullptr, OCI_ATTR_PARAM_COUNT, s.err);
    char buf[kArray][kWidth];
    OCIDefine *def = nullptr;
    OCIDefineByPos(st, &def, s.err, 1, buf, kWidth, SQLT_STR, nullptr, nullptr, nullptr, OCI_DEFAULT);
    std::string out = std::string("#").append(std::to_string(ncol)).append(" ");
    for (int fetches = 0; fetches < 10; fetches++) {
      sword rc = OCIStmtFetch(st, s.err, kArray, OCI_FETCH_NEXT, OCI_DEFAULT);
      const std::string error = rc == OCI_ERROR ? std::string(" ").append(s.error().substr(0, 9)) : "";
      ub4 got = 0;
      OCIAttrGet(st, OCI_HTYPE_STMT, &got, nullptr, OCI_ATTR_ROWS_FETCHED, s.err);
      for (ub4 r = 0; r < got; r++) out += std::string(r ? " " : "") + buf[r];
      out += error + "|";
      if (rc == OCI_NO_DATA || (rc != OCI_SUCCESS && rc != OCI_ERROR)) break;
    }
    OCIHandleFree(st, OCI_HTYPE_STMT);
    return out;
  }
};

TEST_F(Faults, AFaultedRowFailsItsFetchAfterTheRowsBeforeIt) {
  const std::string marker = demo.dir() + "/once";
  struct Case {
    std::string env;  // OCILITE_FAULT
    std::string sql;
    std::string want;
  } cases[] = {
      {"", "SELECT id FROM t WHERE id <= 9", "#1 1 2 3 4|5 6 7 8|9|"},
      {"", "SELECT id, CASE WHEN id = 6 THEN ora_raise(20001) END FROM t",
       "#2 1 2 3 4|5 ORA-20001|7 8 9 10||"},
      // Sorted: the value travels with its row.
      {"", "SELECT id, CASE WHEN id = 3 THEN ora_raise(1555) END x FROM t ORDER BY name DESC",
       "#2 10 9 8 7|6 5 4 ORA-01555|2 1|"},
      {"", "SELECT id, ora_raise(20002) FROM t WHERE id IN (1, 2)", "#2  ORA-20002| ORA-20002||"},
      {"", "SELECT id, CASE WHEN id > 7 THEN ora_raise(20003, '" + marker + "') END FROM t",
       "#2 1 2 3 4|5 6 7 ORA-20003|9 10|"},
      {"", "SELECT id, CASE WHEN id > 7 THEN ora_raise(20003, '" + marker + "') END FROM t",
       "#2 1 2 3 4|5 6 7 8|9 10|"},
      // The hidden column is not described; an alias and an owner qualify.
      {"ORA-01555:T:2;ORA-20005:t:7", "SELECT * FROM scott.t x WHERE x._rowid_ >= 2",
       "#6  ORA-01555|3 4 5 6| ORA-20005|8 9 10|"},
      // Bad entries are ignored; other tables and grouped reads are not watched.
      {"bogus; SIGFOO:T:1; ORA-1:T:x; ORA-123456:T:1;ORA-00028:T:4", "SELECT id FROM t",
       "#1 1 2 3 ORA-00028|5 6 7 8|9 10|"},
      {"ORA-00028:DEPT:1", "SELECT id FROM t WHERE id < 4", "#1 1 2 3|"},
      {"ORA-00028:T:1", "SELECT count(*) FROM t", "#1 10|"},
      {"ORA-00028:T:5:" + marker + "2", "SELECT id FROM t", "#1 1 2 3 4| ORA-00028|6 7 8 9|10|"},
      {"ORA-00028:T:5:" + marker + "2", "SELECT id FROM t", "#1 1 2 3 4|5 6 7 8|9 10|"},
  };
  for (const Case &c : cases) {
    setenv("OCILITE_FAULT", c.env.c_str(), 1);
    EXPECT_EQ(trace(c.sql), c.want) << c.sql << " with " << c.env;
  }
}

TEST_F(Faults, ASignalFaultKillsTheProcessAtItsRow) {
  for (const char *sig : {"SIGKILL", "SIGSEGV", "SIGTERM"}) {
    const int number = sig[3] == 'K' ? SIGKILL : sig[3] == 'S' ? SIGSEGV : SIGTERM;
    setenv("OCILITE_FAULT", (std::string(sig) + ":T:3").c_str(), 1);
    EXPECT_EXIT(trace("SELECT id FROM t"), ::testing::KilledBySignal(number), "") << sig;
  }
}

}  // namespace
