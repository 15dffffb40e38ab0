// One attached database file and the session state kept with it.
#ifndef OCILITE_CONNECTION_H
#define OCILITE_CONNECTION_H

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

#include "datetime.h"
#include "faults.h"

namespace ocilite {

// The stand-in's own table of users: name, password, and a flag for the
// user that external (operating-system) credentials log on as.
constexpr const char *kUsersTable = "ocilite_users";

struct Connection {
  sqlite3 *db = nullptr;
  std::string path;   // the database file
  std::string host;   // HOST of the connect descriptor, if any
  std::string sid;    // SID or name the file was found by
  std::string user;   // logged-on user, upper case; empty before the session
  DateFormat dateFormat;         // NLS_DATE_FORMAT
  DateFormat timestampFormat;    // NLS_TIMESTAMP_FORMAT
  DateFormat timestampTzFormat;  // NLS_TIMESTAMP_TZ_FORMAT
  std::vector<std::string> schemas;  // upper-case names that may qualify a table
  std::string faultText;                // OCILITE_FAULT as tableFaults were read from it
  std::vector<TableFault> tableFaults;
  bool faultValues = false;             // a fault value was produced: fetches scan rows for them

  ~Connection();
};

// Finds the database file a connect text names: an existing path; else NAME
// or NAME.db in the OCILITE_PATH folders (or the current folder); a connect
// descriptor by its SID (or SERVICE_NAME), remembering its first HOST; an
// empty text by TWO_TASK, then ORACLE_SID. False when nothing is found.
bool resolveConnectText(std::string_view connect, std::string *path, std::string *host,
                        std::string *sid);

// Opens path and prepares the connection: DUAL and V$INSTANCE, the SQL
// functions of sqlfuncs.h, default NLS formats. Returns 0 or an SQLite code.
int openConnection(Connection *conn, const std::string &path);

// Checks a logon against the users table. user is as given (quotes allowed);
// on success *loggedOn is the upper-case user name. Returns 0 or the Oracle
// error number (1017).
int checkLogon(Connection *conn, std::string_view user, std::string_view password, bool external,
               bool sysdba, std::string *loggedOn);

// Applies one ALTER SESSION SET parameter. NLS formats are compiled and kept;
// other parameters are accepted and ignored. Returns 0 or 1821 (bad format).
int applySessionSetting(Connection *conn, std::string_view name, std::string_view value);

}  // namespace ocilite

#endif  // OCILITE_CONNECTION_H
