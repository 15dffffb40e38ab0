// Streamed LOB columns: the query rewrite and the per-row values.
#include "lobstream.h"

#include <cassert>
#include <cctype>
#include <cstring>

namespace ocilite {
namespace {

constexpr sb4 kReadFailed = 1115;  // IO error reading block from file

std::string quoted(std::string_view name) {
  std::string r = "\"";
  for (char c : name) r += c == '"' ? std::string("\"\"") : std::string(1, c);
  return r + "\"";
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (std::toupper((unsigned char)a[i]) != std::toupper((unsigned char)b[i])) return false;
  return true;
}

// The columns of table in declaration order: what '*' selects.
std::vector<std::string> tableColumns(sqlite3 *db, const std::string &table) {
  std::vector<std::string> out;
  sqlite3_stmt *q = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info(?1, 'main') ORDER BY cid", -1, &q, nullptr) ==
      SQLITE_OK) {
    sqlite3_bind_text(q, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(q) == SQLITE_ROW) out.emplace_back((const char *)sqlite3_column_text(q, 0));
  }
  sqlite3_finalize(q);
  return out;
}

// True when result column c of st is a CLOB, NCLOB or BLOB column of table.
bool isLobOfTable(sqlite3_stmt *st, int c, const std::string &table, ColumnType *type) {
  const char *decl = sqlite3_column_decltype(st, c);
  const char *tbl = sqlite3_column_table_name(st, c);
  const char *schema = sqlite3_column_database_name(st, c);
  return decl && tbl && schema && std::strcmp(schema, "main") == 0 && sameName(tbl, table) &&
         typeFromDeclaration(decl, type) && (type->code == SQLT_CLOB || type->code == SQLT_BLOB);
}

// The select list of s with its LOB columns replaced; empty when the
// items do not map onto the result columns one by one.
std::string streamedSelectList(OCIStmt *s, const std::vector<Column> &cols, const std::string &table) {
  const Statement &q = s->sql;
  sqlite3_stmt *st = s->st;
  auto typeOf = [&](const std::string &ref, size_t c) {
    return "typeof(" + ref + ") AS " + quoted(sqlite3_column_name(st, (int)c));
  };
  std::string list;
  size_t c = 0;
  for (const SelectItem &item : q.selectItems) {
    if (!list.empty()) list += ", ";
    if (item.kind == SelectItem::Star) {
      const std::vector<std::string> names = tableColumns(s->conn->db, table);
      for (size_t k = 0; k < names.size(); k++, c++) {
        if (c >= cols.size()) return {};
        const std::string ref = q.fromQualifier + "." + quoted(names[k]);
        list += (k ? ", " : "") + (cols[c].lobColumn.empty() ? ref : typeOf(ref, c));
      }
      continue;
    }
    if (c >= cols.size() || (!cols[c].lobColumn.empty() && item.kind != SelectItem::Column)) return {};
    list += cols[c].lobColumn.empty() ? q.sql.substr(item.start, item.end - item.start)
                                      : typeOf(q.sql.substr(item.start, item.refEnd - item.start), c);
    c++;
  }
  return c == cols.size() ? list : std::string();
}

// The cached statement that reads column col of one row of the LOB table.
sqlite3_stmt *inlineRead(OCIStmt *s, int col) {
  if (s->lobReads.size() < s->columns.size()) s->lobReads.resize(s->columns.size(), nullptr);
  sqlite3_stmt *&read = s->lobReads[(size_t)col];
  if (read == nullptr) {
    const std::string sql = "SELECT " + quoted(s->columns[(size_t)col].lobColumn) + " FROM main." +
                            quoted(s->lobTable) + " WHERE rowid = ?1";
    if (sqlite3_prepare_v2(s->conn->db, sql.c_str(), -1, &read, nullptr) != SQLITE_OK) {
      sqlite3_finalize(read);
      read = nullptr;
    }
  }
  return read;
}

}  // namespace

void streamLobColumns(OCIStmt *s) {
  const Statement &q = s->sql;
  if (q.fromTable.empty() || !q.singleTable || q.selectItems.empty()) return;
  const int n = sqlite3_column_count(s->st) - s->hiddenColumns;
  std::vector<Column> cols((size_t)n);
  std::string table;
  for (int c = 0; c < n; c++) {
    ColumnType type;
    if (!isLobOfTable(s->st, c, q.fromTable, &type)) continue;
    cols[(size_t)c].type = type;
    cols[(size_t)c].lobColumn = sqlite3_column_origin_name(s->st, c);
    table = sqlite3_column_table_name(s->st, c);
  }
  if (table.empty()) return;
  const std::string list = streamedSelectList(s, cols, table);
  if (list.empty()) return;
  const SelectItem &last = q.selectItems.back();
  const std::string sql = q.sql.substr(0, q.selectItems.front().start) + list + " " +
                          q.sql.substr(last.end, q.fromOffset - last.end) + ", " + q.fromQualifier + ".rowid " +
                          q.sql.substr(q.fromOffset);
  sqlite3_stmt *streamed = nullptr;
  if (sqlite3_prepare_v2(s->conn->db, sql.c_str(), (int)sql.size(), &streamed, nullptr) != SQLITE_OK) {
    sqlite3_finalize(streamed);
    return;  // the values are held instead
  }
  s->heldSt = s->st;
  s->st = streamed;
  s->columns = std::move(cols);
  s->rowidColumn = n;
  s->hiddenColumns++;
  s->lobTable = table;
}

void settleLobReading(OCIStmt *s) {
  assert(s->heldSt != nullptr && s->rowCount == 0);
  bool locators = false;
  for (size_t i = 0; i < s->defines.size() && i < s->columns.size(); i++) {
    const OCIDefine *d = s->defines[i].get();
    locators |= d && !s->columns[i].lobColumn.empty() && (d->dty == SQLT_CLOB || d->dty == SQLT_BLOB);
  }
  if (locators) {
    sqlite3_finalize(s->heldSt);
  } else {
    // The stepped row of the streamed query is dropped; the query as
    // written starts from its first row.
    sqlite3_finalize(s->st);
    s->st = s->heldSt;
    s->rowPending = false;
    s->rowidColumn = -1;
    s->hiddenColumns--;
    for (Column &c : s->columns) c.lobColumn.clear();
  }
  s->heldSt = nullptr;
}

Outcome putStreamedColumn(OCIStmt *s, const OCIDefine &d, ub4 row, int col, const FetchContext &ctx,
                          sb4 *error) {
  const Column &c = s->columns[(size_t)col];
  const sqlite3_int64 rowid = sqlite3_column_int64(s->st, s->rowidColumn);
  if (d.dty == SQLT_CLOB || d.dty == SQLT_BLOB) {
    const unsigned char *kind = sqlite3_column_text(s->st, col);
    if (kind == nullptr || std::strcmp((const char *)kind, "null") == 0) return putNull(d, row);
    return putStoredLocator(d, row, LobSource{s->conn->db, s->lobTable, c.lobColumn, rowid}, c.type, error);
  }
  sqlite3_stmt *read = inlineRead(s, col);
  if (read == nullptr) {
    *error = kReadFailed;
    return Outcome::Failed;
  }
  sqlite3_reset(read);
  sqlite3_bind_int64(read, 1, rowid);
  switch (sqlite3_step(read)) {
    case SQLITE_ROW: return putElement(d, row, read, 0, c.type, ctx, error);
    case SQLITE_DONE: return putNull(d, row);
    default: *error = kReadFailed; return Outcome::Failed;
  }
}

}  // namespace ocilite
