#include "oracle/rowcursor.h"

#include "oracle/ocicalls.h"

sword OCICURSOR::fetch(ub4 nrows) { return fetchRows8(db, stmt, nrows); }

bool OCICURSOR::rowsDelivered(ub4 *rows) {
  return getRowCount8(db, stmt, rows) == OCI_SUCCESS;
}

sb4 OCICURSOR::lastError() { return oraError8(db); }

ub2 OCICURSOR::charsetId() { return envCharsetId8(db); }

sword OCICURSOR::lobOpen(OCILobLocator *loc) { return lobOpen8(db, loc); }

sword OCICURSOR::lobRead(OCILobLocator *loc, ub4 *amt, ub4 offset, void *buf, ub4 bufl,
                         ub1 csfm) {
  return lobRead8(db, loc, amt, offset, buf, bufl, csfm);
}

sword OCICURSOR::lobClose(OCILobLocator *loc) { return lobClose8(db, loc); }
