// The table generator: one INSERT over a recursive CTE inside one
// transaction, so a million rows take a few seconds.
#include "generate.h"

#include <sqlite3.h>

#include <cctype>

#include "partitions.h"

namespace {

// Oracle's limit on an identifier.
constexpr size_t kMaxIdentifier = 30;

// The column values as SQLite expressions of the ID i; TABLE stands for the
// table's name. CREATED walks from
// 2001-01-01 by 1 hour, 1 minute and 1 second per row, starting over after
// 8000 years (252460800000 s) so it stays an Oracle DATE; UPDATED lies
// 0..86399 seconds after it, with microseconds.
constexpr const char *kFill =
    "WITH RECURSIVE n(i) AS (SELECT 1 WHERE ?1 >= 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?1) "
    "INSERT INTO \"TABLE\" (rowid, ID, AMOUNT, NAME, NOTE, CREATED, UPDATED) SELECT i, i, "
    "CASE WHEN i % 17 = 0 THEN NULL ELSE ((i * 7919) % 100000000 - 25000000) / 100.0 END, "
    "printf('Name %07d', i), "
    "CASE WHEN i % 10 = 0 THEN NULL ELSE printf('note \"%d\", it''s, %s', i % 977, "
    "substr('alpha,beta,gamma,delta', 1 + i % 7, 3 + i % 11)) END, "
    "datetime(978307200 + i * 3661 % 252460800000, 'unixepoch'), "
    "CASE WHEN i % 13 = 0 THEN NULL ELSE "
    "datetime(978307200 + i * 3661 % 252460800000 + (i * 31) % 86400, 'unixepoch') || printf('.%06d', (i * 7919) % 1000000) END "
    "FROM n";

int fail(sqlite3 *db, std::string *message) {
  *message = sqlite3_errmsg(db);
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return 1;
}

std::string upper(const std::string &s) {
  std::string u = s;
  for (char &c : u) c = (char)std::toupper((unsigned char)c);
  return u;
}

}  // namespace

bool isIdentifier(const std::string &name) {
  if (name.empty() || name.size() > kMaxIdentifier || !std::isalpha((unsigned char)name[0])) return false;
  for (char c : name)
    if (!std::isalnum((unsigned char)c) && c != '_' && c != '$' && c != '#') return false;
  return true;
}

int generateTable(const std::string &path, const std::string &name, long long rows, std::string *message) {
  const std::string table = upper(name);
  sqlite3 *db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) return fail(db, message);
  char *create = sqlite3_mprintf(
      "DROP TABLE IF EXISTS \"%w\";"
      "CREATE TABLE \"%w\" (ID NUMBER(10) NOT NULL, AMOUNT NUMBER(12,2), NAME VARCHAR2(30) NOT NULL, "
      "NOTE VARCHAR2(100), CREATED DATE NOT NULL, UPDATED TIMESTAMP(6))",
      table.c_str(), table.c_str());
  std::string fill = kFill;
  fill.replace(fill.find("TABLE"), 5, table);
  sqlite3_stmt *st = nullptr;
  bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK &&
            ocilite::dropPartitions(db, table) == SQLITE_OK &&
            sqlite3_exec(db, create, nullptr, nullptr, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, fill.c_str(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_bind_int64(st, 1, rows) == SQLITE_OK && sqlite3_step(st) == SQLITE_DONE;
  sqlite3_finalize(st);
  sqlite3_free(create);
  if (!ok || sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) return fail(db, message);
  sqlite3_close(db);
  return 0;
}
