// The dictionary side of the split on the stand-in: the logged-on user's name,
// block counts, and ranges formed from split-query rows as fetches deliver them.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "parallel/split_cases.h"
#include "parallel/tablesplit.h"
#include "support/process.h"

namespace {

using namespace splitcases;

const text *T(const char *s) { return reinterpret_cast<const text *>(s); }

class Dictionary : public testsupport::DemoDbTest {
 protected:
  DATABASE session;  // logged on to the demo database

  void SetUp() override {
    DemoDbTest::SetUp();
    initDB(&session);
    session.fp_log = nullptr;  // messages are checked through errcode
    const std::string connect = "scott/tiger@" + db;
    ASSERT_EQ(LogonDB(&session, T(connect.c_str())), 0);
  }
  void TearDown() override {
    disconnectDB(&session);
    DemoDbTest::TearDown();
  }
};

TEST_F(Dictionary, UserNameOfTheSession) {
  text name[30];
  memset(name, 'x', sizeof name);
  ASSERT_EQ(queryUserName(&session, name), 0);
  EXPECT_STRCASEEQ(reinterpret_cast<char *>(name), "SCOTT");
}

TEST_F(Dictionary, BlockCountNullOrMissingIsNoData) {
  script("CREATE TABLE SEGS (NAME VARCHAR2(30), BLOCKS NUMBER);\n"
         "INSERT INTO SEGS VALUES ('EMP', 8);\nINSERT INTO SEGS VALUES ('EMP', 5);\n");
  struct Case {
    const char *sql;
    sword status;
    ub4 blocks;
  } cases[] = {
      {"SELECT SUM(BLOCKS) FROM SEGS WHERE NAME='EMP'", 0, 13},
      {"SELECT SUM(BLOCKS) FROM SEGS WHERE NAME='NOSUCH'", OCI_NO_DATA, 0},
      {"SELECT BLOCKS FROM SEGS WHERE 1=0", OCI_NO_DATA, 0},
      {"SELECT SUM(BLOCKS) FROM NOSUCH", 942, 0},
  };
  for (const Case &c : cases) {
    ub4 blocks = 77;
    EXPECT_EQ(readBlockCount(&session, T(c.sql), &blocks), c.status) << c.sql;
    EXPECT_EQ(blocks, c.blocks) << c.sql;
  }
}

// The splitting examples, with the split query's rows served by the stand-in
// in fetches of 100.
class SplitQuery : public Dictionary, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(SplitQuery, RangesFromFetchedPieces) {
  const SplitCase &c = GetParam();
  std::string sql = "CREATE TABLE PIECES (SEQ NUMBER, S VARCHAR2(18), E VARCHAR2(18), BLOCKS NUMBER);\n";
  const std::vector<PIECE> rows = pieces(c.blocks);
  for (size_t i = 0; i < rows.size(); ++i)
    sql += "INSERT INTO PIECES VALUES (" + std::to_string(i) + ", '" + rows[i].start + "', '" +
           rows[i].end + "', " + std::to_string(rows[i].blocks) + ");\n";
  script(sql);
  static TABLESPLIT split;
  memset(&split, 0x5a, sizeof split);
  ASSERT_EQ(readSplitPieces(&session, T("SELECT S, E, BLOCKS FROM PIECES ORDER BY SEQ"), c.budget, &split), 0);
  expectRanges(split, c.spans);
}

INSTANTIATE_TEST_SUITE_P(Examples, SplitQuery, ::testing::ValuesIn(splitCases()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(Dictionary, FailingSplitQueryReportsAndFormsNothing) {
  static TABLESPLIT split;
  memset(&split, 0, sizeof split);
  EXPECT_EQ(readSplitPieces(&session, T("SELECT S, E, BLOCKS FROM NOSUCH"), 10, &split), 942);
  EXPECT_EQ(split.count, 0);
  EXPECT_EQ(session.errcode, 942);
}

}  // namespace
