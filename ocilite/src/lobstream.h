// LOB columns read in place. SQLite loads a selected column's whole value
// on every step, so a plain single-table query that selects CLOB, NCLOB or
// BLOB columns of its table runs with each such column replaced by
// typeof(column) (which SQLite answers without loading the content) and
// the table's rowid as a hidden column. A locator fetched from such a
// column remembers table, column and rowid, and OCILobRead reads the
// content with SQLite's incremental blob I/O (lob.cpp). The query as written
// is kept, bound, until the first fetch: when no streamed column is defined
// as a locator, that fetch runs it instead (the values are then in the rows
// anyway). Otherwise a streamed column defined for inline content (SQLT_LVC,
// SQLT_CHR, ...) is read by its rowid, a row at a time.
#ifndef OCILITE_LOBSTREAM_H
#define OCILITE_LOBSTREAM_H

#include "convert.h"
#include "handles.h"

namespace ocilite {

// Re-prepares stmt->st for streaming when its query selects LOB columns of
// its table, keeping the statement as written in stmt->heldSt; otherwise
// (or when that fails) leaves it as it is.
// REQUIRES: stmt->st is prepared from stmt->sql.sql and not stepped;
// stmt->columns is empty.
void streamLobColumns(OCIStmt *stmt);

// At the first fetch of a streamed query: goes back to the query as written
// when no streamed column is defined as a locator; drops it otherwise.
// REQUIRES: stmt->heldSt is set; no row has been fetched.
void settleLobReading(OCIStmt *stmt);

// Stores streamed column col of the current row into element row of def.
// REQUIRES: stmt->columns[col].lobColumn is set; stmt->st holds a row.
Outcome putStreamedColumn(OCIStmt *stmt, const OCIDefine &def, ub4 row, int col, const FetchContext &ctx,
                          sb4 *error);

}  // namespace ocilite

#endif  // OCILITE_LOBSTREAM_H
