// The dictionary side of the split on the stand-in: the logged-on user's name,
// block counts, and ranges formed from split-query rows as fetches deliver them.
#include <stdio.h>
#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "parallel/tablesplit.h"
#include "support/process.h"

namespace {

const text *T(const char *s) { return reinterpret_cast<const text *>(s); }

class Dictionary : public testsupport::DemoDbTest {
 protected:
  DATABASE session;  // logged on to the demo database

  void SetUp() override {
    DemoDbTest::SetUp();
    initDB(&session);
    session.sink.msgfunc = nullptr;  // messages are checked through errcode
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

// One row of the split query.
struct PIECE {
  std::string start, end;
  ub4 blocks;
};

inline std::string rowid(int n) {
  char buf[32];
  snprintf(buf, sizeof buf, "AAAR3sAAEAAAAC%04d", n);
  return buf;
}

// Pieces with the given block counts, contiguous: each ends where the next starts.
inline std::vector<PIECE> pieces(const std::vector<ub4> &blocks) {
  std::vector<PIECE> out;
  for (size_t i = 0; i < blocks.size(); ++i)
    out.push_back({rowid(static_cast<int>(i)), rowid(static_cast<int>(i) + 1), blocks[i]});
  return out;
}

// A ROWID field whole, zero bytes included.
inline std::string field(const ub1 *rid) {
  return std::string(reinterpret_cast<const char *>(rid), ROWID_FIELD_SIZE);
}

// Ranges as (first piece, last piece) index pairs.
using Spans = std::vector<std::pair<int, int>>;

inline void expectRanges(const TABLESPLIT &split, const Spans &spans) {
  ASSERT_EQ(split.count, static_cast<int>(spans.size()));
  for (int k = 0; k < split.count; ++k) {
    const ROWIDRANGE &r = split.range[k];
    EXPECT_EQ(r.id, k + 1);
    EXPECT_EQ(field(r.minrid), rowid(spans[k].first) + std::string(2, '\0')) << k;
    EXPECT_EQ(field(r.maxrid), rowid(spans[k].second + 1) + std::string(2, '\0')) << k;
  }
}

struct SplitCase {
  const char *name;
  std::vector<ub4> blocks;
  ub4 budget;
  Spans spans;
};

inline Spans evenSpans(int n, int width) {
  Spans s;
  for (int i = 0; i < n; i += width) s.push_back({i, i + width - 1});
  return s;
}

inline std::vector<SplitCase> splitCases() {
  std::vector<SplitCase> cases = {
      {"Budget15", {10, 10, 10, 10}, 15, {{0, 1}, {2, 3}}},
      {"Budget20", {5, 5, 5}, 20, {{0, 2}}},
      {"SingleLargePiece", {50}, 10, {{0, 0}}},
      {"LargePieceBetweenSmall", {2, 40, 2}, 10, {{0, 1}, {2, 2}}},
      {"Budget0", {1, 0, 2, 0, 0, 3}, 0, {{0, 0}, {1, 2}, {3, 5}}},
      {"ExactlyAtBudgetStaysOpen", {10, 10}, 10, {{0, 1}}},
      {"NoRows", {}, 5, {}},
  };
  // 100 and 200 pieces: the last fetch is empty and counts nothing twice.
  cases.push_back({"Exactly100", std::vector<ub4>(100, 1), 9, evenSpans(100, 10)});
  cases.push_back({"Exactly200", std::vector<ub4>(200, 1), 19, evenSpans(200, 20)});
  cases.push_back({"Pieces101", std::vector<ub4>(101, 1), 100, {{0, 100}}});
  // More pieces than ranges: the 128th range takes all the rest.
  Spans capped = evenSpans(127, 1);
  capped.push_back({127, 299});
  cases.push_back({"MoreThan128", std::vector<ub4>(300, 1), 0, capped});
  Spans full = evenSpans(128, 1);
  cases.push_back({"Exactly128", std::vector<ub4>(128, 1), 0, full});
  return cases;
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
