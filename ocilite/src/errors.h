// Error records: "ORA-NNNNN: message\n" texts kept on error handles, and the
// Oracle error an SQLite failure stands for.
#ifndef OCILITE_ERRORS_H
#define OCILITE_ERRORS_H

#include <sqlite3.h>

#include <string>
#include <string_view>

#include "handles.h"

namespace ocilite {

// Oracle's texts for the errors the stand-in raises by number.
std::string_view oracleMessage(sb4 code);

// Stores error code with Oracle's own text (detail, when given, follows it
// after ": "); returns OCI_ERROR. err may be null (nothing is recorded).
sword raise(OCIError *err, sb4 code, std::string_view detail = {});
// Stores error code with a message of the caller's wording.
sword raiseText(OCIError *err, sb4 code, std::string_view message);
// An Oracle error: its number and its text after "ORA-NNNNN: ".
struct OracleError {
  sb4 code;
  std::string message;
};
// The Oracle error that SQLite's last failure on db (or rc, when db is
// null) stands for.
OracleError oracleErrorOf(sqlite3 *db, int rc);
// Stores the Oracle error that SQLite's last failure on db stands for.
sword raiseSqlite(OCIError *err, sqlite3 *db, int rc);
// Drops the record of err (each call starts afresh).
void clearError(OCIError *err);

}  // namespace ocilite

#endif  // OCILITE_ERRORS_H
