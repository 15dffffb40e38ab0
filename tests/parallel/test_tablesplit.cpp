// Names of the split option, and forming ROWID ranges from the split query's
// pieces.
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "parallel/tablesplit.h"

namespace {

std::string str(const text *t) { return reinterpret_cast<const char *>(t); }

struct NameCase {
  const char *split;
  const char *owner, *table, *partition;  // after both detectors
};

class SplitNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(SplitNames, DetectorsTakeOwnerAndPartitionApart) {
  const NameCase &c = GetParam();
  SPLITSPEC opts;
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
  SPLITSPEC opts;
  strcpy(reinterpret_cast<char *>(opts.tabsplit), "SCOTT.EMP:P1");
  strcpy(reinterpret_cast<char *>(opts.owner), "SOMEONE_WITH_A_LONG_NAME");
  strcpy(reinterpret_cast<char *>(opts.partition), "OLDPARTITION");
  autoDetectTablePartition(&opts);
  autoDetectTableOwner(&opts);
  EXPECT_EQ(str(opts.owner), "SCOTT");
  EXPECT_EQ(str(opts.partition), "P1");
}

// Only such names are pasted into the dictionary queries.
TEST(SplitNames, PlainNames) {
  for (const char *good : {"EMP", "A1", "X_Y$Z#"}) EXPECT_TRUE(isPlainName(reinterpret_cast<const text *>(good))) << good;
  for (const char *bad : {"", "E'MP", "EMP X", "\"EMP\"", "EMP;DROP", "A.B"})
    EXPECT_FALSE(isPlainName(reinterpret_cast<const text *>(bad))) << bad;
}

TEST(SplitBudget, DegreeIsRaisedToTwoAndLimitedTo128) {
  EXPECT_EQ(splitBudget(1000, 1), 500u);
  EXPECT_EQ(splitBudget(1280, 500), 10u);
}

// The splitting examples run through the split query's fetches in the
// dictionary tests; that a split of a real table at every degree forms at
// most degree ranges, in order and without gaps, the parallel unloads check.
TEST(RangeForming, LongFetchedRowidIsCutTo18Characters) {
  static TABLESPLIT split;
  memset(&split, 0, sizeof split);
  RANGEFORMER former{};
  const ub1 start[ROWID_FIELD_SIZE] = "AAAR3sAAEAAAACXAAAx";
  const ub1 end[ROWID_FIELD_SIZE] = "AAAR3sAAEAAAACYAAA";
  addSplitPiece(&split, &former, 0, start, end, 1);
  ASSERT_EQ(split.count, 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(split.range[0].minrid), ROWID_FIELD_SIZE),
            std::string("AAAR3sAAEAAAACXAAA") + std::string(2, '\0'));
}

}  // namespace
