// The partition catalog (see partitions.h).
#include "partitions.h"
#include "sqltokens.h"

#include <cctype>

namespace ocilite {

namespace {

constexpr const char *kCreateCatalog =
    "CREATE TABLE IF NOT EXISTS main.ocilite_partitions (TABLE_NAME TEXT NOT NULL, PARTITION_NAME TEXT NOT NULL, "
    "LOW INTEGER NOT NULL, HIGH INTEGER NOT NULL, PRIMARY KEY (TABLE_NAME, PARTITION_NAME))";

bool catalogExists(sqlite3 *db) {
  sqlite3_stmt *st = nullptr;
  bool found = sqlite3_prepare_v2(db, "SELECT 1 FROM main.sqlite_master WHERE type = 'table' AND name = ?1", -1,
                                  &st, nullptr) == SQLITE_OK &&
               sqlite3_bind_text(st, 1, kPartitionsTable, -1, SQLITE_STATIC) == SQLITE_OK &&
               sqlite3_step(st) == SQLITE_ROW;
  sqlite3_finalize(st);
  return found;
}

// The first column of the first row of sql with text binds a and b, as an
// integer; fallback when there is no row.
long long scalar(sqlite3 *db, const char *sql, const std::string &a, const std::string &b, long long fallback) {
  sqlite3_stmt *st = nullptr;
  long long v = fallback;
  if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(st, 1, a.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_bind_parameter_count(st) >= 2) sqlite3_bind_text(st, 2, b.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL) v = sqlite3_column_int64(st, 0);
  }
  sqlite3_finalize(st);
  return v;
}

}  // namespace

int declarePartition(sqlite3 *db, const std::string &table, const std::string &pname, long long low,
                     long long high, std::string *message) {
  const std::string t = upperCase(table), p = upperCase(pname);
  if (scalar(db, "SELECT count(*) FROM main.sqlite_master WHERE type = 'table' AND upper(name) = ?1", t, t, 0) == 0) {
    *message = "table " + t + " does not exist";
    return 1;
  }
  if (low < 1 || high < low) {
    *message = "partition " + p + ": rows " + std::to_string(low) + ".." + std::to_string(high) +
               " are not a range of rowids from 1";
    return 1;
  }
  if (sqlite3_exec(db, kCreateCatalog, nullptr, nullptr, nullptr) != SQLITE_OK) {
    *message = sqlite3_errmsg(db);
    return 1;
  }
  if (scalar(db, "SELECT count(*) FROM main.ocilite_partitions WHERE TABLE_NAME = ?1", t, t, 0) >= kMaxPartitions) {
    *message = "table " + t + " has " + std::to_string(kMaxPartitions) + " partitions already";
    return 1;
  }
  const std::string range = std::to_string(low) + " AND " + std::to_string(high);
  const std::string overlap = "SELECT PARTITION_NAME FROM main.ocilite_partitions WHERE TABLE_NAME = ?1 AND "
                              "(PARTITION_NAME = ?2 OR (LOW <= " + std::to_string(high) +
                              " AND HIGH >= " + std::to_string(low) + "))";
  sqlite3_stmt *st = nullptr;
  int rc = sqlite3_prepare_v2(db, overlap.c_str(), -1, &st, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(st, 1, t.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, p.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(st) == SQLITE_ROW) {
      const std::string other = reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
      *message = other == p ? "partition " + p + " of " + t + " exists already"
                            : "partition " + p + " overlaps partition " + other + " of " + t;
      sqlite3_finalize(st);
      return 1;
    }
  }
  sqlite3_finalize(st);
  rc = sqlite3_prepare_v2(db, "INSERT INTO main.ocilite_partitions VALUES (?1, ?2, ?3, ?4)", -1, &st, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(st, 1, t.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, p.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(st, 3, low);
    sqlite3_bind_int64(st, 4, high);
    rc = sqlite3_step(st) == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR;
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_OK) {
    *message = sqlite3_errmsg(db);
    return 1;
  }
  return 0;
}

int dropPartitions(sqlite3 *db, const std::string &table) {
  if (!catalogExists(db)) return SQLITE_OK;
  sqlite3_stmt *st = nullptr;
  int rc = sqlite3_prepare_v2(db, "DELETE FROM main.ocilite_partitions WHERE TABLE_NAME = upper(?1)", -1, &st,
                              nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(st) == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR;
  }
  sqlite3_finalize(st);
  return rc;
}

int createPartitionViews(sqlite3 *db) {
  // Without a catalog in the file an empty one in TEMP stands in for it.
  const std::string catalog = catalogExists(db) ? "main.ocilite_partitions" : "temp.ocilite_partitions";
  std::string sql;
  if (!catalogExists(db))
    sql += "CREATE TEMP TABLE ocilite_partitions (TABLE_NAME TEXT, PARTITION_NAME TEXT, LOW INTEGER, HIGH INTEGER);";
  sql += "CREATE TEMP VIEW OCILITE_PARTITION_OBJECTS AS SELECT s.NAME AS OWNER, p.TABLE_NAME, p.PARTITION_NAME, "
         "p.LOW, p.HIGH, " + std::to_string(kPartitionObjectBase) + " + m.rowid * " + std::to_string(kMaxPartitions) +
         " + (SELECT count(*) FROM " + catalog + " AS q WHERE q.TABLE_NAME = p.TABLE_NAME AND q.LOW < p.LOW) AS OBJ "
         "FROM " + catalog + " AS p, main.sqlite_master AS m, temp.ocilite_schemas AS s "
         "WHERE m.type = 'table' AND upper(m.name) = p.TABLE_NAME;";
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

}  // namespace ocilite
