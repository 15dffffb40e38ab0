// The manifest: one JSON document that says what a run wrote, so that a
// reader can check the unload without the program: the version, the query,
// the times and status, the columns, every file with its rows, bytes and
// SHA-256, and a parallel run's ranges. It names no user and no password.
#ifndef QUILLET2_UNLOAD_MANIFEST_H
#define QUILLET2_UNLOAD_MANIFEST_H

#include <time.h>

#include <string>

#include "oracle/database.h"
#include "unload/runrecord.h"

// What the manifest says beside the record.
struct MANIFESTRUN {
  const char *version;  // the program's version
  time_t started;       // wall clock at the start and the end of the run
  time_t ended;
  int exitstatus;       // the run's exit status: 0 is a complete unload
};

// The manifest text of record. Each file listed is read again for its
// SHA-256 (null for standard output or a file that is gone).
std::string manifestText(const RUNRECORD &record, const MANIFESTRUN &run);

// Writes the manifest to name under a temporary name, renamed once whole.
// False after an error line to db's sink.
bool writeManifest(DATABASE *db, const char *name, const RUNRECORD &record, const MANIFESTRUN &run);

#endif  // QUILLET2_UNLOAD_MANIFEST_H
