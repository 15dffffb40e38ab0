// The SQL*Loader control file that loads a job's data file back.
#ifndef QUILLET2_UNLOAD_CONTROLFILE_H
#define QUILLET2_UNLOAD_CONTROLFILE_H

#include <oci.h>

#include "options/cmdoptions.h"
#include "unload/column.h"

// Bytes of the control file's name and of the data file name it loads.
constexpr size_t CTLFNAME_SIZE = 512;

// Writes the control file for the columns behind collist when tabname is set,
// format is 0 and slaveid is 1: to ctlfname, else "<tabname>_sqlldr.ctl".
// rowsize is the describe's row size (1 + column shares + rlen); fixlen is 1
// for fixed-width output. Returns 1 when the file was written, else 0.
int writeControlFile(const CMDOPTIONS *cmdopts, const COLUMN *collist, int fixlen,
                     ub4 rowsize);

#endif  // QUILLET2_UNLOAD_CONTROLFILE_H
