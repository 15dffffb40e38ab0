// One unload job from logon to teardown, with its own session.
#ifndef QUILLET2_UNLOAD_JOBRUNNER_H
#define QUILLET2_UNLOAD_JOBRUNNER_H

#include <oci.h>

#include "base/status.h"
#include "options/cmdoptions.h"

// Runs one complete job and returns its status: Done, LogonFailed, Write,
// Sql (prepare or execute), Describe, Open, Fetch, Presql or Postsql.
JobStatus runTextUnloader(CMDOPTIONS *cmdopts);

// Strips trailing white space, ';' and '/' from cmdopts->query; text that
// does not begin with "select" or "with" is a table name: the query becomes
// "select * from <name>", and an empty tabname takes a name of at most 30 bytes.
void normaliseQuery(CMDOPTIONS *cmdopts);

#endif  // QUILLET2_UNLOAD_JOBRUNNER_H
