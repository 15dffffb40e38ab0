// Fault injection for tests: rows whose fetch fails, a signal at a row, and
// LOB reads that fail part-way.
//
// A faulted row carries a fault value, a BLOB no stored value looks like,
// in one of its result columns: ORA_RAISE(code[, marker]) returns it where
// the query calls it, and with OCILITE_FAULT set, a hidden last column
// OCILITE_FAULT_ROW('TABLE', rowid) added to plain queries of a named table
// returns it at the named rowids. The value travels with its row (through
// a sort, too), and the fetch that reaches the row acts on it: the rows
// before it are delivered, the fetch fails with ORA-NNNNN, and the next
// fetch goes on after it; or the process dies of the signal. Rows are only
// scanned for fault values on a connection that has produced one.
//
// A marker file makes a fault once-only across processes: the fault fires
// only when it creates the file, which must not exist yet.
#ifndef OCILITE_FAULTS_H
#define OCILITE_FAULTS_H

#include <sqlite3.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ocilite {

struct Connection;
struct Statement;

struct RowFault {
  bool signal = false;  // die of signal `number` instead of failing the fetch
  int number = 0;       // Oracle error number (1..99999) or signal number
};

// One OCILITE_FAULT entry: <ORA-NNNNN|SIGxxx>:<TABLE>:<rowid>[:<marker>].
struct TableFault {
  RowFault fault;
  std::string table;  // upper case
  long long rowid = 0;
  std::string marker;  // empty: fires every time
};

// The entries of an OCILITE_FAULT text, ';'-separated; a bad entry is
// left out with a one-line warning on stderr.
std::vector<TableFault> parseTableFaults(std::string_view text);

// Registers ORA_RAISE and OCILITE_FAULT_ROW. REQUIRES: conn->db is open and
// conn outlives it. Returns 0 or an SQLite code.
int registerFaultFunctions(Connection *conn);

// Reloads conn's table faults from OCILITE_FAULT and, when sql reads one of
// their tables, appends the hidden fault column to its select list.
// Returns true when the column was added.
bool watchTableFaults(Connection *conn, Statement *sql);

// The fault that a column of st's current row carries, if any.
// REQUIRES: st holds a row of `columns` columns.
bool rowFault(sqlite3_stmt *st, int columns, RowFault *fault);

// A fault's message: Oracle's text, or one of the kind the code belongs to.
std::string faultMessage(int code);

// Kills the process with fault.number, whatever handler it had.
// REQUIRES: fault.signal.
[[noreturn]] void dieOfSignal(const RowFault &fault);

// The LOB fault of OCILITE_LOB_FAULT=<bytes>[:<marker>].
struct LobFault {
  bool armed = false;
  size_t at = 0;  // a read that would pass this many bytes into a LOB fails
  std::string marker;
};

// OCILITE_LOB_FAULT as it is now; a bad value warns and is not armed.
LobFault lobFaultFromEnvironment();

// Oracle error of a failing LOB read: snapshot too old.
constexpr int kLobFaultError = 1555;

// True when a fault with this marker may fire now: no marker, or the
// marker file did not exist and has just been created.
bool claimMarker(const std::string &marker);

}  // namespace ocilite

#endif  // OCILITE_FAULTS_H
