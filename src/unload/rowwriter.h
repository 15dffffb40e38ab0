// The row writer: fetches every array and formats every row.
#ifndef QUILLET2_UNLOAD_ROWWRITER_H
#define QUILLET2_UNLOAD_ROWWRITER_H

#include <oci.h>

#include "base/status.h"
#include "options/cmdoptions.h"
#include "oracle/database.h"
#include "oracle/rowcursor.h"
#include "unload/column.h"
#include "unload/sessionformats.h"

// Bytes of the output buffer.
constexpr int IOBUF_SIZE = 4194304;

// Fetches cursor to the end and writes every row; db's sink gets the
// progress and closing lines. Returns Done, Write, Open or Fetch.
// formats: the session's date and timestamp formats, which an Oracle INSERT
// script sets at its top (null: the job's defaults).
// REQUIRES: col heads the column list whose defines the cursor fills.
JobStatus printRow8(text *fname, text *lobfname, DATABASE *db, ROWCURSOR *cursor, COLUMN *col,
               text *field, int flen, text *record, int rlen, int batch, int header,
               int fixlen, text *sedf, text *sedt, text *quote, unsigned int rowbatch,
               text *snull, int lnull, char escape, int format, text *tabname,
               int piecesize, text *rowpre, int rowprelen, text *rowsuf, int rowsuflen,
               text *colsep, int colseplen, text *escf, text *esct, text *sqlexec,
               int sqlexeclen, text *prehead, int preheadlen, CMDOPTIONS *cmdopts,
               const SESSIONFORMATS *formats = nullptr);

// 1 when oerrn is one of the first oerrcount numbers of cmdopts->oerrorno.
int isSkipedError(const CMDOPTIONS *cmdopts, int oerrn);

// 1 when the character set csid is a double-byte one (GBK, Big5, Shift-JIS
// and the like), whose trail bytes must never be escaped; 0 for UTF-8 and the
// single-byte sets.
int usesDoubleBytePairs(ub2 csid);

#endif  // QUILLET2_UNLOAD_ROWWRITER_H
