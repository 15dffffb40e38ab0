// Parallel unload: one forked worker process per ROWID range.
#ifndef QUILLET2_PARALLEL_WORKERS_H
#define QUILLET2_PARALLEL_WORKERS_H

#include "cli/cmdoptions.h"
#include "db/database.h"
#include "parallel/tablesplit.h"

// Splits cmdopts->tabsplit, runs the workers with their re-runs, and returns
// the exit status: the number of failed ranges in the parent (or the split's
// status), the job result in a worker. Ends db's session.
// REQUIRES: db is logged on.
int runParallelUnload(DATABASE *db, CMDOPTIONS *cmdopts, TABLESPLIT *splitdata);

#endif  // QUILLET2_PARALLEL_WORKERS_H
