// Parallel unload: one forked worker process per ROWID range.
#ifndef QUILLET2_PARALLEL_WORKERS_H
#define QUILLET2_PARALLEL_WORKERS_H

#include <stdio.h>

#include "base/status.h"
#include "oracle/database.h"
#include "parallel/tablesplit.h"
#include "unload/jobrunner.h"
#include "unload/outfile.h"

// Wait status given to a range whose worker could not be forked: it reads as
// exit code 255, so the range counts as failed and is re-run.
constexpr int FORK_FAILED_STATUS = 0xff00;
// Exit status of a split= that names something other than a table (a view,
// DUAL): like a refused command line.
constexpr int NOT_A_TABLE_STATUS = 1;

// How a parallel unload ended in this process: in the parent, the exit
// status (the number of failed ranges, the split's status when splitting
// failed, the signal's status after SIGINT or SIGTERM, or the open-error
// status when the control file could not name every file); in a forked
// worker, its job's status, which the driver turns into the worker's exit
// code without returning further.
struct PARALLELEND {
  bool inWorker;    // false in the parent
  int parent;       // the parent's exit status
  JobStatus job;    // a worker's job status (LogonFailed when its binds did not fit)
};

// Splits split->tabsplit (its names resolved in place), runs job in the
// workers with their re-runs and ends db's session (in the parent).
// REQUIRES: db is logged on.
PARALLELEND runParallelUnload(DATABASE *db, JOBSPEC *job, SPLITSPEC *split, TABLESPLIT *splitdata);

// The exit status of a split that ended with status rc: rc, or 1 when rc is
// a failure whose low 8 bits, all that an exit passes on, would read as success.
int splitExitStatus(sword rc);
// True when a wait status shows a signal or a non-zero exit code.
bool isFailedStatus(int wstatus);
// Ranges of split whose last wait status is failed.
int countFailedRanges(const TABLESPLIT *split);

// Forks one worker per range, waits for all in range order, then re-runs
// failed ranges one at a time while fewer than pretry re-runs were made
// (none when every range failed, or none did), pausing sleep x 100 ms before
// each. files: the output whose files a re-run restores (appended
// files cut back to their length before the first try) and a killed worker
// leaves as partial files; null for none. No re-run follows SIGINT or
// SIGTERM, which are passed on to the running workers. Returns -1 in the
// parent, with split's thid and status filled; in a forked worker it returns
// that worker's range index (0-based).
// results: one file per range that its worker writes its record to, emptied
// before each try of the range (null: none).
int runWorkerPasses(TABLESPLIT *split, int pretry, int sleep, const OUTPUTSPEC *files = nullptr,
                    FILE *const *results = nullptr);

// Gives job the query of range: the range-limited query of split's
// owner.table when no query was given, and the MINRID and MAXRID binds.
// False (and job unchanged) when the bind slots are full.
bool prepareWorkerOptions(JOBSPEC *job, const SPLITSPEC *split, const ROWIDRANGE *range);

#endif  // QUILLET2_PARALLEL_WORKERS_H
