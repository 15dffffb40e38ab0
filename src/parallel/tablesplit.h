// Splitting one table into ROWID ranges from the data dictionary.
#ifndef QUILLET2_PARALLEL_TABLESPLIT_H
#define QUILLET2_PARALLEL_TABLESPLIT_H

#include <sys/types.h>

#include <oci.h>

#include "cli/cmdoptions.h"
#include "db/database.h"

// Most ranges, and so worker processes, of one parallel unload.
constexpr int MAX_RANGES = 128;
// Characters of an extended ROWID text.
constexpr int ROWID_TEXT_LEN = 18;

struct ROWIDRANGE {
  int id;          // 1-based; becomes the worker's slaveid
  ub1 minrid[20];  // first ROWID of the range
  ub1 maxrid[20];  // ROWID bounding the range from above
};

struct TABLESPLIT {
  int count;
  ROWIDRANGE range[MAX_RANGES];
  pid_t thid[MAX_RANGES];
  int status[MAX_RANGES];
};

void autoDetectTablePartition(CMDOPTIONS *cmdopts);
void autoDetectTableOwner(CMDOPTIONS *cmdopts);
// REQUIRES: username has at least 30 bytes.
sword queryUserName(DATABASE *db, text *username);
sword queryTableBlocks(DATABASE *db, const text *owner, const text *tablename,
                       const text *partname, ub4 *blocks);
sword splitTableBlocks(DATABASE *db, const text *owner, const text *tablename,
                       const text *partname, ub4 blocks, TABLESPLIT *split);
sword getParallelRowidRange(DATABASE *db, const text *owner, const text *tablename,
                            const text *partname, ub4 degree, TABLESPLIT *split);

#endif  // QUILLET2_PARALLEL_TABLESPLIT_H
