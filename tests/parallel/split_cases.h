// Pieces of a split query, and the splitting examples: pieces with their
// budget and the ranges they must form.
#ifndef QUILLET2_TESTS_PARALLEL_SPLIT_CASES_H
#define QUILLET2_TESTS_PARALLEL_SPLIT_CASES_H

#include <stdio.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "parallel/tablesplit.h"

namespace splitcases {

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

}  // namespace splitcases

#endif  // QUILLET2_TESTS_PARALLEL_SPLIT_CASES_H
