// The SQL*Loader control file that loads a job's data file back.
#ifndef QUILLET2_UNLOAD_CONTROLFILE_H
#define QUILLET2_UNLOAD_CONTROLFILE_H

#include <oci.h>

#include "oracle/database.h"
#include "options/cmdoptions.h"
#include "unload/column.h"

// Bytes of the control file's name and of the data file name it loads.
constexpr size_t CTLFNAME_SIZE = 512;

// Writes the control file for the columns behind collist when tabname is set,
// format is 0 and slaveid is 1: to ctlfname, else "<tabname>_sqlldr.ctl",
// under its final name only once complete. rowsize is the describe's row
// size (1 + column shares + rlen); fixlen is 1 for fixed-width output.
// Returns 1 when the file was written, 0 when none was due, -1 when it could
// not be written (reported on db's sink).
int writeControlFile(DATABASE *db, const CMDOPTIONS *o, const COLUMN *collist, int fixlen,
                     ub4 rowsize);

#endif  // QUILLET2_UNLOAD_CONTROLFILE_H
