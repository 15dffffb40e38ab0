// Dictionary views and ROWID functions (see catalog.h).
#include "catalog.h"

#include <algorithm>
#include <cstring>

#include "partitions.h"

namespace ocilite {

namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// Characters of the object, file, block and row fields of a ROWID text.
constexpr int kFieldWidths[4] = {6, 3, 6, 3};
constexpr size_t kRowidLength = 18;
// A table's data object number is this plus its catalog rowid.
constexpr long long kTableObjectBase = 1000;

std::string encodeFields(const long long fields[4]) {
  std::string s;
  for (int f = 0; f < 4; f++) {
    long long v = fields[f];
    std::string part(kFieldWidths[f], 'A');
    for (int k = kFieldWidths[f] - 1; k >= 0 && v > 0; k--, v /= 64) part[k] = kBase64[v % 64];
    s += part;
  }
  return s;
}

// Fields of a ROWID text; false when it is not one.
bool decodeFields(const char *text, size_t n, long long fields[4]) {
  if (n != kRowidLength) return false;
  size_t pos = 0;
  for (int f = 0; f < 4; f++) {
    fields[f] = 0;
    for (int k = 0; k < kFieldWidths[f]; k++, pos++) {
      const char *p = std::strchr(kBase64, text[pos]);
      if (p == nullptr || text[pos] == '\0') return false;
      fields[f] = fields[f] * 64 + (p - kBase64);
    }
  }
  return true;
}

void rowidCreate(sqlite3_context *ctx, int, sqlite3_value **argv) {
  long long fields[4];
  for (int f = 0; f < 4; f++) {
    if (sqlite3_value_type(argv[f + 1]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    fields[f] = sqlite3_value_int64(argv[f + 1]);
  }
  const std::string s = encodeFields(fields);
  sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// ORA_ROWID_VALUE(text, table, cut): the rowid that ROWID text stands for
// in a comparison with table's ROWIDs (rowidcompare.h).
void rowidValue(sqlite3_context *ctx, int, sqlite3_value **argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  const char *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
  const char *table = reinterpret_cast<const char *>(sqlite3_value_text(argv[1]));
  long long fields[4];
  if (text == nullptr || !decodeFields(text, std::strlen(text), fields))
    return sqlite3_result_error(ctx, "ORA-01410: invalid ROWID", -1);
  const std::optional<RowidObjects> objects = rowidObjects(sqlite3_context_db_handle(ctx), table ? table : "");
  if (!objects) {
    const std::string message = std::string("ORA-03001: unimplemented feature: ROWID of ") + (table ? table : "");
    return sqlite3_result_error(ctx, message.c_str(), -1);
  }
  const auto cut = static_cast<RowidCut>(sqlite3_value_int(argv[2]));
  sqlite3_result_int64(ctx, rowidBound(*objects, fields[0], fields[2] * kRowsPerBlock + fields[3], cut));
}

// Highest rowid of the table named by argv[0], 0 when it is empty.
void maxRowid(sqlite3_context *ctx, int, sqlite3_value **argv) {
  const char *name = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
  char *sql = sqlite3_mprintf("SELECT coalesce(max(rowid), 0) FROM main.\"%w\"", name ? name : "");
  sqlite3_stmt *st = nullptr;
  int rc = sqlite3_prepare_v2(sqlite3_context_db_handle(ctx), sql, -1, &st, nullptr);
  sqlite3_free(sql);
  if (rc == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) sqlite3_result_int64(ctx, sqlite3_column_int64(st, 0));
  else sqlite3_result_int64(ctx, 0);
  sqlite3_finalize(st);
}

}  // namespace

std::string rowidText(long long object, long long rowid) {
  const long long fields[4] = {object, 1, rowid / kRowsPerBlock, rowid % kRowsPerBlock};
  return encodeFields(fields);
}

std::optional<RowidObjects> rowidObjects(sqlite3 *db, const std::string &table) {
  RowidObjects objects;
  sqlite3_stmt *st = nullptr;
  bool found = false;
  if (sqlite3_prepare_v2(db, "SELECT rowid FROM main.sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE", -1, &st,
                         nullptr) == SQLITE_OK) {
    sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    found = sqlite3_step(st) == SQLITE_ROW;
    if (found) objects.table = kTableObjectBase + sqlite3_column_int64(st, 0);
  }
  sqlite3_finalize(st);
  if (!found) return std::nullopt;
  st = nullptr;
  if (sqlite3_prepare_v2(db,
                         "SELECT DISTINCT LOW, HIGH, OBJ FROM temp.OCILITE_PARTITION_OBJECTS "
                         "WHERE TABLE_NAME = upper(?1) ORDER BY LOW",
                         -1, &st, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(st) == SQLITE_ROW)
      objects.partitions.push_back(
          {sqlite3_column_int64(st, 0), sqlite3_column_int64(st, 1), sqlite3_column_int64(st, 2)});
  }
  sqlite3_finalize(st);
  return objects;
}

long long rowidBound(const RowidObjects &objects, long long object, long long rowid, RowidCut cut) {
  // The table's segments in data object order, which is rowid order.
  std::vector<RowidObjects::Partition> segments = objects.partitions;
  if (segments.empty()) segments.push_back({kFirstRowid, kLastRowid, objects.table});
  for (const RowidObjects::Partition &s : segments) {
    if (s.object < object) continue;
    if (s.object > object) return cut == RowidCut::Exact ? kNoRowid : cut == RowidCut::Lower ? s.low : s.low - 1;
    if (cut == RowidCut::Exact) return rowid >= s.low && rowid <= s.high ? rowid : kNoRowid;
    if (cut == RowidCut::Lower) return std::clamp(rowid, s.low, s.high + 1);
    return std::clamp(rowid, s.low - 1, s.high);
  }
  return cut == RowidCut::Exact ? kNoRowid : kAfterEveryRowid;
}

std::string rowidTextOf(const RowidObjects &objects, long long rowid) {
  for (const RowidObjects::Partition &p : objects.partitions)
    if (rowid >= p.low && rowid <= p.high) return rowidText(p.object, rowid);
  return rowidText(objects.table, rowid);
}

int createDictionary(Connection *conn) {
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  int rc = sqlite3_create_function_v2(conn->db, "ROWID_CREATE", 5, flags, nullptr, rowidCreate, nullptr, nullptr,
                                      nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_create_function_v2(conn->db, "ORA_ROWID_VALUE", 3, flags, nullptr, rowidValue, nullptr, nullptr,
                                    nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_create_function_v2(conn->db, "OCILITE_MAX_ROWID", 1, SQLITE_UTF8, nullptr, maxRowid, nullptr,
                                    nullptr, nullptr);
  if (rc != SQLITE_OK) return rc;
  rc = sqlite3_exec(conn->db, "CREATE TEMP TABLE ocilite_schemas (NAME TEXT PRIMARY KEY)", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) rc = createPartitionViews(conn->db);
  if (rc != SQLITE_OK) return rc;
  const std::string rows = std::to_string(kRowsPerBlock);
  const std::string perExtent = std::to_string(kRowsPerBlock * kBlocksPerExtent);
  const std::string blocks = std::to_string(kBlocksPerExtent);
  const std::string tableBase = std::to_string(kTableObjectBase);
  // Tables of the file: the data object number is the catalog's rowid; an
  // empty table still has its first extent. A partitioned table's segments
  // are its partitions'.
  const std::string tables =
      "SELECT s.NAME AS OWNER, upper(m.name) AS NAME, m.name AS REAL_NAME, " + tableBase + " + m.rowid AS OBJ, "
      "EXISTS (SELECT 1 FROM temp.OCILITE_PARTITION_OBJECTS AS p WHERE p.TABLE_NAME = upper(m.name)) AS PARTED "
      "FROM main.sqlite_master AS m, temp.ocilite_schemas AS s "
      "WHERE m.type = 'table' AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
      "AND lower(m.name) NOT LIKE 'ocilite\\_%' ESCAPE '\\'";
  // Partitions: blocks from the one holding LOW to the one holding HIGH.
  const std::string parts = "SELECT OWNER, TABLE_NAME AS NAME, PARTITION_NAME AS PNAME, OBJ, LOW / " + rows +
                            " AS FIRST, HIGH / " + rows + " AS LAST FROM temp.OCILITE_PARTITION_OBJECTS";
  const std::string sql =
      "CREATE TEMP VIEW DBA_OBJECTS AS SELECT OWNER, NAME AS OBJECT_NAME, NULL AS SUBOBJECT_NAME, "
      "'TABLE' AS OBJECT_TYPE, CASE WHEN PARTED THEN NULL ELSE OBJ END AS DATA_OBJECT_ID FROM (" + tables + ") "
      "UNION ALL SELECT OWNER, NAME, PNAME, 'TABLE PARTITION', OBJ FROM (" + parts + ");"
      "CREATE TEMP VIEW DBA_SEGMENTS AS SELECT OWNER, NAME AS SEGMENT_NAME, NULL AS PARTITION_NAME, "
      "'TABLE' AS SEGMENT_TYPE, (OCILITE_MAX_ROWID(REAL_NAME) / " + perExtent + " + 1) * " + blocks +
      " AS BLOCKS FROM (" + tables + ") WHERE NOT PARTED "
      "UNION ALL SELECT OWNER, NAME, PNAME, 'TABLE PARTITION', LAST - FIRST + 1 FROM (" + parts + ");"
      "CREATE TEMP VIEW DBA_EXTENTS AS WITH RECURSIVE ext(OWNER, NAME, I, N) AS ("
      "SELECT OWNER, NAME, 0, OCILITE_MAX_ROWID(REAL_NAME) / " + perExtent + " + 1 FROM (" + tables + ") "
      "WHERE NOT PARTED UNION ALL SELECT OWNER, NAME, I + 1, N FROM ext WHERE I + 1 < N), "
      "pext(OWNER, NAME, PNAME, B, LAST) AS (SELECT OWNER, NAME, PNAME, FIRST, LAST FROM (" + parts + ") "
      "UNION ALL SELECT OWNER, NAME, PNAME, B + " + blocks + ", LAST FROM pext WHERE B + " + blocks + " <= LAST) "
      "SELECT OWNER, NAME AS SEGMENT_NAME, NULL AS PARTITION_NAME, 'TABLE' AS SEGMENT_TYPE, "
      "1 AS RELATIVE_FNO, I * " + blocks + " AS BLOCK_ID, " + blocks + " AS BLOCKS FROM ext "
      "UNION ALL SELECT OWNER, NAME, PNAME, 'TABLE PARTITION', 1, B, min(" + blocks + ", LAST + 1 - B) FROM pext;";
  return sqlite3_exec(conn->db, sql.c_str(), nullptr, nullptr, nullptr);
}

int setDictionarySchemas(Connection *conn) {
  int rc = sqlite3_exec(conn->db, "DELETE FROM temp.ocilite_schemas", nullptr, nullptr, nullptr);
  sqlite3_stmt *st = nullptr;
  if (rc == SQLITE_OK)
    rc = sqlite3_prepare_v2(conn->db, "INSERT OR IGNORE INTO temp.ocilite_schemas VALUES (?1)", -1, &st, nullptr);
  for (size_t i = 0; rc == SQLITE_OK && i < conn->schemas.size(); i++) {
    sqlite3_bind_text(st, 1, conn->schemas[i].c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(st) == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR;
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  return rc;
}

}  // namespace ocilite
