// Parallel unload: the parent splits the table and supervises one forked
// worker per ROWID range; each worker runs an ordinary unload job.
#include "parallel/workers.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "base/chars.h"
#include "unload/controlfile.h"
#include "parallel/bindnames.h"
#include "parallel/rangefiles.h"
#include "unload/interrupt.h"
#include "unload/jobrunner.h"
#include "unload/outfile.h"
#include "unload/outstream.h"
#include "unload/runrecord.h"
#include "unload/safefile.h"

namespace {

// The query of a worker when none was given: owner, table.
constexpr const char *WORKER_QUERY =
    "SELECT * FROM %s.%s WHERE ROWID >= :minrid AND ROWID < :maxrid";
// A query that only checks that owner.table can be read.
constexpr const char *TABLE_PROBE_QUERY = "SELECT 1 FROM %s.%s WHERE 1=0";
// Counts the tables named owner.table: none for a view, a synonym or DUAL.
constexpr const char *TABLE_COUNT_QUERY =
    "SELECT COUNT(*) FROM DBA_OBJECTS WHERE OWNER='%s' AND OBJECT_NAME='%s' AND OBJECT_TYPE='TABLE'";
// Room for the probe query with two names of at most 131 bytes.
constexpr size_t PROBE_SQL_SIZE = 512;


// What each worker counted for the control file, one slot per range, in
// memory the forked workers share with the parent. Without the memory the
// workers keep their counts (worker 1 names its own).
struct SHAREDFAULTS {
  static constexpr size_t BYTES = sizeof(LOADFAULTS) * MAX_RANGES;
  LOADFAULTS *slots = nullptr;
  SHAREDFAULTS() {
    void *m = mmap(nullptr, BYTES, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (m != MAP_FAILED) slots = new (m) LOADFAULTS[MAX_RANGES];
  }
  ~SHAREDFAULTS() {
    if (slots != nullptr) munmap(slots, BYTES);
  }
  SHAREDFAULTS(const SHAREDFAULTS &) = delete;
  SHAREDFAULTS &operator=(const SHAREDFAULTS &) = delete;
};

void setBind(SQLPARAM *p, const char *name, const ub1 *rowid) {
  memset(p, 0, sizeof *p);
  p->nlen = static_cast<sb4>(strlen(name));
  memcpy(p->pname, name, p->nlen);
  memcpy(p->pval, rowid, ROWID_TEXT_LEN);
  p->vlen = ROWID_TEXT_LEN;
}

// Forks the worker of range i. In the parent, stores its pid (or marks the
// range failed when no process could be made); returns true in the child,
// which ends with the parent.
bool startWorker(TABLESPLIT *split, int i, FILE *const *results) {
  split->status[i] = 0;
  if (results != nullptr) {  // a re-run's record replaces the failed run's
    rewind(results[i]);
    if (ftruncate(fileno(results[i]), 0) != 0) clearerr(results[i]);
  }
  fflush(nullptr);  // the child must not write the parent's buffered output again
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    if (!becomeWorker(parent)) _exit(FORK_FAILED_STATUS >> 8);  // the parent is gone already
    return true;
  }
  split->thid[i] = pid;
  if (pid < 0) split->status[i] = FORK_FAILED_STATUS;
  else watchWorker(i, pid);
  return false;
}

// Waits for the worker of range i, unless it was never started. A killed
// worker's temporary files are kept as partial ones.
void waitWorker(TABLESPLIT *split, int i, const OUTPUTSPEC *files) {
  if (split->thid[i] < 0) return;
  split->status[i] = 0;
  pid_t got;
  do {
    got = waitpid(split->thid[i], &split->status[i], 0);
  } while (got < 0 && errno == EINTR);
  watchWorker(i, 0);
  if (got < 0) split->status[i] = FORK_FAILED_STATUS;
  else if (files != nullptr && WIFSIGNALED(split->status[i]))
    keepKilledWorkerFiles(files, split->range[i].id, split->thid[i]);
}

// The block count query found no storage. Tells a missing table (the probe
// fails and reports Oracle's own message) from one that has no segment yet:
// returns the status that ends the run, 0 for nothing to split.
sword explainNoStorage(DATABASE *db, const SPLITSPEC *settings) {
  if (settings->partition[0] != 0) {
    reportMessage(db, MsgKind::Error, "ERROR -- Partition %s of table %s.%s not found.\n", chars(settings->partition),
                  chars(settings->owner), chars(settings->tabsplit));
    return OCI_NO_DATA;
  }
  char sql[PROBE_SQL_SIZE];
  snprintf(sql, sizeof sql, TABLE_PROBE_QUERY, chars(settings->owner), chars(settings->tabsplit));
  OCIStmt *stmt = nullptr;
  sword rc = prepareStmt8(db, &stmt, reinterpret_cast<const text *>(sql));
  if (rc == 0) rc = executeQuery8(db, stmt);
  releaseStmt8(db, stmt);
  if (rc != 0) return rc;
  // It can be read but has no storage: an empty table, or no table at all.
  ub4 tables = 0;
  snprintf(sql, sizeof sql, TABLE_COUNT_QUERY, chars(settings->owner), chars(settings->tabsplit));
  rc = readBlockCount(db, reinterpret_cast<const text *>(sql), &tables);
  if (rc != 0 || tables > 0) return rc;
  reportMessage(db, MsgKind::Error, "ERROR -- %s.%s is not a table, so it cannot be split into ROWID ranges: "
                "unload it without split= (query=%s).\n", chars(settings->owner), chars(settings->tabsplit),
                chars(settings->tabsplit));
  return NOT_A_TABLE_STATUS;
}

// Resolves the owner, table and partition names; false (after a message)
// when one cannot be used.
bool resolveNames(DATABASE *db, SPLITSPEC *settings) {
  autoDetectTablePartition(settings);
  autoDetectTableOwner(settings);
  if (settings->owner[0] == 0) queryUserName(db, settings->owner);
  upperCaseName(settings->owner);
  upperCaseName(settings->tabsplit);
  upperCaseName(settings->partition);
  if (settings->owner[0] == 0) {
    reportMessage(db, MsgKind::Error, "ERROR -- Cannot find the owner of table %s.\n", chars(settings->tabsplit));
    return false;
  }
  const bool ok = isPlainName(settings->owner) && isPlainName(settings->tabsplit) &&
                  (settings->partition[0] == 0 || isPlainName(settings->partition));
  if (!ok)
    reportMessage(db, MsgKind::Error, "ERROR -- Cannot split table \"%s\" of owner \"%s\"%s%s: not a plain table name.\n",
           chars(settings->tabsplit), chars(settings->owner), settings->partition[0] ? ", partition " : "",
           chars(settings->partition));
  return ok;
}

// A query given with split= must be limited to each worker's range, or every
// worker would unload the whole of it.
bool checkGivenQuery(DATABASE *db, const JOBSPEC *job) {
  if (job->query[0] == 0 || (hasBindName(chars(job->query), "minrid") && hasBindName(chars(job->query), "maxrid")))
    return true;
  reportMessage(db, MsgKind::Error, "ERROR -- A query for a parallel unload must limit ROWID by :minrid and :maxrid.\n");
  return false;
}

// Runs the job of range i in this worker process. A range whose binds do not
// fit fails as a job whose logon failed would.
JobStatus runWorker(JOBSPEC *job, const SPLITSPEC *settings, const TABLESPLIT *split, int i) {
  if (!prepareWorkerOptions(job, settings, &split->range[i])) return JobStatus::LogonFailed;
  job->summary = false;  // the parent sums every worker's
  return runTextUnloader(job, split->range[i].id);
}

}  // namespace

int splitExitStatus(sword rc) { return rc != 0 && (rc & 0xff) == 0 ? 1 : rc; }

bool isFailedStatus(int wstatus) {
  return (wstatus & 0x7f) != 0 || ((wstatus >> 8) & 0xff) != 0;
}

int countFailedRanges(const TABLESPLIT *split) {
  int failed = 0;
  for (int i = 0; i < split->count; ++i)
    if (isFailedStatus(split->status[i])) ++failed;
  return failed;
}

int runWorkerPasses(TABLESPLIT *split, int pretry, int sleep, const OUTPUTSPEC *files,
                    FILE *const *results) {
  std::vector<RANGEFILES> before(static_cast<size_t>(std::max(split->count, 0)));
  for (int i = 0; i < split->count && files != nullptr; ++i)
    rememberRangeFiles(files, split->range[i].id, &before[static_cast<size_t>(i)]);
  for (int i = 0; i < split->count; ++i)
    if (startWorker(split, i, results)) return i;
  for (int i = 0; i < split->count; ++i) waitWorker(split, i, files);

  const int failed = countFailedRanges(split);
  if (failed == split->count || failed == 0) return -1;
  // retrycnt counts single re-runs and is tested only between passes, so
  // the last pass re-runs every range still failed.
  int retrycnt = 0;
  while (retrycnt < pretry && interruptSignal() == 0) {
    for (int i = 0; i < split->count && interruptSignal() == 0; ++i) {
      if (!isFailedStatus(split->status[i])) continue;
      sleepInterval(sleep);
      if (files != nullptr) restoreRangeFiles(files, split->range[i].id, &before[static_cast<size_t>(i)]);
      if (startWorker(split, i, results)) return i;
      waitWorker(split, i, files);
      ++retrycnt;
    }
    if (countFailedRanges(split) == 0) break;
  }
  return -1;
}

bool prepareWorkerOptions(JOBSPEC *job, const SPLITSPEC *split, const ROWIDRANGE *range) {
  if (job->sqlargc < 0 || job->sqlargc > MAX_SQL_PARAMS - 2) return false;
  if (job->query[0] == 0)
    snprintf(reinterpret_cast<char *>(job->query), sizeof job->query, WORKER_QUERY,
             chars(split->owner), chars(split->tabsplit));
  setBind(&job->sqlargv[job->sqlargc], "MINRID", range->minrid);
  setBind(&job->sqlargv[job->sqlargc + 1], "MAXRID", range->maxrid);
  job->sqlargc += 2;
  return true;
}

namespace {

// The data files the workers wrote in this run, worker by worker and piece by
// piece: a piece name that does not exist, is older than the run, or repeats
// the previous one (a name without %b), ends a worker's list.
std::vector<std::string> workerDataFiles(const OUTPUTSPEC *output, const TABLESPLIT *split,
                                         time_t started) {
  std::vector<std::string> files;
  for (int i = 0; i < split->count; ++i) {
    const size_t first = files.size();
    for (int piece = 1;; ++piece) {
      text name[CTLFNAME_SIZE] = {0};
      expandFileName(output->fname, name, sizeof name, piece, split->range[i].id);
      const char *plain = chars(name) + (name[0] == '+' ? 1 : 0);
      struct stat st;
      if (files.size() > first && files.back() == plain) break;
      if (stat(plain, &st) != 0 || st.st_mtime < started) break;
      files.emplace_back(plain);
    }
  }
  return files;
}

// Worker 1 wrote the control file; once every worker has ended it names
// every worker's files and what they counted. False when it could not be rewritten
// (after the message).
bool nameEveryWorkerFile(DATABASE *db, const JOBSPEC *job, const TABLESPLIT *split,
                         time_t started, const SHAREDFAULTS &shared) {
  const JOBSTATE first{1, 0, job->tabname};
  const CONTROLFILEJOB control{&job->control, &job->format, &job->output, &first};
  if (!writesControlFile(control) || strcmp(chars(job->output.fname), "-") == 0) return true;
  LOADFAULTS all;
  for (int i = 0; i < split->count && shared.slots != nullptr; ++i) {
    const LOADFAULTS &f = shared.slots[i];
    all.splits += f.splits;
    all.separators += f.separators;
    all.quotes += f.quotes;
    all.blanks += f.blanks;
    all.nulls += f.nulls;
  }
  return finishControlFile(db, control, workerDataFiles(&job->output, split, started), all) >= 0;
}

// Names every range that still failed after its re-runs: its ROWID bounds,
// how its last try ended and the files it left.
void reportFailedRanges(DATABASE *db, const OUTPUTSPEC *output, const TABLESPLIT *split) {
  for (int i = 0; i < split->count; ++i) {
    const int ws = split->status[i];
    if (!isFailedStatus(ws)) continue;
    char how[64];
    if (WIFSIGNALED(ws)) snprintf(how, sizeof how, "killed by signal %d (%s)", WTERMSIG(ws), strsignal(WTERMSIG(ws)));
    else snprintf(how, sizeof how, "exit status %d", WEXITSTATUS(ws));
    const ROWIDRANGE &r = split->range[i];
    reportFileError(db, "ERROR -- Range %d of %d (ROWID %s to %s) failed: %s; files: %s.\n", r.id, split->count,
                    chars(r.minrid), chars(r.maxrid), how, listRangeFiles(output, r.id).c_str());
  }
}

// One unnamed file per range for its worker's record, gone when closed.
struct RESULTFILES {
  FILE *fp[MAX_RANGES] = {};
  bool open(int count) {
    for (int i = 0; i < count; ++i)
      if ((fp[i] = tmpfile()) == nullptr) return false;
    return true;
  }
  ~RESULTFILES() {
    for (FILE *f : fp)
      if (f != nullptr) fclose(f);
  }
};

// The parent's record: the files of every worker (those a killed one left,
// as found), and each range with its bounds, exit code and timing.
void gatherWorkerRecords(const OUTPUTSPEC *output, const TABLESPLIT *split, const RESULTFILES &results,
                         RUNRECORD *record) {
  for (int i = 0; i < split->count; ++i) {
    const ROWIDRANGE &r = split->range[i];
    RANGEINFO range;
    rewind(results.fp[i]);
    const bool sent = readRecord(results.fp[i], record, &range);
    for (int lob = 0; !sent && lob < 2; ++lob) {
      for (const std::string &name : foundRangeFiles(output, r.id, lob == 1)) {
        const bool partial = name.ends_with(PARTIAL_SUFFIX);  // rows and bytes unknown
        recordFile(record, name.c_str(), lob == 1 ? FileKind::Lob : FileKind::Data, 0, 0, -1, !partial);
      }
    }
    range.id = r.id;
    range.minrid.assign(chars(r.minrid), strnlen(chars(r.minrid), ROWID_FIELD_SIZE));
    range.maxrid.assign(chars(r.maxrid), strnlen(chars(r.maxrid), ROWID_FIELD_SIZE));
    const int ws = split->status[i];
    range.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : -1;
    record->ranges.push_back(range);
  }
}

}  // namespace

PARALLELEND runParallelUnload(DATABASE *db, JOBSPEC *job, SPLITSPEC *settings, TABLESPLIT *splitdata) {
  if (!checkGivenQuery(db, job) || !resolveNames(db, settings)) {
    disconnectDB(db);
    return {false, 1, JobStatus::Done};
  }
  sword rc = getParallelRowidRange(db, settings->owner, settings->tabsplit, settings->partition,
                                   static_cast<ub4>(settings->degree), splitdata);
  bool reported = db->errcode != 0;
  if (rc == OCI_NO_DATA && !reported) {
    rc = explainNoStorage(db, settings);
    reported = true;
  }
  if (rc != 0 || splitdata->count == 0) {
    if (rc != 0 && !reported) oraError8(db);
    disconnectDB(db);
    return {false, splitExitStatus(rc), JobStatus::Done};
  }

  const time_t started = time(nullptr);
  const double clock = secondsNow();
  RESULTFILES results;
  const bool recorded = results.open(splitdata->count);
  SHAREDFAULTS faults;
  const int worker = runWorkerPasses(splitdata, settings->pretry, settings->sleep, &job->output,
                                     recorded ? results.fp : nullptr);
  if (worker >= 0) {
    if (faults.slots != nullptr) {
      faults.slots[worker] = LOADFAULTS{};  // an earlier try's counts go with its files
      shareLoadFaults(&faults.slots[worker]);
    }
    const JobStatus status = runWorker(job, settings, splitdata, worker);
    if (recorded) writeRecord(results.fp[worker], runRecord());
    return {true, 0, status};
  }
  if (interruptSignal() == 0) reportFailedRanges(db, &job->output, splitdata);
  RUNRECORD &record = runRecord();
  if (recorded) gatherWorkerRecords(&job->output, splitdata, results, &record);
  char query[sizeof job->query];
  snprintf(query, sizeof query, WORKER_QUERY, chars(settings->owner), chars(settings->tabsplit));
  record.query = job->query[0] != 0 ? chars(job->query) : query;
  const bool named = nameEveryWorkerFile(db, job, splitdata, started, faults);
  record.elapsed = secondsNow() - clock;
  if (recorded && strcmp(chars(job->output.fname), "-") != 0)  // not into the data
    reportMessage(db, MsgKind::Progress, "%s",
                  summaryLine(record, codecForName(job->output.fname) != Codec::none).c_str());
  disconnectDB(db);
  const int failedRanges = countFailedRanges(splitdata);
  int status = failedRanges > 0 ? failedRanges : named ? 0 : static_cast<int>(JobStatus::Open);
  if (interruptSignal() != 0) status = static_cast<int>(interruptStatus());
  return {false, status, JobStatus::Done};
}
