// The statuses a run can end with, one type for every layer.
//
// This header lives in src/base, a header-only library below every other
// layer: options, crypto, the database layer, the unload job, the parallel
// unload and the driver all name the same statuses, so none of them has to
// reach another layer for them.
#ifndef QUILLET2_BASE_STATUS_H
#define QUILLET2_BASE_STATUS_H

// How one unload job, or the driver's own one-shot modes, ended. The values
// are the process exit codes; the driver alone turns a status into an exit
// code (-1 is seen as 255). A parallel parent ends with the number of ranges
// that still failed, an integer, not one of these.
enum class JobStatus : int {
  Done = 0,          // every row written
  OneShot = 1,       // help, crypt, uncrack, a refused command line, or the
                     // driver's own logon failed
  Write = 2,         // a write to the data stream fell short
  Sql = 3,           // the query could not be prepared or executed
  Describe = 5,      // the describe failed or found no columns
  Open = 6,          // an output file or the gzip stream could not be opened
  Fetch = 7,         // a fetch failed with an error not listed by error=
  Presql = 8,        // presql= failed
  Postsql = 9,       // postsql= failed
  LogonFailed = -1,  // the job's own logon failed (exit code 255)
};

inline bool failed(JobStatus s) { return s != JobStatus::Done; }

#endif  // QUILLET2_BASE_STATUS_H
