// The row writer: fetches every array and formats every row.
#ifndef QUILLET2_UNLOAD_ROWWRITER_H
#define QUILLET2_UNLOAD_ROWWRITER_H

#include <oci.h>

#include "base/status.h"
#include "oracle/database.h"
#include "oracle/rowcursor.h"
#include "unload/column.h"
#include "unload/controlfile.h"
#include "unload/jobstate.h"
#include "unload/outfile.h"
#include "unload/rowformat.h"
#include "unload/sessionformats.h"

// Bytes of the output buffer.
constexpr int IOBUF_SIZE = 4194304;

// Fetches cursor to the end and writes every row in format into the files
// of output; db's sink gets the progress and closing lines. Array size,
// worker number and table name come from job, the errors a fetch may meet
// and go on from fetch; control, when not null, is the control file named
// again once the data files are known. Returns Done, Write, Open or Fetch.
// formats: the session's date and timestamp formats, which an Oracle INSERT
// script sets at its top (null: the job's defaults).
// REQUIRES: col heads the column list whose defines the cursor fills.
JobStatus printRow8(DATABASE *db, ROWCURSOR *cursor, COLUMN *col, const ROWFORMAT &format,
                    const OUTPUTSPEC &output, const FETCHSPEC &fetch, const JOBSTATE &job,
                    const CONTROLFILEJOB *control, const SESSIONFORMATS *formats = nullptr);

// 1 when oerrn is one of the first oerrcount numbers of fetch.oerrorno.
int isSkipedError(const FETCHSPEC &fetch, int oerrn);

// 1 when the character set csid is a double-byte one (GBK, Big5, Shift-JIS
// and the like), whose trail bytes must never be escaped; 0 for UTF-8 and the
// single-byte sets.
int usesDoubleBytePairs(ub2 csid);

#endif  // QUILLET2_UNLOAD_ROWWRITER_H
