// Fault values, their SQL functions, and the fault environment variables.
#include "faults.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "connection.h"
#include "errors.h"
#include "sqlrewrite.h"
#include "sqlvalues.h"

namespace ocilite {
namespace {

// A fault value: the magic, 'O' (Oracle error) or 'S' (signal), 5 digits.
constexpr char kMagic[] = "\x1fOCILITE FAULT\x1f";
constexpr size_t kMagicSize = sizeof kMagic - 1;
constexpr size_t kNumberDigits = 5;
constexpr size_t kFaultValueSize = kMagicSize + 1 + kNumberDigits;
constexpr int kMaxOracleError = 99999;

struct SignalName {
  const char *name;
  int number;
};

constexpr SignalName kSignals[] = {
    {"SIGKILL", SIGKILL}, {"SIGSEGV", SIGSEGV}, {"SIGTERM", SIGTERM}, {"SIGINT", SIGINT},
    {"SIGABRT", SIGABRT}, {"SIGBUS", SIGBUS},   {"SIGFPE", SIGFPE},   {"SIGILL", SIGILL},
    {"SIGHUP", SIGHUP},   {"SIGQUIT", SIGQUIT}, {"SIGPIPE", SIGPIPE}, {"SIGUSR1", SIGUSR1},
    {"SIGUSR2", SIGUSR2},
};

void resultFault(sqlite3_context *ctx, const RowFault &f) {
  char value[kFaultValueSize + 1];
  std::snprintf(value, sizeof value, "%s%c%05d", kMagic, f.signal ? 'S' : 'O', f.number);
  static_cast<Connection *>(sqlite3_user_data(ctx))->faultValues = true;
  sqlite3_result_blob(ctx, value, (int)kFaultValueSize, SQLITE_TRANSIENT);
}

// ORA_RAISE(code[, marker]): the fault value of ORA-code, or NULL when the
// marker has been used.
void oraRaise(sqlite3_context *ctx, int argc, sqlite3_value **argv) {
  const sqlite3_int64 code = sqlite3_value_int64(argv[0]);
  if (code < 1 || code > kMaxOracleError)
    return sqlite3_result_error(ctx, "ORA-01428: argument is out of range", -1);
  if (argc > 1 && sqlite3_value_type(argv[1]) != SQLITE_NULL && !claimMarker(textOf(argv[1])))
    return sqlite3_result_null(ctx);
  resultFault(ctx, RowFault{false, (int)code});
}

// OCILITE_FAULT_ROW(table, rowid): the fault OCILITE_FAULT names for that
// row, or NULL.
void faultRow(sqlite3_context *ctx, int, sqlite3_value **argv) {
  const Connection *conn = static_cast<Connection *>(sqlite3_user_data(ctx));
  const sqlite3_int64 rowid = sqlite3_value_int64(argv[1]);
  for (const TableFault &f : conn->tableFaults) {
    if (f.rowid != rowid || f.table != textOf(argv[0])) continue;
    if (claimMarker(f.marker)) return resultFault(ctx, f.fault);
  }
  sqlite3_result_null(ctx);
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace((unsigned char)s.front())) s.remove_prefix(1);
  while (!s.empty() && std::isspace((unsigned char)s.back())) s.remove_suffix(1);
  return s;
}

std::string upper(std::string_view s) {
  std::string r(s);
  for (char &c : r) c = (char)std::toupper((unsigned char)c);
  return r;
}

bool parseNumber(std::string_view s, long long *out) {
  if (s.empty() || s.size() > 19) return false;
  std::string text(s);
  char *end = nullptr;
  errno = 0;
  *out = std::strtoll(text.c_str(), &end, 10);
  return errno == 0 && *end == 0 && (std::isdigit((unsigned char)text[0]) || text[0] == '-');
}

// ORA-NNNNN or a signal name; null on success, else what is wrong.
const char *parseFaultKind(std::string_view s, RowFault *f) {
  const std::string u = upper(s);
  if (u.rfind("ORA-", 0) == 0) {
    long long code = 0;
    if (u.size() > 4 + kNumberDigits || !parseNumber(u.substr(4), &code) || code < 1 || code > kMaxOracleError)
      return "the error is not ORA-NNNNN";
    *f = RowFault{false, (int)code};
    return nullptr;
  }
  for (const SignalName &sig : kSignals)
    if (u == sig.name) {
      *f = RowFault{true, sig.number};
      return nullptr;
    }
  return "neither ORA-NNNNN nor a known signal name";
}

const char *parseTableFault(std::string_view entry, TableFault *f) {
  const size_t c1 = entry.find(':'), c2 = entry.find(':', c1 + 1);
  if (c1 == std::string_view::npos || c2 == std::string_view::npos) return "not <fault>:<table>:<rowid>";
  const size_t c3 = entry.find(':', c2 + 1);
  if (const char *why = parseFaultKind(trim(entry.substr(0, c1)), &f->fault)) return why;
  f->table = upper(trim(entry.substr(c1 + 1, c2 - c1 - 1)));
  if (f->table.empty()) return "no table";
  const std::string_view rowid = trim(entry.substr(c2 + 1, c3 == std::string_view::npos ? c3 : c3 - c2 - 1));
  if (!parseNumber(rowid, &f->rowid)) return "the rowid is not a number";
  if (c3 != std::string_view::npos) f->marker = std::string(entry.substr(c3 + 1));
  return nullptr;
}

}  // namespace

std::vector<TableFault> parseTableFaults(std::string_view text) {
  std::vector<TableFault> out;
  while (!text.empty()) {
    const size_t semi = text.find(';');
    const std::string_view entry = trim(text.substr(0, semi));
    text = semi == std::string_view::npos ? std::string_view() : text.substr(semi + 1);
    if (entry.empty()) continue;
    TableFault f;
    if (const char *why = parseTableFault(entry, &f)) {
      std::fprintf(stderr, "ocilite: OCILITE_FAULT entry \"%.*s\" ignored: %s\n", (int)entry.size(), entry.data(),
                   why);
      continue;
    }
    out.push_back(std::move(f));
  }
  return out;
}

int registerFaultFunctions(Connection *conn) {
  // Not deterministic: each row's call must be made, none factored out.
  int rc = SQLITE_OK;
  for (int argc : {1, 2})
    if (rc == SQLITE_OK)
      rc = sqlite3_create_function_v2(conn->db, "ORA_RAISE", argc, SQLITE_UTF8, conn, oraRaise, nullptr, nullptr,
                                      nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_create_function_v2(conn->db, "OCILITE_FAULT_ROW", 2, SQLITE_UTF8, conn, faultRow, nullptr, nullptr,
                                    nullptr);
  return rc;
}

bool watchTableFaults(Connection *conn, Statement *sql) {
  const char *env = std::getenv("OCILITE_FAULT");
  const std::string_view text = env ? env : "";
  if (text != conn->faultText) {
    conn->faultText = text;
    conn->tableFaults = parseTableFaults(text);
  }
  if (sql->fromTable.empty()) return false;
  for (const TableFault &f : conn->tableFaults) {
    if (f.table != sql->fromTable) continue;
    std::string quoted;
    for (char c : f.table) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    sql->sql.insert(sql->fromOffset, ", OCILITE_FAULT_ROW('" + quoted + "', " + sql->fromQualifier + ".rowid) ");
    return true;
  }
  return false;
}

bool rowFault(sqlite3_stmt *st, int columns, RowFault *fault) {
  for (int c = 0; c < columns; c++) {
    if (sqlite3_column_type(st, c) != SQLITE_BLOB || sqlite3_column_bytes(st, c) != (int)kFaultValueSize) continue;
    const char *v = static_cast<const char *>(sqlite3_column_blob(st, c));
    if (std::memcmp(v, kMagic, kMagicSize) != 0) continue;
    fault->signal = v[kMagicSize] == 'S';
    fault->number = std::atoi(std::string(v + kMagicSize + 1, kNumberDigits).c_str());
    return true;
  }
  return false;
}

std::string faultMessage(int code) {
  const std::string_view known = oracleMessage(code);
  if (known != "error") return std::string(known);
  if (code >= 20000 && code <= 20999) return "user-defined error raised at this row";
  return "error raised at this row";
}

void dieOfSignal(const RowFault &fault) {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = SIG_DFL;
  sigemptyset(&sa.sa_mask);
  sigaction(fault.number, &sa, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, fault.number);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  std::fflush(nullptr);
  std::raise(fault.number);
  _exit(128 + fault.number);  // a signal whose default is to be ignored
}

LobFault lobFaultFromEnvironment() {
  LobFault f;
  const char *env = std::getenv("OCILITE_LOB_FAULT");
  if (env == nullptr || *env == 0) return f;
  const std::string_view text = env;
  const size_t colon = text.find(':');
  long long at = 0;
  if (!parseNumber(trim(text.substr(0, colon)), &at) || at < 0) {
    std::fprintf(stderr, "ocilite: OCILITE_LOB_FAULT \"%s\" ignored: not <bytes>[:<marker>]\n", env);
    return f;
  }
  f.armed = true;
  f.at = (size_t)at;
  if (colon != std::string_view::npos) f.marker = std::string(text.substr(colon + 1));
  return f;
}

bool claimMarker(const std::string &marker) {
  if (marker.empty()) return true;
  const int fd = open(marker.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd >= 0) {
    close(fd);
    return true;
  }
  if (errno == EEXIST) return false;
  std::fprintf(stderr, "ocilite: fault marker %s cannot be created (%s); the fault fires anyway\n", marker.c_str(),
               std::strerror(errno));
  return true;
}

}  // namespace ocilite
