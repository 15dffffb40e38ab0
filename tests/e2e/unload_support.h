// End-to-end unloads: a fresh stand-in database per test, the real program
// run in a temp folder, and golden files under tests/data/unload.
#ifndef QUILLET2_TESTS_E2E_UNLOAD_SUPPORT_H
#define QUILLET2_TESTS_E2E_UNLOAD_SUPPORT_H

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/process.h"

namespace unloadtest {

namespace fs = std::filesystem;
using testsupport::RunResult;

inline size_t countLines(const std::string &s) { return static_cast<size_t>(std::count(s.begin(), s.end(), '\n')); }

class Unload : public testsupport::DemoDbTest {
 protected:
  // A table NAME(ID NUMBER, NAME VARCHAR2(20)) of rows rows: ID 1..rows,
  // NAME 'name-<id>'.
  void numberedTable(const std::string &name, int rows) {
    std::string sql = "CREATE TABLE " + name + " (ID NUMBER(10), NAME VARCHAR2(20));\n";
    for (int i = 1; i <= rows; ++i) {
      sql += "INSERT INTO " + name + " VALUES (" + std::to_string(i) + ", 'name-" + std::to_string(i) + "');\n";
    }
    script(sql);
  }

  // Runs quillet2 with args in the test folder; q2 logs on to the database.
  RunResult run(std::vector<std::string> args, const std::string &in = "") {
    args.insert(args.begin(), QUILLET2_BIN);
    return testsupport::runChecked(args, in, dir);
  }
  RunResult q2(std::vector<std::string> args, const std::string &user = "scott/tiger") {
    args.insert(args.begin(), "user=" + user + "@" + db);
    return run(args);
  }

  // Compares with tests/data/unload/NAME; QUILLET2_UPDATE_GOLDEN=1 rewrites
  // the golden file instead (to be reviewed before committing).
  void expectGolden(const std::string &name, const std::string &actual) {
    fs::path golden = fs::path(TEST_DATA_DIR) / "unload" / name;
    const char *update = getenv("QUILLET2_UPDATE_GOLDEN");
    if (update != nullptr && update[0] == '1') testsupport::writeFile(golden, actual);
    std::string want = testsupport::readFile(golden);
    EXPECT_TRUE(want == actual) << name << ": got " << actual.size() << " bytes, want " << want.size()
                                << "\n" << actual.substr(0, 2000);
  }
};

}  // namespace unloadtest

#endif  // QUILLET2_TESTS_E2E_UNLOAD_SUPPORT_H
