// One unload job from logon to teardown, with its own session.
#ifndef QUILLET2_UNLOAD_JOBRUNNER_H
#define QUILLET2_UNLOAD_JOBRUNNER_H

#include <oci.h>

#include "base/status.h"
#include "options/cmdoptions.h"

// Runs one complete job and returns its status: Done, LogonFailed, Write,
// Sql (prepare or execute), Describe, Open, Fetch, Presql or Postsql. Once
// logged on, the job's last message is the summary line of what it wrote,
// unless summary is false (a parallel worker, whose parent sums them), no
// rows are written (data=NO) or the data and the messages share standard
// output.
JobStatus runTextUnloader(CMDOPTIONS *cmdopts, bool summary = true);

// 1 when query (after leading blanks) is a statement: it begins with
// "select", "with" (any case) or "(". Any other text is a table name.
bool isQueryStatement(const char *query);

// Strips trailing white space, ';' and '/' from cmdopts->query; a table name
// becomes "select * from <name>", and an empty tabname takes a name of at
// most 128 bytes.
void normaliseQuery(CMDOPTIONS *cmdopts);

#endif  // QUILLET2_UNLOAD_JOBRUNNER_H
