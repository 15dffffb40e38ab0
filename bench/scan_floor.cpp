// Scan cost of the stand-in client against the raw SQLite floor, in one
// process: the same table read every column as text, first straight through
// SQLite (sqlite3_column_text), then through the OCI calls the program makes
// (logon, prepare, execute, a SQLT_CHR define per column, array fetches of
// 1000 rows). Each pass runs REPEATS times, interleaved; the best time of each
// counts.
//   scan_floor DB TABLE [REPEATS]
// prints both times, the ratio OCI / floor, and the row and byte counts of
// each pass (the byte totals differ only where OCI formats a value its own
// way, as dates in the session format).
//   scan_floor --floor DB TABLE
// runs the SQLite pass once, for timing the whole process against others.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "oci.h"

namespace {

// Rows per fetch: the program's default array size.
constexpr ub4 ARRAY_ROWS = 1000;
// Define element of a column that is not character data: wider than any
// number or datetime text the session formats give.
constexpr sb4 TEXT_ELEMENT = 64;
// Most columns a scanned table may have.
constexpr ub4 MAX_SCAN_COLUMNS = 1000;
constexpr int DEFAULT_REPEATS = 3;

struct Totals {
  unsigned long long rows = 0;
  unsigned long long bytes = 0;  // lengths of all values
  unsigned long long touch = 0;  // the last byte of every value, so each is read
};

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The floor: every column of every row as text, straight from SQLite.
bool scanSqlite(const char *path, const std::string &table, Totals *t) {
  sqlite3 *db = nullptr;
  sqlite3_stmt *st = nullptr;
  const std::string sql = "SELECT * FROM \"" + table + "\"";
  bool ok = sqlite3_open_v2(path, &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK;
  if (ok) {
    const int n = sqlite3_column_count(st);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      for (int c = 0; c < n; c++) {
        const unsigned char *p = sqlite3_column_text(st, c);
        const size_t len = static_cast<size_t>(sqlite3_column_bytes(st, c));
        if (p != nullptr && len > 0) {
          t->bytes += len;
          t->touch += p[len - 1];
        }
      }
      t->rows++;
    }
    ok = rc == SQLITE_DONE;
  }
  if (!ok) std::fprintf(stderr, "scan_floor: sqlite: %s\n", sqlite3_errmsg(db));
  sqlite3_finalize(st);
  sqlite3_close(db);
  return ok;
}

// The handles of one OCI session, freed with their environment.
struct Session {
  OCIEnv *env = nullptr;
  OCIError *err = nullptr;
  OCIServer *srv = nullptr;
  OCISvcCtx *svc = nullptr;
  OCISession *ses = nullptr;
  OCIStmt *stmt = nullptr;
  ~Session() {
    if (ses != nullptr) OCISessionEnd(svc, err, ses, OCI_DEFAULT);
    if (srv != nullptr) OCIServerDetach(srv, err, OCI_DEFAULT);
    if (env != nullptr) OCIHandleFree(env, OCI_HTYPE_ENV);
  }
};

bool report(const Session &s, const char *what) {
  text msg[512] = {0};
  sb4 code = 0;
  if (s.err != nullptr) OCIErrorGet(s.err, 1, nullptr, &code, msg, sizeof msg, OCI_HTYPE_ERROR);
  std::fprintf(stderr, "scan_floor: %s failed: %s\n", what, reinterpret_cast<const char *>(msg));
  return false;
}

bool logon(Session *s, const char *path) {
  const char user[] = "bench", pass[] = "bench";
  if (OCIEnvNlsCreate(&s->env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, 0) !=
          OCI_SUCCESS ||
      OCIHandleAlloc(s->env, reinterpret_cast<dvoid **>(&s->err), OCI_HTYPE_ERROR, 0, nullptr) != OCI_SUCCESS ||
      OCIHandleAlloc(s->env, reinterpret_cast<dvoid **>(&s->srv), OCI_HTYPE_SERVER, 0, nullptr) != OCI_SUCCESS ||
      OCIHandleAlloc(s->env, reinterpret_cast<dvoid **>(&s->svc), OCI_HTYPE_SVCCTX, 0, nullptr) != OCI_SUCCESS ||
      OCIHandleAlloc(s->env, reinterpret_cast<dvoid **>(&s->stmt), OCI_HTYPE_STMT, 0, nullptr) != OCI_SUCCESS)
    return report(*s, "handle allocation");
  if (OCIServerAttach(s->srv, s->err, reinterpret_cast<const OraText *>(path), static_cast<sb4>(strlen(path)),
                      OCI_DEFAULT) != OCI_SUCCESS ||
      OCIAttrSet(s->svc, OCI_HTYPE_SVCCTX, s->srv, 0, OCI_ATTR_SERVER, s->err) != OCI_SUCCESS)
    return report(*s, "server attach");
  if (OCIHandleAlloc(s->env, reinterpret_cast<dvoid **>(&s->ses), OCI_HTYPE_SESSION, 0, nullptr) != OCI_SUCCESS ||
      OCIAttrSet(s->ses, OCI_HTYPE_SESSION, const_cast<char *>(user), sizeof user - 1, OCI_ATTR_USERNAME,
                 s->err) != OCI_SUCCESS ||
      OCIAttrSet(s->ses, OCI_HTYPE_SESSION, const_cast<char *>(pass), sizeof pass - 1, OCI_ATTR_PASSWORD,
                 s->err) != OCI_SUCCESS ||
      OCISessionBegin(s->svc, s->err, s->ses, OCI_CRED_RDBMS, OCI_DEFAULT) != OCI_SUCCESS ||
      OCIAttrSet(s->svc, OCI_HTYPE_SVCCTX, s->ses, 0, OCI_ATTR_SESSION, s->err) != OCI_SUCCESS)
    return report(*s, "logon");
  return true;
}

bool run(Session *s, const std::string &sql, ub4 iters) {
  if (OCIStmtPrepare(s->stmt, s->err, reinterpret_cast<const OraText *>(sql.c_str()),
                     static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT) != OCI_SUCCESS ||
      OCIStmtExecute(s->svc, s->stmt, s->err, iters, 0, nullptr, nullptr, OCI_DEFAULT) != OCI_SUCCESS)
    return report(*s, sql.c_str());
  return true;
}

// One column's define: the element array and its per-row arrays.
struct Define {
  sb4 size = 0;
  std::vector<ub1> buf;
  sb2 ind[ARRAY_ROWS];
  ub2 rlen[ARRAY_ROWS];
  ub2 rcode[ARRAY_ROWS];
};

bool defineColumns(Session *s, std::vector<Define> *defs) {
  ub4 count = 0;
  if (OCIAttrGet(s->stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, s->err) != OCI_SUCCESS ||
      count == 0 || count > MAX_SCAN_COLUMNS)
    return report(*s, "describe");
  defs->resize(count);
  for (ub4 c = 0; c < count; c++) {
    OCIParam *param = nullptr;
    ub2 type = 0, size = 0;
    if (OCIParamGet(s->stmt, OCI_HTYPE_STMT, s->err, reinterpret_cast<dvoid **>(&param), c + 1) != OCI_SUCCESS ||
        OCIAttrGet(param, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s->err) != OCI_SUCCESS ||
        OCIAttrGet(param, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, s->err) != OCI_SUCCESS)
      return report(*s, "describe");
    Define &d = (*defs)[c];
    d.size = (type == SQLT_CHR || type == SQLT_AFC) && size > 0 ? size : TEXT_ELEMENT;
    d.buf.resize(static_cast<size_t>(d.size) * ARRAY_ROWS);
    OCIDefine *def = nullptr;
    if (OCIDefineByPos(s->stmt, &def, s->err, c + 1, d.buf.data(), d.size, SQLT_CHR, d.ind, d.rlen, d.rcode,
                       OCI_DEFAULT) != OCI_SUCCESS)
      return report(*s, "define");
  }
  return true;
}

// The same scan through OCI, as the program's job session runs it.
bool scanOci(const char *path, const std::string &table, Totals *t) {
  Session s;
  if (!logon(&s, path) || !run(&s, "ALTER SESSION SET NLS_DATE_FORMAT='YYYY-MM-DD HH24:MI:SS'", 1) ||
      !run(&s, "ALTER SESSION SET NLS_TIMESTAMP_FORMAT='YYYY-MM-DD HH24:MI:SSXFF'", 1) ||
      !run(&s, "select * from " + table, 0))
    return false;
  std::vector<Define> defs;
  if (!defineColumns(&s, &defs)) return false;
  ub4 seen = 0;
  for (;;) {
    const sword status = OCIStmtFetch(s.stmt, s.err, ARRAY_ROWS, OCI_FETCH_NEXT, OCI_DEFAULT);
    if (status != OCI_SUCCESS && status != OCI_NO_DATA) return report(s, "fetch");
    ub4 total = 0;
    if (OCIAttrGet(s.stmt, OCI_HTYPE_STMT, &total, nullptr, OCI_ATTR_ROW_COUNT, s.err) != OCI_SUCCESS)
      return report(s, "row count");
    for (ub4 r = 0; r < total - seen; r++) {
      for (const Define &d : defs) {
        if (d.ind[r] == -1 || d.rlen[r] == 0) continue;
        t->bytes += d.rlen[r];
        t->touch += d.buf[static_cast<size_t>(r) * static_cast<size_t>(d.size) + d.rlen[r] - 1];
      }
    }
    t->rows += total - seen;
    seen = total;
    if (status == OCI_NO_DATA) return true;
  }
}

int usage() {
  std::fprintf(stderr, "usage: scan_floor DB TABLE [REPEATS]\n       scan_floor --floor DB TABLE\n");
  return 2;
}

int floorOnly(const char *path, const std::string &table) {
  Totals t;
  const auto start = std::chrono::steady_clock::now();
  if (!scanSqlite(path, table, &t)) return 1;
  std::printf("sqlite floor: %8.3f s  %llu rows  %llu bytes\n", seconds(start), t.rows, t.bytes);
  return t.touch == 0 && t.bytes > 0 ? 3 : 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 4 && std::strcmp(argv[1], "--floor") == 0) return floorOnly(argv[2], argv[3]);
  if (argc < 3 || argc > 4) return usage();
  const char *path = argv[1];
  const std::string table = argv[2];
  const int repeats = argc == 4 ? std::atoi(argv[3]) : DEFAULT_REPEATS;
  if (repeats < 1) {
    std::fprintf(stderr, "scan_floor: REPEATS must be at least 1\n");
    return 2;
  }
  double floorBest = 1e300, ociBest = 1e300;
  Totals floor, oci;
  for (int i = 0; i < repeats; i++) {
    floor = Totals{};
    auto start = std::chrono::steady_clock::now();
    if (!scanSqlite(path, table, &floor)) return 1;
    floorBest = std::min(floorBest, seconds(start));
    oci = Totals{};
    start = std::chrono::steady_clock::now();
    if (!scanOci(path, table, &oci)) return 1;
    ociBest = std::min(ociBest, seconds(start));
  }
  std::printf("sqlite floor: %8.3f s  %llu rows  %llu bytes\n", floorBest, floor.rows, floor.bytes);
  std::printf("ocilite OCI:  %8.3f s  %llu rows  %llu bytes\n", ociBest, oci.rows, oci.bytes);
  std::printf("OCI / floor:  %8.2f  (target <= 1.30)\n", ociBest / floorBest);
  // Keeps the touched bytes alive.
  return floor.touch + oci.touch == 0 && floor.bytes > 0 ? 3 : 0;
}
