// Prepare, bind, execute, describe, define and array fetch.
#include "statement.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "convert.h"
#include "errors.h"
#include "faults.h"
#include "lobstream.h"
#include "sqltokens.h"

using namespace ocilite;

namespace {

// Appends the statement text and a line feed to the OCILITE_TRACE file.
void traceStatement(const std::string &text) {
  const char *path = std::getenv("OCILITE_TRACE");
  if (path == nullptr || *path == 0) return;
  FILE *f = std::fopen(path, "ab");
  if (f == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fputc('\n', f);
  std::fclose(f);
}

void closeCursor(OCIStmt *stmt) {
  if (stmt->st != nullptr) sqlite3_finalize(stmt->st);
  stmt->st = nullptr;
  for (sqlite3_stmt *read : stmt->lobReads) sqlite3_finalize(read);
  stmt->lobReads.clear();
  sqlite3_finalize(stmt->heldSt);
  stmt->heldSt = nullptr;
  stmt->rowPending = false;
}

void resetResults(OCIStmt *stmt) {
  closeCursor(stmt);
  stmt->columns.clear();
  stmt->params.clear();
  stmt->exhausted = false;
  stmt->rowCount = 0;
  stmt->rowsFetched = 0;
}

// The first keyword of a statement, upper case.
std::string firstWord(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    if (std::isspace((unsigned char)s[i]) || s[i] == '(') {
      i++;
    } else if (s.substr(i, 2) == "--") {
      while (i < s.size() && s[i] != '\n') i++;
    } else if (s.substr(i, 2) == "/*") {
      size_t end = s.find("*/", i + 2);
      i = end == std::string_view::npos ? s.size() : end + 2;
    } else {
      break;
    }
  }
  size_t start = i;
  while (i < s.size() && (std::isalnum((unsigned char)s[i]) || s[i] == '_')) i++;
  return upperCase(s.substr(start, i - start));
}

// True when sql holds only blanks and comments.
bool blankSql(const char *sql) {
  for (const char *p = sql; *p;) {
    if (std::isspace((unsigned char)*p)) {
      p++;
    } else if (p[0] == '-' && p[1] == '-') {
      while (*p && *p != '\n') p++;
    } else if (p[0] == '/' && p[1] == '*') {
      const char *end = std::strstr(p + 2, "*/");
      p = end ? end + 2 : p + std::strlen(p);
    } else {
      return false;
    }
  }
  return true;
}

// Oracle upper-cases names that were not written as "quoted" aliases.
std::string columnName(const std::string &sql, const char *name) {
  std::string n = name ? name : "";
  if (sql.find("\"" + n + "\"") != std::string::npos) return n;
  return upperCase(n);
}

// True for the ROWID pseudo-column of a table of the file, which is
// described as ROWID and fetched as its ROWID text.
bool describeRowid(OCIStmt *stmt, int c, Column *col) {
  sqlite3_stmt *st = stmt->st;
  const char *origin = sqlite3_column_origin_name(st, c);
  const char *table = sqlite3_column_table_name(st, c);
  const char *schema = sqlite3_column_database_name(st, c);
  if (origin == nullptr || table == nullptr || schema == nullptr || std::strcmp(origin, "rowid") != 0 ||
      std::strcmp(schema, "main") != 0)
    return false;
  col->rowids = rowidObjects(stmt->conn->db, table);
  return col->rowids && typeFromDeclaration("ROWID", &col->type);
}

void describeColumns(OCIStmt *stmt) {
  sqlite3_stmt *st = stmt->st;
  const int n = sqlite3_column_count(st) - stmt->hiddenColumns;
  stmt->columns.resize((size_t)n);
  for (int c = 0; c < n; c++) {
    Column &col = stmt->columns[(size_t)c];
    col.name = columnName(stmt->sql.sql, sqlite3_column_name(st, c));
    if (!col.lobColumn.empty()) continue;  // typed before its column was replaced
    if (describeRowid(stmt, c, &col)) continue;
    const char *decl = sqlite3_column_decltype(st, c);
    if (decl == nullptr || !typeFromDeclaration(decl, &col.type))
      col.type = stmt->rowPending ? typeFromValue(st, c) : ColumnType{};
  }
}

// The columns of table with the kinds of its datetime columns, for the
// conversion of character values put into them (textdates.h).
std::vector<ColumnKind> columnKinds(sqlite3 *db, const std::string &table) {
  std::vector<ColumnKind> out;
  sqlite3_stmt *st = nullptr;
  char *sql = sqlite3_mprintf("PRAGMA table_info(\"%w\")", table.c_str());
  if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK) {
    while (sqlite3_step(st) == SQLITE_ROW) {
      ColumnKind c;
      c.name = reinterpret_cast<const char *>(sqlite3_column_text(st, 1));
      const unsigned char *decl = sqlite3_column_text(st, 2);
      ColumnType type;
      if (decl != nullptr && typeFromDeclaration(reinterpret_cast<const char *>(decl), &type)) {
        c.kind = type.kind == ValueKind::Date          ? DatetimeKind::Date
                 : type.kind == ValueKind::Timestamp   ? DatetimeKind::Timestamp
                 : type.kind == ValueKind::TimestampTz ? DatetimeKind::TimestampTz
                                                       : DatetimeKind::None;
        c.digits = type.scale;
      }
      out.push_back(std::move(c));
    }
  }
  sqlite3_finalize(st);
  sqlite3_free(sql);
  return out;
}

// Binds every placeholder of st (stmt's) from element `iteration` of its bind.
sword bindAll(OCIStmt *stmt, sqlite3_stmt *st, ub4 iteration, OCIError *err) {
  const int count = sqlite3_bind_parameter_count(st);
  for (int idx = 1; idx <= count; idx++) {
    const char *pname = sqlite3_bind_parameter_name(st, idx);
    OCIBind *bind = nullptr;
    for (auto &b : stmt->binds)
      if (b && pname && b->name == pname + 1) bind = b.get();
    if (bind == nullptr) return raise(err, 1008);
    const char *p = static_cast<const char *>(bind->value) + (size_t)iteration * (size_t)bind->size;
    if ((bind->ind && bind->ind[iteration] == -1) || bind->value == nullptr) {
      sqlite3_bind_null(st, idx);
      continue;
    }
    int rc = SQLITE_OK;
    switch (bind->dty) {
      case SQLT_CHR:
      case SQLT_AFC:
      case SQLT_STR: {
        size_t len = bind->dty == SQLT_STR ? strnlen(p, (size_t)bind->size)
                     : bind->alen            ? bind->alen[iteration]
                                             : (size_t)bind->size;
        if (len && stmt->env->fromClient.active()) {
          transcode(stmt->env->fromClient, std::string_view(p, len), &stmt->scratch);
          p = stmt->scratch.data();
          len = stmt->scratch.size();
        }
        // Oracle holds no empty strings: an empty value binds NULL.
        rc = len ? sqlite3_bind_text(st, idx, p, (int)len, SQLITE_TRANSIENT) : sqlite3_bind_null(st, idx);
        break;
      }
      case SQLT_BIN:
      case SQLT_LBI: {
        size_t len = bind->alen ? bind->alen[iteration] : (size_t)bind->size;
        rc = len ? sqlite3_bind_blob(st, idx, p, (int)len, SQLITE_TRANSIENT) : sqlite3_bind_null(st, idx);
        break;
      }
      case SQLT_INT:
      case SQLT_UIN: {
        sqlite3_int64 v = 0;
        const bool u = bind->dty == SQLT_UIN;
        switch (bind->size) {
          case 1: v = u ? (sqlite3_int64) * (const uint8_t *)p : *(const int8_t *)p; break;
          case 2: { int16_t x; uint16_t y; std::memcpy(&x, p, 2); std::memcpy(&y, p, 2); v = u ? y : x; break; }
          case 4: { int32_t x; uint32_t y; std::memcpy(&x, p, 4); std::memcpy(&y, p, 4); v = u ? (sqlite3_int64)y : x; break; }
          case 8: std::memcpy(&v, p, 8); break;
          default: return raise(err, 932);
        }
        rc = sqlite3_bind_int64(st, idx, v);
        break;
      }
      case SQLT_FLT:
      case SQLT_BFLOAT:
      case SQLT_BDOUBLE: {
        double v;
        if (bind->size == sizeof(float)) {
          float f;
          std::memcpy(&f, p, sizeof f);
          v = f;
        } else if (bind->size == sizeof(double)) {
          std::memcpy(&v, p, sizeof v);
        } else {
          return raise(err, 932);
        }
        rc = sqlite3_bind_double(st, idx, v);
        break;
      }
      default:
        return raise(err, 932);
    }
    if (rc != SQLITE_OK) return raiseSqlite(err, sqlite3_db_handle(st), rc);
  }
  return OCI_SUCCESS;
}

struct ActiveDefine {
  const OCIDefine *def;
  int col;
  bool streamed;  // a LOB column read in place (lobstream.h)
  const RowidObjects *rowids;  // the ROWID pseudo-column, else null
};

// The defines a fetch fills, checked against the columns.
sword activeDefines(OCIStmt *stmt, OCIError *err, std::vector<ActiveDefine> *active) {
  active->reserve(stmt->defines.size());
  for (size_t i = 0; i < stmt->defines.size(); i++) {
    const OCIDefine *d = stmt->defines[i].get();
    if (d == nullptr) continue;
    if (i >= stmt->columns.size()) return raise(err, 1007);
    if (!isSupportedDefineType(d->dty)) return raise(err, 932);
    if (d->value == nullptr) return raise(err, 24374);
    const Column &column = stmt->columns[i];
    active->push_back({d, (int)i, !column.lobColumn.empty(), column.rowids ? &*column.rowids : nullptr});
  }
  if (active->empty()) return raise(err, 24374);
  if (stmt->heldSt != nullptr) {
    settleLobReading(stmt);
    for (ActiveDefine &a : *active) a.streamed = !stmt->columns[(size_t)a.col].lobColumn.empty();
  }
  return OCI_SUCCESS;
}

// What the elements of one fetch came to.
struct FetchOutcome {
  bool truncated = false, nullNoInd = false;
  sb4 failed = 0;  // an Oracle error number; -1 for an SQLite failure already raised
};

// Puts the statement's current row into element r of every define.
void putRow(OCIStmt *stmt, const std::vector<ActiveDefine> &active, ub4 r, const FetchContext &ctx, FetchOutcome *o) {
  for (const ActiveDefine &a : active) {
    sb4 code = 0;
    const Outcome put = a.streamed ? putStreamedColumn(stmt, *a.def, r, a.col, ctx, &code)
                        : a.rowids ? putRowid(*a.def, r, stmt->st, a.col, *a.rowids, &code)
                                   : putElement(*a.def, r, stmt->st, a.col, stmt->columns[(size_t)a.col].type, ctx, &code);
    if (put == Outcome::Truncated) o->truncated = true;
    if (put == Outcome::NullNoInd) o->nullNoInd = true;
    if (put == Outcome::Failed) o->failed = code;
  }
}

// The status a fetch of r rows (of nrows asked for) ends with.
sword fetchStatus(OCIStmt *stmt, OCIError *err, const FetchOutcome &o, ub4 r, ub4 nrows) {
  if (stmt->exhausted || o.failed != 0) {
    closeCursor(stmt);
    stmt->exhausted = true;
  }
  if (o.failed > 0) return raise(err, o.failed);
  if (o.failed < 0) return OCI_ERROR;
  if (o.nullNoInd) return raise(err, 1405);
  if (o.truncated) {
    raise(err, 24345);
    return OCI_SUCCESS_WITH_INFO;
  }
  return r < nrows ? OCI_NO_DATA : OCI_SUCCESS;
}

sword fetchRows(OCIStmt *stmt, OCIError *err, ub4 nrows) {
  stmt->rowsFetched = 0;
  if (stmt->st == nullptr) return stmt->exhausted ? OCI_NO_DATA : raise(err, 1002);
  if (nrows == 0) {  // a fetch of no rows cancels the cursor
    closeCursor(stmt);
    stmt->exhausted = true;
    return OCI_SUCCESS;
  }
  std::vector<ActiveDefine> active;
  if (const sword rc = activeDefines(stmt, err, &active); rc != OCI_SUCCESS) return rc;
  const FetchContext ctx{stmt->conn, &stmt->env->toClient, &stmt->env->toClientN, &stmt->scratch};
  FetchOutcome outcome;
  RowFault fault;
  bool faulted = false;
  ub4 r = 0;
  while (r < nrows && outcome.failed == 0) {
    if (!stmt->rowPending) {
      const int rc = sqlite3_step(stmt->st);
      if (rc == SQLITE_DONE) {
        stmt->exhausted = true;
        break;
      }
      if (rc != SQLITE_ROW) {
        raiseSqlite(err, sqlite3_db_handle(stmt->st), rc);
        outcome.failed = -1;
        break;
      }
    }
    stmt->rowPending = false;
    if (stmt->conn->faultValues && rowFault(stmt->st, sqlite3_column_count(stmt->st), &fault)) {
      faulted = true;  // the row is dropped; the next fetch goes on after it
      break;
    }
    putRow(stmt, active, r, ctx, &outcome);
    if (outcome.failed == 0) r++;
  }
  stmt->rowsFetched = r;
  stmt->rowCount += r;
  if (faulted) {
    if (fault.signal) dieOfSignal(fault);
    return raiseText(err, fault.number, faultMessage(fault.number));
  }
  return fetchStatus(stmt, err, outcome, r, nrows);
}

sword executeQuery(OCIStmt *stmt, OCIError *err, ub4 iters, ub4 mode) {
  sword rc = bindAll(stmt, stmt->st, 0, err);
  if (rc == OCI_SUCCESS && stmt->heldSt != nullptr) rc = bindAll(stmt, stmt->heldSt, 0, err);
  if (rc != OCI_SUCCESS) {
    closeCursor(stmt);
    return rc;
  }
  int step = sqlite3_step(stmt->st);
  if (step == SQLITE_ROW) {
    stmt->rowPending = true;
  } else if (step == SQLITE_DONE) {
    stmt->exhausted = true;
  } else {
    rc = raiseSqlite(err, stmt->conn->db, step);
    closeCursor(stmt);
    return rc;
  }
  describeColumns(stmt);
  if (stmt->exhausted) closeCursor(stmt);
  if (iters > 0 && (mode & OCI_DESCRIBE_ONLY) == 0 && !stmt->defines.empty()) return fetchRows(stmt, err, iters);
  return OCI_SUCCESS;
}

sword executeDml(OCIStmt *stmt, OCIError *err, ub4 iters, ub4 rowoff) {
  if (iters == 0) {
    closeCursor(stmt);
    return raise(err, 24333);
  }
  sqlite3 *db = stmt->conn->db;
  for (ub4 it = rowoff; it < iters; it++) {
    sqlite3_reset(stmt->st);
    sword rc = bindAll(stmt, stmt->st, it, err);
    if (rc != OCI_SUCCESS) {
      closeCursor(stmt);
      return rc;
    }
    int step;
    while ((step = sqlite3_step(stmt->st)) == SQLITE_ROW) {}
    if (step != SQLITE_DONE) {
      rc = raiseSqlite(err, db, step);
      closeCursor(stmt);
      return rc;
    }
    stmt->rowCount += (ub4)sqlite3_changes(db);
  }
  closeCursor(stmt);
  return OCI_SUCCESS;
}

}  // namespace

namespace ocilite {

void destroyStatement(OCIStmt *stmt) {
  closeCursor(stmt);
  for (auto &d : stmt->defines)
    if (d) d->magic = 0;
  for (auto &b : stmt->binds)
    if (b) b->magic = 0;
  for (auto &p : stmt->params) p->magic = 0;
  delete stmt;
}

void releaseDefine(OCIDefine *def) {
  for (auto &d : def->stmt->defines)
    if (d.get() == def) {
      d->magic = 0;
      d.reset();
      return;
    }
}

void releaseBind(OCIBind *bind) {
  // Binds hold no resources of their own; they go with their statement.
  (void)bind;
}

ub2 statementType(const OCIStmt *stmt) {
  const std::string w = firstWord(stmt->text);
  if (w == "SELECT" || w == "WITH") return OCI_STMT_SELECT;
  if (w == "UPDATE") return OCI_STMT_UPDATE;
  if (w == "DELETE") return OCI_STMT_DELETE;
  if (w == "INSERT") return OCI_STMT_INSERT;
  if (w == "CREATE") return OCI_STMT_CREATE;
  if (w == "DROP") return OCI_STMT_DROP;
  if (w == "ALTER") return OCI_STMT_ALTER;
  if (w == "BEGIN") return OCI_STMT_BEGIN;
  if (w == "DECLARE") return OCI_STMT_DECLARE;
  return 0;
}

}  // namespace ocilite

extern "C" {

sword OCIStmtPrepare(OCIStmt *stmtp, OCIError *errhp, const OraText *stmt, ub4 stmt_len, ub4 language, ub4 mode) {
  (void)language, (void)mode;
  OCIStmt *s = handleOf<OCIStmt>(stmtp, OCI_HTYPE_STMT);
  OCIError *err = handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
  if (s == nullptr || err == nullptr) return OCI_INVALID_HANDLE;
  clearError(err);
  resetResults(s);
  s->binds.clear();
  s->defines.clear();
  s->text.assign(stmt ? (const char *)stmt : "", stmt ? stmt_len : 0);
  traceStatement(s->text);
  if (s->env->fromClient.active()) {
    std::string utf8;
    transcode(s->env->fromClient, s->text, &utf8);
    s->text = std::move(utf8);
  }
  // The placeholders are known now; schemas are resolved at execute time.
  s->sql = rewriteStatement(s->text, {});
  s->prepared = true;
  return OCI_SUCCESS;
}

sword OCIBindByName(OCIStmt *stmtp, OCIBind **bindp, OCIError *errhp, const OraText *placeholder, sb4 placeh_len,
                    dvoid *valuep, sb4 value_sz, ub2 dty, dvoid *indp, ub2 *alenp, ub2 *rcodep, ub4 maxarr_len,
                    ub4 *curelep, ub4 mode) {
  (void)rcodep, (void)maxarr_len, (void)curelep, (void)mode;
  OCIStmt *s = handleOf<OCIStmt>(stmtp, OCI_HTYPE_STMT);
  OCIError *err = handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
  if (s == nullptr || err == nullptr || bindp == nullptr) return OCI_INVALID_HANDLE;
  clearError(err);
  if (!s->prepared) return raise(err, 24337);
  std::string name = placeholder ? std::string((const char *)placeholder,
                                               placeh_len < 0 ? std::strlen((const char *)placeholder)
                                                              : (size_t)placeh_len)
                                 : std::string();
  if (!name.empty() && name[0] == ':') name.erase(0, 1);
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
  else name = upperCase(name);
  const auto &ph = s->sql.placeholders;
  if (std::find(ph.begin(), ph.end(), name) == ph.end()) return raise(err, 1036);
  OCIBind *b = nullptr;
  for (auto &existing : s->binds)
    if (existing->name == name) b = existing.get();
  if (b == nullptr) {
    s->binds.push_back(std::make_unique<OCIBind>());
    b = s->binds.back().get();
    b->type = OCI_HTYPE_BIND;
    b->env = s->env;
    b->name = name;
  }
  b->value = valuep;
  b->size = value_sz < 0 ? 0 : value_sz;
  b->dty = dty;
  b->ind = static_cast<sb2 *>(indp);
  b->alen = alenp;
  *bindp = b;
  return OCI_SUCCESS;
}

sword OCIStmtExecute(OCISvcCtx *svchp, OCIStmt *stmtp, OCIError *errhp, ub4 iters, ub4 rowoff,
                     const OCISnapshot *snap_in, OCISnapshot *snap_out, ub4 mode) {
  (void)snap_in, (void)snap_out;
  OCISvcCtx *svc = handleOf<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
  OCIStmt *s = handleOf<OCIStmt>(stmtp, OCI_HTYPE_STMT);
  OCIError *err = handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
  if (svc == nullptr || s == nullptr || err == nullptr) return OCI_INVALID_HANDLE;
  clearError(err);
  if (!s->prepared) return raise(err, 24337);
  if (svc->server == nullptr || !svc->server->conn) return raise(err, 3114);
  if (svc->session == nullptr || !svc->session->active) return raise(err, 1012);
  Connection *conn = svc->server->conn.get();
  resetResults(s);
  s->conn = conn;
  s->sql = rewriteStatement(s->text, conn->schemas,
                            [conn](const std::string &table) { return columnKinds(conn->db, table); });
  if (s->sql.refusalCode != 0) return raiseText(err, s->sql.refusalCode, s->sql.refusalMessage);
  s->hiddenColumns = s->sql.kind == StatementKind::Query && watchTableFaults(conn, &s->sql) ? 1 : 0;
  s->rowidColumn = -1;
  switch (s->sql.kind) {
    case StatementKind::Session:
      for (const SessionSetting &set : s->sql.settings) {
        int code = applySessionSetting(conn, set.name, set.value);
        if (code != 0) return raise(err, code);
      }
      return OCI_SUCCESS;
    case StatementKind::Commit:
    case StatementKind::Rollback:
      // Statements commit as they run; an open transaction is ended here.
      if (!sqlite3_get_autocommit(conn->db))
        sqlite3_exec(conn->db, s->sql.kind == StatementKind::Commit ? "COMMIT" : "ROLLBACK", nullptr, nullptr,
                     nullptr);
      return OCI_SUCCESS;
    default: break;
  }
  const char *tail = nullptr;
  int rc = sqlite3_prepare_v2(conn->db, s->sql.sql.c_str(), (int)s->sql.sql.size(), &s->st, &tail);
  if (rc != SQLITE_OK) {
    sword r = raiseSqlite(err, conn->db, rc);
    closeCursor(s);
    return r;
  }
  if (s->st == nullptr) return raise(err, 900);
  // One statement per execute, as Oracle runs it: a second one is refused
  // rather than silently dropped.
  if (!blankSql(tail)) {
    closeCursor(s);
    return raise(err, 911);
  }
  if (sqlite3_column_count(s->st) > 0) {
    streamLobColumns(s);
    return executeQuery(s, err, iters, mode);
  }
  return executeDml(s, err, iters, rowoff);
}

sword OCIParamGet(const dvoid *hndlp, ub4 htype, OCIError *errhp, dvoid **parmdpp, ub4 pos) {
  OCIStmt *s = htype == OCI_HTYPE_STMT ? handleOf<OCIStmt>(hndlp, OCI_HTYPE_STMT) : nullptr;
  OCIError *err = handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
  if (s == nullptr || err == nullptr || parmdpp == nullptr) return OCI_INVALID_HANDLE;
  clearError(err);
  if (pos < 1 || pos > s->columns.size()) return raise(err, 24334);
  s->params.push_back(std::make_unique<OCIParam>());
  OCIParam *p = s->params.back().get();
  p->type = OCI_DTYPE_PARAM;
  p->env = s->env;
  p->column = &s->columns[pos - 1];
  p->position = pos;
  *parmdpp = p;
  return OCI_SUCCESS;
}

sword OCIDefineByPos(OCIStmt *stmtp, OCIDefine **defnp, OCIError *errhp, ub4 position, dvoid *valuep,
                     sb4 value_sz, ub2 dty, dvoid *indp, ub2 *rlenp, ub2 *rcodep, ub4 mode) {
  (void)mode;
  OCIStmt *s = handleOf<OCIStmt>(stmtp, OCI_HTYPE_STMT);
  OCIError *err = handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
  if (s == nullptr || err == nullptr || defnp == nullptr) return OCI_INVALID_HANDLE;
  clearError(err);
  if (position < 1) return raise(err, 24334);
  if (s->defines.size() < position) s->defines.resize(position);
  auto &slot = s->defines[position - 1];
  if (!slot) {
    slot = std::make_unique<OCIDefine>();
    slot->type = OCI_HTYPE_DEFINE;
    slot->env = s->env;
    slot->stmt = s;
  }
  slot->value = static_cast<ub1 *>(valuep);
  slot->size = value_sz < 0 ? 0 : value_sz;
  slot->dty = dty;
  slot->ind = static_cast<sb2 *>(indp);
  slot->rlen = rlenp;
  slot->rcode = rcodep;
  *defnp = slot.get();
  return OCI_SUCCESS;
}

sword OCIStmtFetch(OCIStmt *stmtp, OCIError *errhp, ub4 nrows, ub2 orientation, ub4 mode) {
  (void)mode;
  OCIStmt *s = handleOf<OCIStmt>(stmtp, OCI_HTYPE_STMT);
  OCIError *err = handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
  if (s == nullptr || err == nullptr) return OCI_INVALID_HANDLE;
  clearError(err);
  if (orientation != OCI_FETCH_NEXT && orientation != OCI_DEFAULT) return raise(err, 1002);
  return fetchRows(s, err, nrows);
}

}  // extern "C"
