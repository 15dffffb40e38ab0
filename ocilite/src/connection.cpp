// Finding, opening and logging on to a database file.
#include "connection.h"
#include "sqltokens.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "catalog.h"
#include "sqlfuncs.h"

namespace ocilite {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace((unsigned char)s.front())) s.remove_prefix(1);
  while (!s.empty() && std::isspace((unsigned char)s.back())) s.remove_suffix(1);
  return s;
}

bool isFile(const std::string &path) {
  struct stat sb;
  return stat(path.c_str(), &sb) == 0 && S_ISREG(sb.st_mode);
}

// The value of KEY=value inside a connect descriptor, matched without
// regard to case; empty when absent.
std::string descriptorValue(std::string_view desc, std::string_view key) {
  std::string u = upperCase(desc);
  std::string k = upperCase(key);
  k.insert(k.begin(), '(');
  for (size_t at = u.find(k); at != std::string::npos; at = u.find(k, at + 1)) {
    size_t p = at + k.size();
    while (p < u.size() && std::isspace((unsigned char)u[p])) p++;
    if (p >= u.size() || u[p] != '=') continue;
    p++;
    size_t end = desc.find(')', p);
    if (end == std::string_view::npos) end = desc.size();
    return std::string(trim(desc.substr(p, end - p)));
  }
  return {};
}

// NAME, or NAME.db, in the OCILITE_PATH folders or the current folder.
bool findByName(const std::string &name, std::string *path) {
  if (name.empty()) return false;
  if (isFile(name)) {
    *path = name;
    return true;
  }
  if (name.find('/') != std::string::npos) return false;
  const char *env = std::getenv("OCILITE_PATH");
  std::string folders = env && *env ? env : ".";
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string dir = end > start ? folders.substr(start, end - start) : std::string(".");
    for (const std::string &candidate : {dir + "/" + name, dir + "/" + name + ".db"}) {
      if (isFile(candidate)) {
        *path = candidate;
        return true;
      }
    }
    start = end + 1;
  }
  return false;
}

// Runs sql, ignoring rows; 0 or an SQLite code.
int exec(sqlite3 *db, const char *sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

bool hasUsersTable(sqlite3 *db) {
  sqlite3_stmt *st = nullptr;
  bool found = false;
  if (sqlite3_prepare_v2(db,
                         "SELECT 1 FROM sqlite_master WHERE type='table' AND lower(name)=?1",
                         -1, &st, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(st, 1, kUsersTable, -1, SQLITE_STATIC);
    found = sqlite3_step(st) == SQLITE_ROW;
  }
  sqlite3_finalize(st);
  return found;
}

// A user name as Oracle reads it: "quoted" keeps its case, else upper case.
std::string logonName(std::string_view s) {
  s = trim(s);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return std::string(s.substr(1, s.size() - 2));
  return upperCase(s);
}

}  // namespace

Connection::~Connection() {
  if (db != nullptr) sqlite3_close_v2(db);
}

bool resolveConnectText(std::string_view connect, std::string *path, std::string *host,
                        std::string *sid) {
  connect = trim(connect);
  if (connect.empty()) {
    const char *two = std::getenv("TWO_TASK");
    const char *osid = std::getenv("ORACLE_SID");
    const char *fallback = two && *two ? two : osid && *osid ? osid : nullptr;
    return fallback != nullptr && !trim(fallback).empty() && resolveConnectText(fallback, path, host, sid);
  }
  if (connect.front() == '(') {
    std::string name = descriptorValue(connect, "SID");
    if (name.empty()) name = descriptorValue(connect, "SERVICE_NAME");
    *host = descriptorValue(connect, "HOST");
    *sid = name;
    return findByName(name, path);
  }
  std::string name(connect);
  if (findByName(name, path)) {
    *sid = name;
    return true;
  }
  // Easy-connect form [//]host[:port]/service: the service names the file.
  size_t slash = name.rfind('/');
  if (slash != std::string::npos && slash + 1 < name.size()) {
    std::string service = name.substr(slash + 1);
    std::string hostPart = name.substr(0, slash);
    while (!hostPart.empty() && hostPart.front() == '/') hostPart.erase(0, 1);
    if (findByName(service, path)) {
      *host = hostPart.substr(0, hostPart.find(':'));
      *sid = service;
      return true;
    }
  }
  return false;
}

int openConnection(Connection *conn, const std::string &path) {
  int rc = sqlite3_open_v2(path.c_str(), &conn->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(conn->db);
    conn->db = nullptr;
    rc = sqlite3_open_v2(path.c_str(), &conn->db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) return rc;
  }
  conn->path = path;
  sqlite3_extended_result_codes(conn->db, 1);
  // Workers of a parallel unload read the same file at once.
  sqlite3_busy_timeout(conn->db, 10000);
  if ((rc = exec(conn->db, "SELECT count(*) FROM sqlite_master")) != SQLITE_OK) return rc;
  if ((rc = registerSqlFunctions(conn)) != SQLITE_OK) return rc;
  if ((rc = registerFaultFunctions(conn)) != SQLITE_OK) return rc;
  rc = exec(conn->db,
            "CREATE TEMP TABLE DUAL (DUMMY VARCHAR2(1));"
            "INSERT INTO temp.DUAL VALUES ('X');"
            "CREATE TEMP VIEW \"V$INSTANCE\" AS SELECT"
            " SYS_CONTEXT('USERENV','SERVER_HOST') AS HOST_NAME,"
            " SYS_CONTEXT('USERENV','INSTANCE_NAME') AS INSTANCE_NAME;"
            // The parameters the session changes and the stand-in keeps.
            "CREATE TEMP VIEW NLS_SESSION_PARAMETERS AS"
            " SELECT 'NLS_DATE_FORMAT' AS PARAMETER, OCILITE_SESSION_PARAMETER('NLS_DATE_FORMAT') AS VALUE"
            " UNION ALL SELECT 'NLS_TIMESTAMP_FORMAT', OCILITE_SESSION_PARAMETER('NLS_TIMESTAMP_FORMAT')"
            " UNION ALL SELECT 'NLS_TIMESTAMP_TZ_FORMAT', OCILITE_SESSION_PARAMETER('NLS_TIMESTAMP_TZ_FORMAT');");
  if (rc != SQLITE_OK) return rc;
  if ((rc = createDictionary(conn)) != SQLITE_OK) return rc;
  compileDateFormat(kDefaultDateFormat, &conn->dateFormat);
  compileDateFormat(kDefaultTimestampFormat, &conn->timestampFormat);
  compileDateFormat(kDefaultTimestampTzFormat, &conn->timestampTzFormat);
  return SQLITE_OK;
}

int checkLogon(Connection *conn, std::string_view user, std::string_view password, bool external,
               bool sysdba, std::string *loggedOn) {
  // Fault injection: OCILITE_LOGON_ERROR=NNNNN makes every logon fail with ORA-NNNNN.
  if (const char *forced = std::getenv("OCILITE_LOGON_ERROR"); forced && std::atoi(forced) > 0)
    return std::atoi(forced);
  const bool users = hasUsersTable(conn->db);
  std::string name;
  int result = 0;
  if (sysdba) {
    name = "SYS";
  } else if (external) {
    const char *configured = std::getenv("OCILITE_EXTERNAL_USER");
    if (configured && *configured) {
      name = logonName(configured);
    } else if (users) {
      sqlite3_stmt *st = nullptr;
      std::string sql = std::string("SELECT name FROM ") + kUsersTable + " WHERE external=1 LIMIT 1";
      if (sqlite3_prepare_v2(conn->db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
          sqlite3_step(st) == SQLITE_ROW)
        name = upperCase((const char *)sqlite3_column_text(st, 0));
      sqlite3_finalize(st);
      if (name.empty()) result = 1017;
    } else {
      const char *os = std::getenv("USER");
      name = "OPS$" + upperCase(os && *os ? os : "ORACLE");
    }
  } else {
    name = logonName(user);
    if (name.empty()) {
      result = 1017;
    } else if (users) {
      sqlite3_stmt *st = nullptr;
      std::string sql = std::string("SELECT password FROM ") + kUsersTable + " WHERE upper(name)=upper(?1)";
      result = 1017;
      if (sqlite3_prepare_v2(conn->db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(st) == SQLITE_ROW) {
          const char *stored = (const char *)sqlite3_column_text(st, 0);
          if (upperCase(stored ? stored : "") == upperCase(logonName(password))) result = 0;
        }
      }
      sqlite3_finalize(st);
    }
  }
  if (result != 0) return result;
  conn->user = name;
  conn->schemas = {name, "SYS", "SYSTEM", "PUBLIC"};
  if (users) {
    sqlite3_stmt *st = nullptr;
    std::string sql = std::string("SELECT upper(name) FROM ") + kUsersTable;
    if (sqlite3_prepare_v2(conn->db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK)
      while (sqlite3_step(st) == SQLITE_ROW) conn->schemas.push_back((const char *)sqlite3_column_text(st, 0));
    sqlite3_finalize(st);
  }
  if (setDictionarySchemas(conn) != SQLITE_OK) return 1017;
  *loggedOn = name;
  return 0;
}

int applySessionSetting(Connection *conn, std::string_view name, std::string_view value) {
  DateFormat *target = name == "NLS_DATE_FORMAT"           ? &conn->dateFormat
                       : name == "NLS_TIMESTAMP_FORMAT"    ? &conn->timestampFormat
                       : name == "NLS_TIMESTAMP_TZ_FORMAT" ? &conn->timestampTzFormat
                                                           : nullptr;
  if (target == nullptr) return 0;
  return compileDateFormat(value, target) ? 0 : 1821;
}

}  // namespace ocilite
