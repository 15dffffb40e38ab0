// ocilite: the stand-in's admin tool.
//   ocilite DB --demo        creates the demo database file DB (replacing it)
//   ocilite DB SCRIPT.sql    runs a SQL script into DB (created when missing)
//   ocilite DB -             reads the script from standard input
//   ocilite DB --generate NAME ROWS
//                            (re)creates table NAME with ROWS generated rows
//   ocilite DB --partition TABLE PNAME LOW HIGH
//                            declares rows LOW..HIGH (rowids) of TABLE partition PNAME
//   ocilite DB --load CONTROLFILE
//                            loads data files as a SQL*Loader control file describes them
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include <sqlite3.h>

#include <cstdint>

#include "demo.h"
#include "generate.h"
#include "loader.h"
#include "partitions.h"
#include "script.h"

extern "C" const char *ocilite_version();

namespace {

int usage() {
  std::fprintf(stderr,
               "%s: the embedded Oracle stand-in's admin tool\n"
               "usage: ocilite DB --demo        create the demo database file DB\n"
               "       ocilite DB SCRIPT.sql    run a SQL script into DB\n"
               "       ocilite DB -             run the script read from standard input\n"
               "       ocilite DB --generate NAME ROWS\n"
               "                                create table NAME with ROWS generated rows\n"
               "       ocilite DB --partition TABLE PNAME LOW HIGH\n"
               "                                declare rows LOW..HIGH (rowids) of TABLE partition PNAME\n"
               "       ocilite DB --load CONTROLFILE\n"
               "                                load the data files a SQL*Loader control file describes\n",
               ocilite_version());
  return 2;
}

// Rows of table.
long long rowCount(sqlite3 *conn, const std::string &table) {
  sqlite3_stmt *st = nullptr;
  long long n = 0;
  char *sql = sqlite3_mprintf("SELECT count(*) FROM \"%w\"", table.c_str());
  if (sqlite3_prepare_v2(conn, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
    n = sqlite3_column_int64(st, 0);
  sqlite3_finalize(st);
  sqlite3_free(sql);
  return n;
}

// Runs script (read from `source`) into db; an error names the source and
// the line of the statement that failed.
int runText(const std::string &db, const std::string &script, const std::string &source) {
  std::string message;
  int line = 0;
  if (runScript(db, script, &line, &message) != 0) {
    if (line > 0) std::fprintf(stderr, "ocilite: %s:%d: %s\n", source.c_str(), line, message.c_str());
    else std::fprintf(stderr, "ocilite: %s: %s\n", db.c_str(), message.c_str());
    return 1;
  }
  return 0;
}

// Makes the demo database and says what it holds.
int makeDemo(const std::string &db) {
  std::remove(db.c_str());
  if (runText(db, std::string(demoScript()), "the demo script") != 0) return 1;
  sqlite3 *conn = nullptr;
  sqlite3_stmt *st = nullptr;
  std::string tables;
  if (sqlite3_open_v2(db.c_str(), &conn, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(conn, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'ocilite%' "
                               "ORDER BY rowid", -1, &st, nullptr) == SQLITE_OK)
    while (sqlite3_step(st) == SQLITE_ROW) {
      const std::string name = reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
      tables += (tables.empty() ? "" : ", ") + name + " (" + std::to_string(rowCount(conn, name)) + " rows)";
    }
  sqlite3_finalize(st);
  sqlite3_close(conn);
  std::printf("ocilite: made %s: tables %s; users SCOTT/TIGER (also the external user) and SYSTEM/MANAGER\n",
              db.c_str(), tables.c_str());
  return 0;
}

// A whole decimal number in min..max, else false.
bool parseCount(const char *s, long long min, long long max, long long *out) {
  char *end = nullptr;
  errno = 0;
  const long long v = std::strtoll(s, &end, 10);
  if (errno != 0 || end == s || *end != '\0' || v < min || v > max) return false;
  *out = v;
  return true;
}

int generate(const std::string &db, const std::string &name, const char *count) {
  long long rows = 0;
  if (!isIdentifier(name) || !parseCount(count, 0, kMaxGeneratedRows, &rows)) {
    std::fprintf(stderr, "ocilite: --generate wants a table name and a row count of 0 to %lld\n",
                 kMaxGeneratedRows);
    return 2;
  }
  std::string message;
  if (generateTable(db, name, rows, &message) != 0) {
    std::fprintf(stderr, "ocilite: %s: %s\n", db.c_str(), message.c_str());
    return 1;
  }
  return 0;
}

int partition(const std::string &db, char **args) {
  long long low = 0, high = 0;
  if (!isIdentifier(args[0]) || !isIdentifier(args[1]) || !parseCount(args[2], 1, INT64_MAX, &low) ||
      !parseCount(args[3], 1, INT64_MAX, &high)) {
    std::fprintf(stderr, "ocilite: --partition wants a table, a partition name and two rowids LOW <= HIGH\n");
    return 2;
  }
  sqlite3 *conn = nullptr;
  std::string message;
  int rc = sqlite3_open_v2(db.c_str(), &conn, SQLITE_OPEN_READWRITE, nullptr);
  if (rc != SQLITE_OK) message = sqlite3_errmsg(conn);
  else rc = ocilite::declarePartition(conn, args[0], args[1], low, high, &message);
  sqlite3_close(conn);
  if (rc != 0) {
    std::fprintf(stderr, "ocilite: %s: %s\n", db.c_str(), message.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 5 && std::strcmp(argv[2], "--generate") == 0) return generate(argv[1], argv[3], argv[4]);
  if (argc == 7 && std::strcmp(argv[2], "--partition") == 0) return partition(argv[1], argv + 3);
  if (argc == 4 && std::strcmp(argv[2], "--load") == 0) return static_cast<int>(loader::runLoad(argv[1], argv[3]));
  if (argc != 3) return usage();
  const std::string db = argv[1], what = argv[2];
  if (what == "--demo") return makeDemo(db);
  std::stringstream text;
  if (what == "-") {
    text << std::cin.rdbuf();
  } else {
    std::ifstream in(what, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "ocilite: cannot read %s\n", what.c_str());
      return 1;
    }
    text << in.rdbuf();
  }
  return runText(db, text.str(), what == "-" ? "standard input" : what);
}
