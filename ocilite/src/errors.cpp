// Error records and the SQLite-to-Oracle error mapping.
#include "errors.h"
#include "sqltokens.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace ocilite {
namespace {

struct KnownError {
  sb4 code;
  const char *text;
};

constexpr KnownError kMessages[] = {
    {1, "unique constraint violated"},
    {28, "your session has been killed"},
    {54, "resource busy and acquire with NOWAIT specified or timeout expired"},
    {900, "invalid SQL statement"},
    {904, "invalid identifier"},
    {909, "invalid number of arguments"},
    {911, "invalid character"},
    {918, "column ambiguously defined"},
    {932, "inconsistent datatypes"},
    {933, "SQL command not properly ended"},
    {942, "table or view does not exist"},
    {955, "name is already used by an existing object"},
    {1002, "fetch out of sequence"},
    {1007, "variable not in select list"},
    {1008, "not all variables bound"},
    {1012, "not logged on"},
    {1013, "user requested cancel of current operation"},
    {1017, "invalid username/password; logon denied"},
    {1036, "illegal variable name/number"},
    {1115, "IO error reading block from file"},
    {1157, "cannot identify/lock data file"},
    {1400, "cannot insert NULL"},
    {1405, "fetched column value is NULL"},
    {1406, "fetched column value was truncated"},
    {1426, "numeric overflow"},
    {1455, "converting column overflows integer datatype"},
    {1480, "trailing null missing from STR bind value"},
    {1555, "snapshot too old: rollback segment number 1 with name \"_SYSSMU1$\" too small"},
    {1578, "ORACLE data block corrupted"},
    {1722, "invalid number"},
    {1821, "date format not recognized"},
    {1841, "(full) year must be between -4713 and +9999, and not be 0"},
    {2290, "check constraint violated"},
    {3001, "unimplemented feature"},
    {3113, "end-of-file on communication channel"},
    {3114, "not connected to ORACLE"},
    {4030, "out of process memory when trying to allocate"},
    {12154, "TNS:could not resolve the connect identifier specified"},
    {16000, "database open for read-only access"},
    {22275, "invalid LOB locator specified"},
    {22288, "file or LOB operation failed"},
    {22289, "cannot perform operation on an unopened file or LOB"},
    {24315, "illegal attribute type"},
    {24333, "zero iteration count"},
    {24334, "no descriptor for this position"},
    {24337, "statement handle not prepared"},
    {24345, "A Truncation or null fetch error occurred"},
    {24374, "define not done before fetch or execute and fetch"},
    {24801, "illegal parameter value in OCI lob function"},
};

// "X" or "T"."X" for SQLite's "no such column: t.x".
std::string quotedIdentifier(std::string_view name) {
  std::string r = "\"";
  for (char c : upperCase(name)) {
    if (c == '.') r += "\".\"";
    else r += c;
  }
  return r + "\"";
}

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

}  // namespace

std::string_view oracleMessage(sb4 code) {
  for (const KnownError &e : kMessages)
    if (e.code == code) return e.text;
  return "error";
}

sword raiseText(OCIError *err, sb4 code, std::string_view message) {
  if (err == nullptr) return OCI_ERROR;
  char head[16];
  std::snprintf(head, sizeof head, "ORA-%05d: ", (int)code);
  err->error.code = code;
  err->error.text.assign(head);
  err->error.text.append(message);
  err->error.text.push_back('\n');
  return OCI_ERROR;
}

namespace {

OracleError known(sb4 code, std::string_view detail = {}) {
  std::string msg(oracleMessage(code));
  if (!detail.empty()) {
    msg += ": ";
    msg += detail;
  }
  return {code, msg};
}

}  // namespace

sword raise(OCIError *err, sb4 code, std::string_view detail) {
  const OracleError e = known(code, detail);
  return raiseText(err, e.code, e.message);
}

void clearError(OCIError *err) {
  if (err == nullptr) return;
  err->error.code = 0;
  err->error.text.clear();
}

OracleError oracleErrorOf(sqlite3 *db, int rc) {
  const std::string_view msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  const int ext = db ? sqlite3_extended_errcode(db) : rc;
  // The SQL functions word their failures as Oracle errors already.
  constexpr size_t kOraPrefix = 11;  // "ORA-NNNNN: "
  if (startsWith(msg, "ORA-") && msg.size() > kOraPrefix && msg[9] == ':')
    return OracleError{std::atoi(std::string(msg.substr(4, 5)).c_str()), std::string(msg.substr(kOraPrefix))};
  if (startsWith(msg, "no such table") || startsWith(msg, "no such view"))
    return known(942);
  if (startsWith(msg, "no such column: ")) {
    std::string_view name = msg.substr(std::strlen("no such column: "));
    return OracleError{904, quotedIdentifier(name) + ": invalid identifier"};
  }
  if (startsWith(msg, "no such function: ")) {
    std::string_view name = msg.substr(std::strlen("no such function: "));
    return OracleError{904, quotedIdentifier(name) + ": invalid identifier"};
  }
  if (startsWith(msg, "ambiguous column name")) return known(918);
  if (msg.find("already exists") != std::string_view::npos) return known(955);
  if (startsWith(msg, "wrong number of arguments")) return known(909);
  if (msg.find("syntax error") != std::string_view::npos || startsWith(msg, "incomplete input"))
    return OracleError{933, std::string(oracleMessage(933)) + " (" + std::string(msg) + ")"};
  switch (ext & 0xff) {
    case SQLITE_CONSTRAINT:
      if (ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY)
        return known(1, msg);
      if (ext == SQLITE_CONSTRAINT_NOTNULL) return known(1400, msg);
      return known(2290, msg);
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return known(54, msg);
    case SQLITE_NOMEM: return known(4030, msg);
    case SQLITE_INTERRUPT: return known(1013, msg);
    case SQLITE_IOERR: return known(1115, msg);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return known(1578, msg);
    case SQLITE_CANTOPEN: return known(1157, msg);
    case SQLITE_READONLY: return known(16000, msg);
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG: return known(932, msg);
    default: return known(900, msg);  // statement SQLite cannot compile or run
  }
}

sword raiseSqlite(OCIError *err, sqlite3 *db, int rc) {
  const OracleError e = oracleErrorOf(db, rc);
  return raiseText(err, e.code, e.message);
}

}  // namespace ocilite
