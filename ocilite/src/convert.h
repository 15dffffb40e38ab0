// The one place where a stored SQLite value becomes a define element of an
// external type: text in the session formats, integers, floats, raw bytes,
// with Oracle's indicators, returned lengths and column return codes.
#ifndef OCILITE_CONVERT_H
#define OCILITE_CONVERT_H

#include "connection.h"
#include "handles.h"

namespace ocilite {

enum class Outcome : ub1 {
  Value,      // whole value delivered
  Null,       // NULL, indicator -1
  NullNoInd,  // NULL without an indicator array: rcode 1405
  Truncated,  // cut to the element: rcode 1406, indicator = full length
  Failed,     // conversion impossible; *error holds the Oracle error number
};

// What a fetch converts with: the session's formats and the environment's
// client character sets.
struct FetchContext {
  const Connection *conn;
  const Transcoder *toClient;   // SQLCS_IMPLICIT columns
  const Transcoder *toClientN;  // SQLCS_NCHAR columns
  std::string *scratch;         // reused buffer for converted text
};

// Stores column col of st's current row into element row of def.
// REQUIRES: st holds a row; def->value has room for row + 1 elements.
Outcome putElement(const OCIDefine &def, ub4 row, sqlite3_stmt *st, int col, const ColumnType &type,
                   const FetchContext &ctx, sb4 *error);

// A locator element that reads its LOB from where it is stored.
// REQUIRES: def is a SQLT_CLOB / SQLT_BLOB define; source.table is set.
Outcome putStoredLocator(const OCIDefine &def, ub4 row, const LobSource &source, const ColumnType &type,
                         sb4 *error);

// The ROWID pseudo-column: column col of st's current row, an SQLite rowid,
// as its ROWID text into a character element.
// REQUIRES: st holds a row; def->value has room for row + 1 elements.
Outcome putRowid(const OCIDefine &def, ub4 row, sqlite3_stmt *st, int col, const RowidObjects &objects,
                 sb4 *error);

// A NULL into element row of def.
Outcome putNull(const OCIDefine &def, ub4 row);

// True for the external types putElement can deliver.
bool isSupportedDefineType(ub2 dty);

}  // namespace ocilite

#endif  // OCILITE_CONVERT_H
