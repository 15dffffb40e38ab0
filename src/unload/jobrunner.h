// One unload job from logon to teardown, with its own session.
#ifndef QUILLET2_UNLOAD_JOBRUNNER_H
#define QUILLET2_UNLOAD_JOBRUNNER_H

#include <oci.h>

#include "cli/cmdoptions.h"

// Runs one complete job; returns its status (also stored in rtncode):
// 0 done, -1 logon, 2 write, 3 prepare/execute, 5 describe, 6 open, 7 fetch,
// 8 presql, 9 postsql.
sword runTextUnloader(CMDOPTIONS *cmdopts);

#endif  // QUILLET2_UNLOAD_JOBRUNNER_H
