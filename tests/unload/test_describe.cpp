// The describe's custom widths and fetch-array sizing.
#include <string.h>

#include <gtest/gtest.h>

#include "unload/column.h"
#include "unload/columntype.h"

namespace {

TEST(ColumnType, CustomWidths) {
  struct Case {
    const char *list;
    sb4 want[4];
  } cases[] = {
      {"", {0, 0, 0, 0}},
      {"10:0:20", {10, 0, 20, 0}},
      {"10::20", {10, 20, 0, 0}},
      {":5", {5, 0, 0, 0}},
      {"-3:abc:2000000:7", {0, 0, MAX_CUSTOM_WIDTH, 7}},
      {"1:2:3:4:5:6", {1, 2, 3, 4}},  // entries past max are ignored
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.list);
    text buf[64] = {0};
    strcpy(reinterpret_cast<char *>(buf), c.list);
    sb4 widths[4];
    memset(widths, 0x55, sizeof widths);
    parseCustomWidths(buf, widths, 4);
    for (int k = 0; k < 4; k++) EXPECT_EQ(widths[k], c.want[k]) << "entry " << k;
  }
}

TEST(ColumnType, FetchArraySize) {
  struct Case {
    ub4 requested, rowsize, want;
  } cases[] = {
      {1000, 20000, 524}, {1000, 1000000, 10}, {1000, 5000000, 5}, {1000, 100, 1000},
      {5000, 10, 2000},   {1, 10, 5},          {1000, 1, 1000},
  };
  for (const Case &c : cases)
    EXPECT_EQ(fetchArraySize(c.requested, c.rowsize), c.want) << c.rowsize;
}

}  // namespace
