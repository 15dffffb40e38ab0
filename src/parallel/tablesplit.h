// Splitting one table into ROWID ranges from the data dictionary.
#ifndef QUILLET2_PARALLEL_TABLESPLIT_H
#define QUILLET2_PARALLEL_TABLESPLIT_H

#include <stdint.h>
#include <sys/types.h>

#include <oci.h>

#include "oracle/database.h"

// Most ranges, and so worker processes, of one parallel unload.
constexpr int MAX_RANGES = 128;
// Characters of an extended ROWID text.
constexpr int ROWID_TEXT_LEN = 18;
// Bytes of a ROWID field: the text, then zero bytes.
constexpr int ROWID_FIELD_SIZE = 20;
// Rows of the split query read per fetch.
constexpr ub4 SPLIT_FETCH_ROWS = 100;

// The table a parallel unload splits and how its ranges are run.
struct SPLITSPEC {
  text tabsplit[132] = "";   // split=: [owner.]table[:partition] to split into ROWID ranges
  text owner[132] = "";      // owner of the table; "" = from tabsplit, else the session's user
  text partition[132] = "";  // part=: partition to split; "" = from tabsplit, else the whole table
  int degree = 1;            // degree=: ranges, and so worker processes, asked for
  ub2 pretry = 3;            // retry=: re-runs of failed ranges, one at a time
  ub2 sleep = 3;             // sleep=: pause before each re-run, in 100 ms
};

struct ROWIDRANGE {
  int id;                        // 1-based; becomes the worker's slaveid
  ub1 minrid[ROWID_FIELD_SIZE];  // first ROWID of the range
  ub1 maxrid[ROWID_FIELD_SIZE];  // ROWID bounding the range from above
};

struct TABLESPLIT {
  int count;
  ROWIDRANGE range[MAX_RANGES];
  pid_t thid[MAX_RANGES];
  int status[MAX_RANGES];
};

// The range being formed while the split query's rows are read.
struct RANGEFORMER {
  bool open;
  ub1 first[ROWID_FIELD_SIZE];
  ub1 last[ROWID_FIELD_SIZE];
  uint64_t blocks;  // wide, so a long run of pieces cannot wrap
};

// Moves a ":partition" suffix of tabsplit into partition; a value that is
// empty, starts with ':' or ends with it is left alone.
void autoDetectTablePartition(SPLITSPEC *split);
// Moves an "owner." prefix of tabsplit into owner, the same way.
void autoDetectTableOwner(SPLITSPEC *split);

// Upper-cases name in place, as Oracle resolves an unquoted name.
void upperCaseName(text *name);
// True when name is a non-empty unquoted Oracle identifier (letters, digits,
// '_', '$', '#'), so it can be put inside the dictionary queries' literals.
bool isPlainName(const text *name);

// Adds one piece of the split query (start ROWID, end ROWID, blocks) to the
// open range, opening one first if needed, and closes the range once it holds
// more than budget blocks. The last of the MAX_RANGES slots never closes early:
// it takes every remaining piece. REQUIRES: former zeroed before the first piece.
void addSplitPiece(TABLESPLIT *split, RANGEFORMER *former, ub4 budget,
                   const ub1 *start, const ub1 *end, ub4 blocks);
// Stores the open range, if any, as the next range.
void closeOpenRange(TABLESPLIT *split, RANGEFORMER *former);
// Rows that a fetch of SPLIT_FETCH_ROWS delivered, from its status and the
// statement's running row count: all of them for 0, the remainder for
// OCI_NO_DATA, none for any other status.
ub4 splitBatchRows(sword status, ub4 rowcount);

// The per-range block budget of a split: blocks over the degree, the degree
// raised to 2 and limited to MAX_RANGES.
ub4 splitBudget(ub4 blocks, ub4 degree);

// Runs a block-count query (one row, one number) into *blocks; 0 unless the
// status is 0, and OCI_NO_DATA for no row or a NULL count.
sword readBlockCount(DATABASE *db, const text *sql, ub4 *blocks);
// Runs a split query (rows of start ROWID, end ROWID, blocks, in ROWID
// order) and forms split's ranges with the per-range budget from its rows.
sword readSplitPieces(DATABASE *db, const text *sql, ub4 budget, TABLESPLIT *split);

// REQUIRES: username has at least 30 bytes.
sword queryUserName(DATABASE *db, text *username);
// The table's (or partition's) block count into *blocks, 0 unless the status
// is 0. A table or partition without storage gives OCI_NO_DATA.
sword queryTableBlocks(DATABASE *db, const text *owner, const text *tablename,
                       const text *partname, ub4 *blocks);
// Fills split with ranges of more than blocks (the budget) blocks each.
sword splitTableBlocks(DATABASE *db, const text *owner, const text *tablename,
                       const text *partname, ub4 blocks, TABLESPLIT *split);
// The whole split into at most min(max(degree, 2), MAX_RANGES) ranges.
sword getParallelRowidRange(DATABASE *db, const text *owner, const text *tablename,
                            const text *partname, ub4 degree, TABLESPLIT *split);

#endif  // QUILLET2_PARALLEL_TABLESPLIT_H
