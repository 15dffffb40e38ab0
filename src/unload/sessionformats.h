// The date and timestamp formats a job session formats its values in, as
// the session reports them once alter= and presql= have run. Field widths
// and the control file's masks follow them.
#ifndef QUILLET2_UNLOAD_SESSIONFORMATS_H
#define QUILLET2_UNLOAD_SESSIONFORMATS_H

#include <stddef.h>

#include "oracle/database.h"

// Bytes of one format mask with its terminator; Oracle allows 80 characters.
constexpr size_t NLS_FORMAT_SIZE = 96;

struct SESSIONFORMATS {
  char date[NLS_FORMAT_SIZE];         // NLS_DATE_FORMAT, 'YYYY-MM-DD HH24:MI:SS'
  char timestamp[NLS_FORMAT_SIZE];    // NLS_TIMESTAMP_FORMAT, 'YYYY-MM-DD HH24:MI:SSXFF'
  char timestamptz[NLS_FORMAT_SIZE];  // NLS_TIMESTAMP_TZ_FORMAT, with ' TZH:TZM'
};

// The formats every job session starts with.
SESSIONFORMATS defaultSessionFormats();

// The fixed formats the JSON layout fetches in, whatever alter= set: the
// defaults with a point for the radix (X follows NLS_NUMERIC_CHARACTERS),
// which the writer turns into ISO 8601.
SESSIONFORMATS jsonSessionFormats();

// Reads NLS_DATE_FORMAT, NLS_TIMESTAMP_FORMAT and NLS_TIMESTAMP_TZ_FORMAT
// back from the session (NLS_SESSION_PARAMETERS). A format the session does
// not report, or one longer than NLS_FORMAT_SIZE - 1 bytes, stays as it was.
void readSessionFormats(DATABASE *db, SESSIONFORMATS *formats);

// The most characters a value formatted with mask can have (month and day
// names at their longest English length, FF as six digits).
int formatWidth(const char *mask);

#endif  // QUILLET2_UNLOAD_SESSIONFORMATS_H
