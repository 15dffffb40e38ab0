// Names of the split option, and forming ROWID ranges from the split query's
// pieces, fetched in batches of 100 as the dictionary query delivers them.
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "parallel/tablesplit.h"

namespace {

std::string str(const text *t) { return reinterpret_cast<const char *>(t); }
std::string str(const ub1 *t, size_t n) { return std::string(reinterpret_cast<const char *>(t), n); }

struct NameCase {
  const char *split;
  const char *owner, *table, *partition;  // after both detectors
};

class SplitNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(SplitNames, DetectorsTakeOwnerAndPartitionApart) {
  const NameCase &c = GetParam();
  static CMDOPTIONS opts;
  memset(&opts, 0, sizeof opts);
  strcpy(reinterpret_cast<char *>(opts.tabsplit), c.split);
  autoDetectTablePartition(&opts);
  autoDetectTableOwner(&opts);
  EXPECT_EQ(str(opts.owner), c.owner);
  EXPECT_EQ(str(opts.tabsplit), c.table);
  EXPECT_EQ(str(opts.partition), c.partition);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SplitNames,
    ::testing::Values(NameCase{"SCOTT.EMP:P1", "SCOTT", "EMP", "P1"},
                      NameCase{"EMP", "", "EMP", ""},
                      NameCase{"scott.emp", "scott", "emp", ""},
                      NameCase{"emp:p1", "", "emp", "p1"},
                      NameCase{"SCOTT.", "", "SCOTT.", ""},
                      NameCase{".EMP", "", ".EMP", ""},
                      NameCase{"EMP:", "", "EMP:", ""},
                      NameCase{":P1", "", ":P1", ""},
                      NameCase{"A.B.C", "A", "B.C", ""},
                      NameCase{"S.EMP:P.1", "S", "EMP", "P.1"},
                      NameCase{"", "", "", ""}));

TEST(SplitNames, FoundNamesReplaceEarlierOnes) {
  static CMDOPTIONS opts;
  memset(&opts, 0, sizeof opts);
  strcpy(reinterpret_cast<char *>(opts.tabsplit), "SCOTT.EMP:P1");
  strcpy(reinterpret_cast<char *>(opts.owner), "SOMEONE_WITH_A_LONG_NAME");
  strcpy(reinterpret_cast<char *>(opts.partition), "OLDPARTITION");
  autoDetectTablePartition(&opts);
  autoDetectTableOwner(&opts);
  EXPECT_EQ(str(opts.owner), "SCOTT");
  EXPECT_EQ(str(opts.partition), "P1");
}

TEST(SplitNames, UpperCaseAndPlainNames) {
  text name[32] = "scott_1$#";
  upperCaseName(name);
  EXPECT_EQ(str(name), "SCOTT_1$#");
  for (const char *good : {"EMP", "A1", "X_Y$Z#"})
    EXPECT_TRUE(isPlainName(reinterpret_cast<const text *>(good))) << good;
  for (const char *bad : {"", "E'MP", "EMP X", "\"EMP\"", "EMP;DROP", "A.B"})
    EXPECT_FALSE(isPlainName(reinterpret_cast<const text *>(bad))) << bad;
}

TEST(SplitBudget, DegreeIsRaisedToTwoAndLimitedTo128) {
  EXPECT_EQ(splitBudget(1000, 1), 500u);
  EXPECT_EQ(splitBudget(1000, 0), 500u);
  EXPECT_EQ(splitBudget(1280, 500), 10u);
  EXPECT_EQ(splitBudget(1000, 4), 250u);
  EXPECT_EQ(splitBudget(3, 4), 0u);
}

// One row of the split query.
struct PIECE {
  std::string start, end;
  ub4 blocks;
};

std::string rowid(int n) {
  char buf[32];
  snprintf(buf, sizeof buf, "AAAR3sAAEAAAAC%04d", n);
  return buf;
}

// Pieces with the given block counts, contiguous: each ends where the next starts.
std::vector<PIECE> pieces(const std::vector<ub4> &blocks) {
  std::vector<PIECE> out;
  for (size_t i = 0; i < blocks.size(); ++i)
    out.push_back({rowid(static_cast<int>(i)), rowid(static_cast<int>(i) + 1), blocks[i]});
  return out;
}

// Reads the pieces the way the split query delivers them: fetches of 100
// rows, the last one (OCI_NO_DATA) carrying the running row count.
void formRanges(const std::vector<PIECE> &rows, ub4 budget, TABLESPLIT *split) {
  split->count = 0;
  RANGEFORMER former{};
  ub4 delivered = 0;
  for (;;) {
    const ub4 take = std::min<ub4>(SPLIT_FETCH_ROWS, static_cast<ub4>(rows.size()) - delivered);
    const sword status = take == SPLIT_FETCH_ROWS ? OCI_SUCCESS : OCI_NO_DATA;
    const ub4 batch = splitBatchRows(status, delivered + take);
    ASSERT_EQ(batch, take);
    for (ub4 i = 0; i < batch; ++i) {
      const PIECE &p = rows[delivered + i];
      ub1 s[ROWID_FIELD_SIZE] = {}, e[ROWID_FIELD_SIZE] = {};
      memcpy(s, p.start.data(), p.start.size());
      memcpy(e, p.end.data(), p.end.size());
      addSplitPiece(split, &former, budget, s, e, p.blocks);
    }
    delivered += batch;
    if (batch < SPLIT_FETCH_ROWS) break;
  }
  closeOpenRange(split, &former);
}

// Ranges as (first piece, last piece) index pairs.
using Spans = std::vector<std::pair<int, int>>;

void expectRanges(const TABLESPLIT &split, const Spans &spans) {
  ASSERT_EQ(split.count, static_cast<int>(spans.size()));
  for (int k = 0; k < split.count; ++k) {
    const ROWIDRANGE &r = split.range[k];
    EXPECT_EQ(r.id, k + 1);
    EXPECT_EQ(str(r.minrid, ROWID_FIELD_SIZE), rowid(spans[k].first) + std::string(2, '\0')) << k;
    EXPECT_EQ(str(r.maxrid, ROWID_FIELD_SIZE), rowid(spans[k].second + 1) + std::string(2, '\0')) << k;
  }
}

struct SplitCase {
  const char *name;
  std::vector<ub4> blocks;
  ub4 budget;
  Spans spans;
};

Spans evenSpans(int n, int width) {
  Spans s;
  for (int i = 0; i < n; i += width) s.push_back({i, i + width - 1});
  return s;
}

std::vector<SplitCase> splitCases() {
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

class RangeForming : public ::testing::TestWithParam<SplitCase> {};

TEST_P(RangeForming, RangesFollowTheBudget) {
  const SplitCase &c = GetParam();
  static TABLESPLIT split;
  memset(&split, 0x5a, sizeof split);
  formRanges(pieces(c.blocks), c.budget, &split);
  expectRanges(split, c.spans);
}

INSTANTIATE_TEST_SUITE_P(Examples, RangeForming, ::testing::ValuesIn(splitCases()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(RangeForming, LongFetchedRowidIsCutTo18Characters) {
  static TABLESPLIT split;
  memset(&split, 0, sizeof split);
  RANGEFORMER former{};
  const ub1 start[ROWID_FIELD_SIZE] = "AAAR3sAAEAAAACXAAAx";
  const ub1 end[ROWID_FIELD_SIZE] = "AAAR3sAAEAAAACYAAA";
  addSplitPiece(&split, &former, 0, start, end, 1);
  ASSERT_EQ(split.count, 1);
  EXPECT_EQ(str(split.range[0].minrid, ROWID_FIELD_SIZE), std::string("AAAR3sAAEAAAACXAAA") + std::string(2, '\0'));
}

TEST(RangeForming, BudgetWithDegreeGivesAtMostDegreeRanges) {
  for (ub4 degree : {2u, 3u, 4u, 7u, 16u, 128u}) {
    std::vector<ub4> blocks;
    ub4 total = 0;
    for (int i = 0; i < 500; ++i) {
      blocks.push_back(1 + (i * 7) % 13);
      total += blocks.back();
    }
    static TABLESPLIT split;
    formRanges(pieces(blocks), splitBudget(total, degree), &split);
    EXPECT_LE(split.count, static_cast<int>(degree)) << degree;
    // Contiguous and complete: each range starts where the previous ended.
    EXPECT_EQ(str(split.range[0].minrid), rowid(0));
    for (int k = 1; k < split.count; ++k)
      EXPECT_EQ(str(split.range[k].minrid), str(split.range[k - 1].maxrid)) << degree << " " << k;
    EXPECT_EQ(str(split.range[split.count - 1].maxrid), rowid(500));
  }
}

TEST(SplitBatchRows, StatusAndRunningCount) {
  EXPECT_EQ(splitBatchRows(OCI_SUCCESS, 300), 100u);
  EXPECT_EQ(splitBatchRows(OCI_NO_DATA, 237), 37u);
  EXPECT_EQ(splitBatchRows(OCI_NO_DATA, 200), 0u);
  EXPECT_EQ(splitBatchRows(OCI_NO_DATA, 0), 0u);
  EXPECT_EQ(splitBatchRows(OCI_ERROR, 50), 0u);
}

}  // namespace
