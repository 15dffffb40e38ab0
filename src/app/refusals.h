// Checks of the whole option record before logon: output names that would
// lose rows (pieces or workers writing over one another, two outputs under
// one name, names too long for their buffers) and separators that run
// fields or records together.
#ifndef QUILLET2_APP_REFUSALS_H
#define QUILLET2_APP_REFUSALS_H

#include "app/driver.h"

// Appends to notes a refusal line for each output naming problem of o and a
// warning line for each empty field or record separator.
// REQUIRES: o is the record after option collection.
void checkOptionRecord(const CMDOPTIONS *o, COLLECTNOTES *notes);

#endif  // QUILLET2_APP_REFUSALS_H
