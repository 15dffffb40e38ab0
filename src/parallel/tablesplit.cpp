// Splitting one table into ROWID ranges: the split option's names, the
// dictionary queries on the parent's session, and the forming of ranges.
#include "parallel/tablesplit.h"

#include <assert.h>
#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "crypto/password.h"
#include "oracle/ocicalls.h"

namespace {

// Size of a name field of SPLITSPEC (owner, partition, tabsplit).
constexpr size_t NAME_FIELD_SIZE = sizeof(SPLITSPEC{}.tabsplit);
// A formatted dictionary query: a 512-byte template and three names of at
// most 131 bytes each always fit.
constexpr size_t DICT_SQL_SIZE = 1024;
// Bytes of the user name define: 29 characters and the terminator.
constexpr sb4 USERNAME_DEFINE_SIZE = 30;

// The stored templates, by number: block count without / with partition,
// split query without / with partition.
constexpr int BLOCKS_TEMPLATE = 1;
constexpr int SPLIT_TEMPLATE = 3;

// Splits tabsplit at the first sep found at position 1 or later, unless sep
// is the last character. keepBefore: the piece before sep stays in tabsplit
// and the piece after it goes to target; else the other way round.
void splitNameAt(SPLITSPEC *settings, char sep, bool keepBefore, text *target) {
  settings->tabsplit[NAME_FIELD_SIZE - 1] = 0;
  char *value = reinterpret_cast<char *>(settings->tabsplit);
  if (value[0] == 0 || value[0] == sep) return;
  char *at = strchr(value + 1, sep);
  if (at == nullptr || at[1] == 0) return;
  text rest[NAME_FIELD_SIZE] = {};
  memset(target, 0, NAME_FIELD_SIZE);
  *at = 0;
  if (keepBefore) {
    memcpy(target, at + 1, strlen(at + 1));
    memcpy(rest, value, strlen(value));
  } else {
    memcpy(target, value, strlen(value));
    memcpy(rest, at + 1, strlen(at + 1));
  }
  memcpy(settings->tabsplit, rest, NAME_FIELD_SIZE);
}

// Copies the first ROWID_TEXT_LEN characters of a fetched ROWID into a field,
// zero-filled behind them.
void copyRowid(ub1 *field, const ub1 *rowid) {
  memset(field, 0, ROWID_FIELD_SIZE);
  memcpy(field, rowid, strnlen(reinterpret_cast<const char *>(rowid), ROWID_TEXT_LEN));
}

// Formats template base (partition-less) or base + 1 (with partition) with
// the names into sql.
void formatDictionaryQuery(int base, const text *owner, const text *tablename,
                           const text *partname, char (&sql)[DICT_SQL_SIZE]) {
  const bool withPartition = partname != nullptr && partname[0] != 0;
  const char *fmt = queryTemplate(withPartition ? base + 1 : base);
  memset(sql, 0, sizeof sql);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  if (withPartition)
    snprintf(sql, sizeof sql, fmt, owner, tablename, partname);
  else
    snprintf(sql, sizeof sql, fmt, owner, tablename);
#pragma GCC diagnostic pop
}

// A statement and its defines, freed on every path out of a dictionary query.
struct QUERYGUARD {
  DATABASE *db;
  OCIStmt *stmt = nullptr;
  OCIDefine *def[3] = {};
  ~QUERYGUARD() {
    for (OCIDefine *d : def)
      if (d != nullptr) freeDefine8(d);
    releaseStmt8(db, stmt);
  }
};

}  // namespace

void autoDetectTablePartition(SPLITSPEC *settings) {
  splitNameAt(settings, ':', true, settings->partition);
}

void autoDetectTableOwner(SPLITSPEC *settings) {
  splitNameAt(settings, '.', false, settings->owner);
}

void upperCaseName(text *name) {
  for (; *name != 0; ++name) *name = static_cast<text>(toupper(*name));
}

bool isPlainName(const text *name) {
  if (name[0] == 0) return false;
  for (; *name != 0; ++name)
    if (!isalnum(*name) && *name != '_' && *name != '$' && *name != '#') return false;
  return true;
}

void addSplitPiece(TABLESPLIT *split, RANGEFORMER *former, ub4 budget,
                   const ub1 *start, const ub1 *end, ub4 blocks) {
  assert(split->count < MAX_RANGES);
  if (!former->open) {
    former->open = true;
    copyRowid(former->first, start);
    former->blocks = 0;
  }
  copyRowid(former->last, end);
  former->blocks += blocks;
  if (former->blocks > budget && split->count < MAX_RANGES - 1) closeOpenRange(split, former);
}

void closeOpenRange(TABLESPLIT *split, RANGEFORMER *former) {
  if (!former->open) return;
  assert(split->count < MAX_RANGES);
  ROWIDRANGE &r = split->range[split->count];
  r.id = split->count + 1;
  memcpy(r.minrid, former->first, ROWID_FIELD_SIZE);
  memcpy(r.maxrid, former->last, ROWID_FIELD_SIZE);
  ++split->count;
  former->open = false;
}

ub4 splitBatchRows(sword status, ub4 rowcount) {
  if (status == OCI_SUCCESS) return SPLIT_FETCH_ROWS;
  if (status == OCI_NO_DATA) return rowcount % SPLIT_FETCH_ROWS;
  return 0;
}

ub4 splitBudget(ub4 blocks, ub4 degree) {
  ub4 effective = degree > static_cast<ub4>(MAX_RANGES) ? MAX_RANGES : degree;
  if (effective < 2) effective = 2;
  return blocks / effective;
}

sword queryUserName(DATABASE *db, text *username) {
  QUERYGUARD q{db};
  sword rc = prepareStmt8(db, &q.stmt, reinterpret_cast<const text *>("SELECT USER FROM DUAL"));
  if (rc != 0) return rc;
  if ((rc = executeQuery8(db, q.stmt)) != 0) return rc;
  rc = defineByPos8(db, q.stmt, &q.def[0], 1, username, USERNAME_DEFINE_SIZE, SQLT_STR,
                    nullptr, nullptr, nullptr);
  if (rc != 0) return rc;
  return fetchRows8(db, q.stmt, 1);
}

sword readBlockCount(DATABASE *db, const text *sql, ub4 *blocks) {
  *blocks = 0;
  QUERYGUARD q{db};
  sword rc = prepareStmt8(db, &q.stmt, sql);
  if (rc != 0) return rc;
  if ((rc = executeQuery8(db, q.stmt)) != 0) return rc;
  // SUM over no segment rows is NULL: the indicator tells it from 0 blocks.
  sb2 ind = 0;
  rc = defineByPos8(db, q.stmt, &q.def[0], 1, blocks, sizeof *blocks, SQLT_UIN, &ind,
                    nullptr, nullptr);
  if (rc != 0) return rc;
  rc = fetchRows8(db, q.stmt, 1);
  if (rc == 0 && ind == -1) rc = OCI_NO_DATA;
  if (rc != 0) *blocks = 0;
  return rc;
}

sword readSplitPieces(DATABASE *db, const text *sql, ub4 budget, TABLESPLIT *split) {
  split->count = 0;
  QUERYGUARD q{db};
  sword rc = prepareStmt8(db, &q.stmt, sql);
  if (rc == -1) oraError8(db);
  if (rc != 0) return rc;
  if ((rc = executeQuery8(db, q.stmt)) != 0) return rc;

  ub1 startrid[SPLIT_FETCH_ROWS][ROWID_FIELD_SIZE];
  ub1 endrid[SPLIT_FETCH_ROWS][ROWID_FIELD_SIZE];
  ub2 startlen[SPLIT_FETCH_ROWS], endlen[SPLIT_FETCH_ROWS];
  ub4 pieceblocks[SPLIT_FETCH_ROWS];
  rc = defineByPos8(db, q.stmt, &q.def[0], 1, startrid, ROWID_FIELD_SIZE, SQLT_STR, nullptr,
                    startlen, nullptr);
  rc += defineByPos8(db, q.stmt, &q.def[1], 2, endrid, ROWID_FIELD_SIZE, SQLT_STR, nullptr,
                     endlen, nullptr);
  rc += defineByPos8(db, q.stmt, &q.def[2], 3, pieceblocks, sizeof(ub4), SQLT_UIN, nullptr,
                     nullptr, nullptr);
  if (rc != 0) {
    oraError8(db);
    return rc;
  }

  RANGEFORMER former{};
  sword result = 0;
  for (;;) {
    const sword frc = fetchRows8(db, q.stmt, SPLIT_FETCH_ROWS);
    ub4 rowcount = 0;
    if (frc == OCI_NO_DATA) getRowCount8(db, q.stmt, &rowcount);
    if (frc != OCI_SUCCESS && frc != OCI_NO_DATA) result = frc;
    const ub4 rows = splitBatchRows(frc, rowcount);
    for (ub4 i = 0; i < rows; ++i)
      addSplitPiece(split, &former, budget, startrid[i], endrid[i], pieceblocks[i]);
    if (rows < SPLIT_FETCH_ROWS) break;
  }
  closeOpenRange(split, &former);
  return result;
}

sword queryTableBlocks(DATABASE *db, const text *owner, const text *tablename,
                       const text *partname, ub4 *blocks) {
  char sql[DICT_SQL_SIZE];
  formatDictionaryQuery(BLOCKS_TEMPLATE, owner, tablename, partname, sql);
  const sword rc = readBlockCount(db, reinterpret_cast<const text *>(sql), blocks);
  memset(sql, 0, sizeof sql);
  return rc;
}

sword splitTableBlocks(DATABASE *db, const text *owner, const text *tablename,
                       const text *partname, ub4 blocks, TABLESPLIT *split) {
  char sql[DICT_SQL_SIZE];
  formatDictionaryQuery(SPLIT_TEMPLATE, owner, tablename, partname, sql);
  const sword rc = readSplitPieces(db, reinterpret_cast<const text *>(sql), blocks, split);
  memset(sql, 0, sizeof sql);
  return rc;
}

sword getParallelRowidRange(DATABASE *db, const text *owner, const text *tablename,
                            const text *partname, ub4 degree, TABLESPLIT *split) {
  split->count = 0;
  ub4 blocks = 0;
  const sword rc = queryTableBlocks(db, owner, tablename, partname, &blocks);
  if (rc != 0) return rc;
  return splitTableBlocks(db, owner, tablename, partname, splitBudget(blocks, degree), split);
}
