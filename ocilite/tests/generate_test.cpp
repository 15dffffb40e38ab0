// The admin tool's table generator, read back through the C interface.
#include <gtest/gtest.h>

#include <string>

#include "ocitest.h"

using ocitest::DemoDir;
using ocitest::Session;
using ocitest::queryText;
using ocitest::queryValue;
using ocitest::tool;

namespace {

TEST(Generate, DeterministicRowsOfOracleTypesWithRowidEqualToId) {
  DemoDir demo;
  ASSERT_EQ(tool(demo.db() + " --generate gen 1000"), 0);
  Session s;
  ASSERT_EQ(s.logon("scott", "tiger", demo.db()), OCI_SUCCESS) << s.error();
  ASSERT_EQ(s.exec("ALTER SESSION SET NLS_DATE_FORMAT='YYYY-MM-DD HH24:MI:SS' "
                   "NLS_TIMESTAMP_FORMAT='YYYY-MM-DD HH24:MI:SSXFF'"),
            OCI_SUCCESS);
  const auto rows = queryText(s, "SELECT * FROM gen WHERE ID IN (1, 10, 13, 17) ORDER BY ID");
  const std::vector<std::vector<std::string>> expected = {
      {"1", "-249920.81", "Name 0000001", "note \"1\", it's, lpha", "2001-01-01 01:01:01",
       "2001-01-01 01:01:32.007919"},
      {"10", "-249208.1", "Name 0000010", "<NULL>", "2001-01-01 10:10:10", "2001-01-01 10:15:20.079190"},
      {"13", "-248970.53", "Name 0000013", "note \"13\", it's, beta,", "2001-01-01 13:13:13", "<NULL>"},
      {"17", "<NULL>", "Name 0000017", "note \"17\", it's, ha,beta,g", "2001-01-01 17:17:17",
       "2001-01-01 17:26:04.134623"},
  };
  EXPECT_EQ(rows, expected);
  EXPECT_EQ(queryValue(s, "SELECT COUNT(*) || ',' || COUNT(AMOUNT) || ',' || COUNT(NOTE) || ',' || COUNT(UPDATED) "
                          "|| ',' || MIN(ID) || ',' || MAX(ID) FROM gen WHERE _rowid_ = ID"),
            "1000,942,900,924,1,1000");
  EXPECT_EQ(queryValue(s, "SELECT MAX(LENGTH(NOTE)) <= 100 AND MAX(LENGTH(NAME)) <= 30 FROM gen"), "1");
  EXPECT_EQ(ocitest::describe(s, "SELECT * FROM gen"),
            (std::vector<ocitest::Described>{{"ID", SQLT_NUM, 22, 10, 0, 1},
                                             {"AMOUNT", SQLT_NUM, 22, 12, 2, 1},
                                             {"NAME", SQLT_CHR, 30, 0, 0, 1},
                                             {"NOTE", SQLT_CHR, 100, 0, 0, 1},
                                             {"CREATED", SQLT_DAT, 7, 0, 0, 1},
                                             {"UPDATED", SQLT_TIMESTAMP, 11, 0, 6, 1}}));
}

TEST(Generate, ReplacesTheTableAndRefusesBadArguments) {
  DemoDir demo;
  ASSERT_EQ(tool(demo.db() + " --generate gen 50"), 0);
  ASSERT_EQ(tool(demo.db() + " --generate GEN 0"), 0);
  Session s;
  ASSERT_EQ(s.logon("scott", "tiger", demo.db()), OCI_SUCCESS) << s.error();
  EXPECT_EQ(queryValue(s, "SELECT COUNT(*) FROM gen"), "0");
  for (const char *bad : {"gen -1", "gen 12x", "gen", "1gen 5", "\"a b\" 5", "gen 99999999999"})
    EXPECT_EQ(tool(demo.db() + " --generate " + bad), 2) << bad;
}

}  // namespace
