// What one run wrote: every file closed (data pieces, LOB side files, the
// control file) with its rows and sizes, and the job's timing. A process
// runs one job (a parallel worker is a process of its own), so the record is
// one per process; the parent of a parallel run adds what its workers send
// it through one file per range.
#ifndef QUILLET2_UNLOAD_RUNRECORD_H
#define QUILLET2_UNLOAD_RUNRECORD_H

#include <stdio.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "base/status.h"

enum class FileKind { Data, Lob, Control };

// The name a data stream on standard output is recorded under.
constexpr const char *STDOUT_NAME = "-";

struct WRITTENFILE {
  std::string name;               // where it is now: NAME, or NAME.partial when kept incomplete
  FileKind kind = FileKind::Data;
  unsigned long long rows = 0;    // rows this run wrote to it (the control file: 0)
  unsigned long long bytes = 0;   // bytes this run wrote to it, before compression
  unsigned long long ondisk = 0;  // bytes this run added to it on disk
  bool complete = false;          // committed, not cut short by a failure
};

struct COLUMNINFO {
  std::string name;
  std::string type;  // Oracle type name
  int precision = 0;
  int scale = 0;
};

// One range of a parallel run as its worker reported it.
struct RANGEINFO {
  int id = 0;
  std::string minrid, maxrid;
  int status = 0;        // the worker's exit code; -1 when it was killed or never ran
  double elapsed = 0;    // seconds of its last run (0 when it sent no record)
  unsigned long long rows = 0;
};

struct RUNRECORD {
  std::string query;               // the query the job ran (a parallel run: each worker's)
  std::vector<COLUMNINFO> columns;  // as described
  std::vector<WRITTENFILE> files;
  std::vector<RANGEINFO> ranges;  // parallel runs only
  double elapsed = 0;  // seconds of the job
};

// This process's record.
RUNRECORD &runRecord();

// Adds a file just closed under name (without a leading '+'). startlen: its
// length before this run wrote to it (appended), else -1. An incomplete file
// is looked for as NAME.partial first; one that is gone is not added. A name
// already recorded (a rewritten control file) is replaced.
void recordFile(RUNRECORD *record, const char *name, FileKind kind, unsigned long long rows,
                unsigned long long bytes, off_t startlen, bool complete);

// The rows written to the record's data files.
unsigned long long dataRows(const RUNRECORD &record);

// Seconds on the monotonic clock.
double secondsNow();

// The summary line: rows, files and bytes written (and bytes on disk when
// any data file is compressed), elapsed seconds and rows per second; in a
// parallel run also the slowest range.
std::string summaryLine(const RUNRECORD &record, bool compressed);

// A worker's record as text lines, and back: readRecord appends the files
// to into, takes its columns when into has none, and fills range's elapsed
// and rows; false when the text is not a whole record (the worker was
// killed).
void writeRecord(FILE *fp, const RUNRECORD &record);
bool readRecord(FILE *fp, RUNRECORD *into, RANGEINFO *range);

#endif  // QUILLET2_UNLOAD_RUNRECORD_H
