// The seam between the row writer and the database: the rows of an executed
// query, fetched an array at a time into the column defines (each column's
// buffer, indicators and lengths), and the LOBs they point at. OCICURSOR
// reads them from Oracle; tests put a scripted cursor behind the same calls.
#ifndef QUILLET2_ORACLE_ROWCURSOR_H
#define QUILLET2_ORACLE_ROWCURSOR_H

#include <oci.h>

#include "oracle/database.h"

struct ROWCURSOR {
  virtual ~ROWCURSOR() = default;
  // Fetches the next nrows rows into the defined buffers; the OCI status.
  virtual sword fetch(ub4 nrows) = 0;
  // Rows all fetches have delivered so far; false when it cannot be read.
  virtual bool rowsDelivered(ub4 *rows) = 0;
  // The error step after a failed call: the error of the last fetch (or LOB
  // call), reported through the session's sink; 0 when there is none.
  virtual sb4 lastError() = 0;
  // The character set the values arrive in.
  virtual ub2 charsetId() = 0;
  // LOB content behind a fetched locator: open, read from a 1-based offset
  // (*amt in: 0 = to the end, out: bytes read), close. OCI statuses.
  virtual sword lobOpen(OCILobLocator *loc) = 0;
  virtual sword lobRead(OCILobLocator *loc, ub4 *amt, ub4 offset, void *buf, ub4 bufl,
                        ub1 csfm) = 0;
  virtual sword lobClose(OCILobLocator *loc) = 0;
};

// The cursor of an executed statement of a logged-on session.
struct OCICURSOR final : ROWCURSOR {
  OCICURSOR(DATABASE *session, OCIStmt *statement) : db(session), stmt(statement) {}
  sword fetch(ub4 nrows) override;
  bool rowsDelivered(ub4 *rows) override;
  sb4 lastError() override;
  ub2 charsetId() override;
  sword lobOpen(OCILobLocator *loc) override;
  sword lobRead(OCILobLocator *loc, ub4 *amt, ub4 offset, void *buf, ub4 bufl,
                ub1 csfm) override;
  sword lobClose(OCILobLocator *loc) override;

  DATABASE *db;
  OCIStmt *stmt;
};

#endif  // QUILLET2_ORACLE_ROWCURSOR_H
