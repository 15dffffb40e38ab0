// ocilite: the stand-in's admin tool.
//   ocilite DB --demo        creates the demo database file DB (replacing it)
//   ocilite DB SCRIPT.sql    runs a SQL script into DB (created when missing)
//   ocilite DB -             reads the script from standard input
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "demo.h"
#include "script.h"

extern "C" const char *ocilite_version();

namespace {

int usage() {
  std::fprintf(stderr,
               "%s: the embedded Oracle stand-in's admin tool\n"
               "usage: ocilite DB --demo        create the demo database file DB\n"
               "       ocilite DB SCRIPT.sql    run a SQL script into DB\n"
               "       ocilite DB -             run the script read from standard input\n",
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

}  // namespace

int main(int argc, char **argv) {
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
