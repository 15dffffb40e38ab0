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

int runText(const std::string &db, const std::string &script) {
  std::string message;
  if (runScript(db, script, &message) != 0) {
    std::fprintf(stderr, "ocilite: %s: %s\n", db.c_str(), message.c_str());
    return 1;
  }
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
  if (what == "--demo") {
    std::remove(db.c_str());
    return runText(db, std::string(demoScript()));
  }
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
  return runText(db, text.str());
}
