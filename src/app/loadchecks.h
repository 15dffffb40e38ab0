// Options whose output could not be loaded back, refused before logon.
#ifndef QUILLET2_APP_LOADCHECKS_H
#define QUILLET2_APP_LOADCHECKS_H

#include "base/messages.h"
#include "options/cmdoptions.h"

// Checks the load mode (INSERT, APPEND, REPLACE or TRUNCATE), that INSERT
// output of a query statement names its table (table=), and that scrambled
// output is not appended to (its restore cannot find where a run ended).
// Returns 0, or 1 after saying on sink what is wrong and how to fix it.
int refuseUnloadableOptions(const CMDOPTIONS *cmdopts, const MESSAGESINK &sink);

#endif  // QUILLET2_APP_LOADCHECKS_H
