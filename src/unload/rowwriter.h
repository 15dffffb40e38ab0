// The row writer: fetches every array and formats every row.
#ifndef QUILLET2_UNLOAD_ROWWRITER_H
#define QUILLET2_UNLOAD_ROWWRITER_H

#include <oci.h>

#include "base/status.h"
#include "options/cmdoptions.h"
#include "oracle/database.h"
#include "unload/column.h"

// Bytes of the output buffer.
constexpr int IOBUF_SIZE = 4194304;

// Fetches stmt to the end and writes every row. Returns Done, Write, Open
// or Fetch. REQUIRES: col heads a list built by getColumns8 for stmt.
JobStatus printRow8(text *fname, text *lobfname, DATABASE *db, OCIStmt *stmt, COLUMN *col,
               text *field, int flen, text *record, int rlen, int batch, int header,
               int fixlen, text *sedf, text *sedt, text *quote, unsigned int rowbatch,
               text *snull, int lnull, char escape, int format, text *tabname,
               int piecesize, text *rowpre, int rowprelen, text *rowsuf, int rowsuflen,
               text *colsep, int colseplen, text *escf, text *esct, text *sqlexec,
               int sqlexeclen, text *prehead, int preheadlen, CMDOPTIONS *cmdopts);

// 1 when oerrn is one of the first oerrcount numbers of cmdopts->oerrorno.
int isSkipedError(const CMDOPTIONS *cmdopts, int oerrn);

// 1 when the character set csid is a double-byte one (GBK, Big5, Shift-JIS
// and the like), whose trail bytes must never be escaped; 0 for UTF-8 and the
// single-byte sets.
int usesDoubleBytePairs(ub2 csid);

#endif  // QUILLET2_UNLOAD_ROWWRITER_H
