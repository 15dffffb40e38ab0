// The describe's type table, custom widths and fetch-array sizing.
#include <string.h>

#include <gtest/gtest.h>

#include "unload/column.h"
#include "unload/columntype.h"

namespace {

constexpr ub4 L = 32768;  // the default long size

struct TypeCase {
  const char *what;
  DESCRIBED d;
  FETCHMODE m;
  FETCHPLAN want;  // dbtype, dsize, dsize2, raw, quote, rowshare
};

FETCHMODE plain() { return FETCHMODE{0, false, false, false, L}; }
FETCHMODE with(sb4 width, bool safe, bool internal, bool lobfile, ub4 longsize = L) {
  return FETCHMODE{width, safe, internal, lobfile, longsize};
}

const TypeCase kTypes[] = {
    {"NUMBER(10)", {2, 22, 10, 0}, plain(), {SQLT_CHR, 12, 12, 0, 0, 12}},
    {"NUMBER(10,2)", {2, 22, 10, 2}, plain(), {SQLT_CHR, 13, 13, 0, 0, 13}},
    {"NUMBER(3,-2)", {2, 22, 3, -2}, plain(), {SQLT_CHR, 6, 6, 0, 0, 6}},
    {"NUMBER", {2, 22, 0, -127}, plain(), {SQLT_CHR, 46, 46, 0, 0, 46}},
    {"NUMBER(10) safe", {2, 22, 10, 0}, with(0, true, false, false), {SQLT_CHR, 22, 22, 0, 0, 22}},
    {"NUMBER(10,2) safe", {2, 22, 10, 2}, with(0, true, false, false), {SQLT_CHR, 23, 23, 0, 0, 23}},
    {"NUMBER safe", {2, 22, 0, -127}, with(0, true, false, false), {SQLT_CHR, 56, 56, 0, 0, 56}},
    {"NUMBER width", {2, 22, 10, 0}, with(5, false, false, false), {SQLT_CHR, 5, 5, 0, 0, 5}},
    {"NUMBER client", {2, 22, 10, 2}, with(0, false, true, false), {SQLT_NUM, 21, 13, 0, 0, 21}},
    {"NUMBER client safe", {2, 22, 10, 2}, with(0, true, true, false), {SQLT_NUM, 21, 23, 0, 0, 21}},
    {"NUMBER client width", {2, 22, 10, 2}, with(8, false, true, false), {SQLT_NUM, 21, 8, 0, 0, 21}},
    {"VARNUM", {6, 22, 5, 0}, plain(), {SQLT_CHR, 7, 7, 0, 0, 7}},
    {"FLOAT code 4", {4, 8, 0, 0}, plain(), {SQLT_CHR, 46, 46, 0, 0, 46}},
    {"BINARY_FLOAT", {100, 4, 0, 0}, plain(), {SQLT_CHR, 46, 46, 0, 0, 46}},
    {"BINARY_DOUBLE safe", {101, 8, 0, 0}, with(0, true, false, false), {SQLT_CHR, 56, 56, 0, 0, 56}},
    {"LONG", {8, 0, 0, 0}, plain(), {SQLT_LVC, L, L, 1, 1, L}},
    {"LONG width", {8, 0, 0, 0}, with(100, true, false, false), {SQLT_LVC, 100, 100, 1, 1, 100}},
    {"ROWID", {104, 10, 0, 0}, plain(), {SQLT_CHR, 18, 18, 0, 1, 18}},
    {"ROWID safe", {11, 10, 0, 0}, with(0, true, false, false), {SQLT_CHR, 28, 28, 0, 1, 28}},
    {"DATE", {12, 7, 0, 0}, plain(), {SQLT_CHR, 19, 19, 0, 1, 19}},
    {"DATE safe", {12, 7, 0, 0}, with(0, true, false, false), {SQLT_CHR, 29, 29, 0, 1, 29}},
    {"DATE client", {12, 7, 0, 0}, with(0, true, true, false), {SQLT_DAT, 7, 19, 0, 1, 7}},
    {"RAW(16)", {23, 16, 0, 0}, plain(), {SQLT_BIN, 16, 16, 1, 1, 16}},
    {"RAW(16) safe", {23, 16, 0, 0}, with(0, true, false, false), {SQLT_BIN, 26, 26, 1, 1, 26}},
    {"LONG RAW", {24, 0, 0, 0}, plain(), {SQLT_LVB, L, L, 1, 1, L}},
    {"CLOB", {112, 4000, 0, 0}, plain(), {SQLT_LVC, L, L, 1, 1, 256}},
    {"CLOB long=1000", {112, 4000, 0, 0}, with(0, false, false, false, 1000),
     {SQLT_LVC, 1000, 1000, 1, 1, 256}},
    {"BLOB", {113, 4000, 0, 0}, plain(), {SQLT_LVB, L, L, 1, 1, 256}},
    {"BFILE", {114, 530, 0, 0}, plain(), {SQLT_LVC, L, L, 1, 1, L}},
    {"CLOB lobfile", {112, 4000, 0, 0}, with(0, false, false, true), {SQLT_CLOB, 8, 256, 0, 1, 256}},
    {"BLOB lobfile", {113, 4000, 0, 0}, with(0, true, false, true), {SQLT_BLOB, 8, 256, 0, 1, 256}},
    {"BFILE lobfile", {114, 530, 0, 0}, with(0, false, false, true), {SQLT_BFILEE, 8, 256, 0, 1, 8}},
    {"TIMESTAMP", {187, 11, 6, 0}, plain(), {SQLT_CHR, 26, 26, 0, 1, 26}},
    {"TIMESTAMP 180", {180, 11, 6, 0}, with(0, true, false, false), {SQLT_CHR, 36, 36, 0, 1, 36}},
    {"TIMESTAMP TZ", {188, 13, 6, 0}, plain(), {SQLT_CHR, 33, 33, 0, 1, 33}},
    {"TIMESTAMP LTZ", {232, 11, 6, 0}, plain(), {SQLT_CHR, 33, 33, 0, 1, 33}},
    {"TIMESTAMP TZ 181", {181, 13, 6, 0}, plain(), {SQLT_CHR, 33, 33, 0, 1, 33}},
    {"INTERVAL YM", {189, 5, 2, 0}, plain(), {SQLT_CHR, 20, 20, 0, 1, 20}},
    {"INTERVAL YM safe", {182, 5, 2, 0}, with(0, true, false, false), {SQLT_CHR, 20, 20, 0, 1, 20}},
    {"INTERVAL DS", {190, 11, 2, 6}, plain(), {SQLT_CHR, 30, 30, 0, 1, 30}},
    {"INTERVAL DS width", {183, 11, 2, 6}, with(12, false, false, false), {SQLT_CHR, 12, 12, 0, 1, 12}},
    {"VARCHAR2(10)", {1, 10, 0, 0}, plain(), {SQLT_CHR, 10, 10, 1, 1, 10}},
    {"VARCHAR2(10) safe", {1, 10, 0, 0}, with(0, true, false, false), {SQLT_CHR, 20, 20, 1, 1, 20}},
    {"VARCHAR2(3000) safe", {1, 3000, 0, 0}, with(0, true, false, false),
     {SQLT_CHR, 4000, 4000, 1, 1, 4000}},
    {"VARCHAR2(10) width", {1, 10, 0, 0}, with(50, false, false, false), {SQLT_CHR, 50, 50, 1, 1, 50}},
    {"VARCHAR2 size 0", {1, 0, 0, 0}, plain(), {SQLT_CHR, 4000, 4000, 1, 1, 4000}},
    {"VARCHAR2(4000) long=1000", {1, 4000, 0, 0}, with(0, false, false, false, 1000),
     {SQLT_CHR, 1000, 1000, 1, 1, 1000}},
    {"CHAR(5)", {96, 5, 0, 0}, plain(), {SQLT_CHR, 5, 5, 1, 1, 5}},
    {"NUMBER wide width capped by long", {2, 22, 10, 0}, with(50000, false, false, false),
     {SQLT_CHR, L, L, 0, 0, L}},
    {"RAW(0) falls back to long", {23, 0, 0, 0}, plain(), {SQLT_BIN, L, L, 1, 1, L}},
};

TEST(ColumnType, TypeTable) {
  for (const TypeCase &c : kTypes) {
    SCOPED_TRACE(c.what);
    FETCHPLAN p = planColumnFetch(c.d, c.m);
    EXPECT_EQ(p.dbtype, c.want.dbtype);
    EXPECT_EQ(p.dsize, c.want.dsize);
    EXPECT_EQ(p.dsize2, c.want.dsize2);
    EXPECT_EQ(p.raw, c.want.raw);
    EXPECT_EQ(p.quote, c.want.quote);
    EXPECT_EQ(p.rowshare, c.want.rowshare);
  }
}

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
