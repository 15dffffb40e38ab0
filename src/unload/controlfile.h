// The SQL*Loader control file that loads a job's data files back.
#ifndef QUILLET2_UNLOAD_CONTROLFILE_H
#define QUILLET2_UNLOAD_CONTROLFILE_H

#include <oci.h>

#include <string>
#include <vector>

#include "oracle/database.h"
#include "unload/column.h"
#include "unload/jobstate.h"
#include "unload/outfile.h"
#include "unload/rowformat.h"
#include "unload/sessionformats.h"

// Bytes of the control file's name and of the data file name it loads.
constexpr size_t CTLFNAME_SIZE = 512;

// The control file's own settings.
struct CONTROLFILESPEC {
  text ctlfname[256] = "";       // control=: name pattern; "" = "<tabname>_sqlldr.ctl"
  text tabmode[132] = "INSERT";  // mode=: load mode (INSERT, APPEND, REPLACE, TRUNCATE)
  int buffer = 2097152;          // buffer=: BINDSIZE and READSIZE in bytes
  text charset[64] = "";         // charset=: CHARACTERSET clause; "" = none
};

// What a control file is written from: its own settings, the layout and
// names of the data files, and the job's table and worker number.
struct CONTROLFILEJOB {
  const CONTROLFILESPEC *settings;
  const ROWFORMAT *format;
  const OUTPUTSPEC *output;
  const JOBSTATE *job;
};

// 1 when RAW, LONG RAW and inline BLOB values are written as hex digits: in
// the delimited and fixed layouts, except MySQL's (backslash escapes), whose
// LOAD DATA reads the escaped bytes exactly.
bool writesBinaryAsHex(const ROWFORMAT &format);

// Why SQL*Loader cannot read the layout format describes (JSON Lines, colsep=,
// escapes other than a doubled quote, row prefixes in a delimited layout),
// or null when it can.
const char *unreadableLayout(const ROWFORMAT &format);

// 1 when the run's output gets a control file: tabname set, format 0 and a
// layout SQL*Loader can read.
bool loadsBack(const CONTROLFILEJOB &ctl);

// 1 when this job writes the control file: loadsBack, and job 1.
bool writesControlFile(const CONTROLFILEJOB &ctl);

// Values SQL*Loader would not load back as they were written, counted while
// the rows are written.
struct LOADFAULTS {
  unsigned long long splits = 0;      // hold the record separator, which ends a record even enclosed
  unsigned long long separators = 0;  // hold the field separator outside an enclosure
  unsigned long long quotes = 0;      // hold the enclosure, which no escape= doubles
  unsigned long long blanks = 0;      // end a fixed-width field in blanks, which the loader trims
  unsigned long long nulls = 0;       // are all blanks or the null= text, which NULLIF takes for NULL
};

// Where a parallel worker leaves what it counted for the parent, which names
// it once every worker has ended; null (the default) in a single job.
void shareLoadFaults(LOADFAULTS *slot);
LOADFAULTS *sharedLoadFaults();

// The control file's name: ctlfname with %p and %b expanded, else
// "<tabname>_sqlldr.ctl".
void controlFileName(const CONTROLFILEJOB &ctl, char *out, size_t outsize);

// Writes the control file for the columns behind collist when
// writesControlFile holds; when it does not only because of the layout, says
// why on standard error. fixlen is 1 for fixed-width output; the masks are
// the session's formats. The file appears under its name only once complete.
// Returns 1 when the file was written, 0 when none was due, -1 when it could
// not be written (reported on db's sink).
int writeControlFile(DATABASE *db, const CONTROLFILEJOB &ctl, const COLUMN *collist, int fixlen,
                     const SESSIONFORMATS *formats);

// After the unload: names every data file written (one INFILE clause each)
// and, for each kind of fault counted, says how many values have it, in a
// comment in the control file and a warning on db's sink. Leaves a file that
// needs neither as it is; the rewritten file replaces the old one once complete. Returns 1
// when the file was rewritten, 0 when it needed neither, -1 when it could not
// be rewritten (reported on db's sink).
int finishControlFile(DATABASE *db, const CONTROLFILEJOB &ctl, const std::vector<std::string> &datafiles,
                      const LOADFAULTS &faults);

#endif  // QUILLET2_UNLOAD_CONTROLFILE_H
