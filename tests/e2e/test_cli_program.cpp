// The built program's command line: help screens byte for byte, exit
// statuses, parameter files and SQL text from standard input, and inputs far
// beyond every buffer.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/process.h"

namespace {


const std::string BIN = QUILLET2_BIN;
// A connect string no session can be opened with.
const std::string NO_DB = "user=nobody/none@/nonexistent/quillet2/db";

enum class Help { Basic, Extended };

std::string golden(Help h) {
  return testsupport::readFile(std::string(TEST_DATA_DIR) +
                               (h == Help::Basic ? "/cli/help_basic.txt" : "/cli/help_extended.txt"));
}

class Program : public ::testing::Test {
 protected:
  std::filesystem::path dir = testsupport::makeTempDir("q2e2e");
  ~Program() override { std::filesystem::remove_all(dir); }

  testsupport::RunResult run(std::vector<std::string> args, const std::string &in = "") {
    args.insert(args.begin(), BIN);
    return testsupport::runChecked(args, in, dir);
  }
  std::string file(const std::string &name, const std::string &content) {
    testsupport::writeFile(dir / name, content);
    return (dir / name).string();
  }
};

TEST_F(Program, HelpScreens) {
  struct Case {
    std::vector<std::string> args;
    std::string in;
    Help help;
  };
  const Case cases[] = {
      {{}, "", Help::Basic},
      {{"help=YES"}, "", Help::Extended},
      {{"help=ON"}, "", Help::Basic},
      {{"parfile=-"}, "help=YES\n", Help::Extended},
      {{"parfile=-"}, "# help=YES\n", Help::Basic},
      {{"sql=-", "help=yes"}, "/\nselect 1 from dual\n", Help::Extended},  // nothing before the '/'
      {{":a=1", ":b=2", "help=yes"}, "", Help::Extended},
      {{"scott/tiger@orcl", "field=0x09", "text=csv"}, "", Help::Basic},
      // "help=" continued by " YES" joins to "help= YES".
      {{"parfile=" + file("help.par", "help=\n YES\n\n\nfile=out.txt\n")}, "", Help::Extended},
  };
  for (const Case &c : cases) {
    auto r = run(c.args, c.in);
    EXPECT_EQ(r.status, 1) << testing::PrintToString(c.args);
    EXPECT_EQ(testsupport::withBannerTokens(r.out), golden(c.help)) << testing::PrintToString(c.args);
  }
}

// Runs that have a query go on to log on; with no reachable database they end
// with a message and a non-zero status, never with the help screen or a crash.
// So does uncrack= of a missing file.
TEST_F(Program, RunsWithAQueryDoNotShowHelp) {
  struct Case {
    std::vector<std::string> args;
    std::string in;
  };
  const Case cases[] = {
      {{NO_DB, "query=select 1 from dual", "help=YES"}, ""},
      {{NO_DB, "parfile=-"}, "query=select 1\n   from dual\n"},
      {{NO_DB, "sql=-"}, "select 1\nfrom dual\n/\n"},
      {{NO_DB, "split=emp", "degree=4"}, ""},
      {{NO_DB, "query=emp", ":deptno=10"}, ""},
      {{"uncrack=key12345", "file=" + (dir / "missing.dat").string()}, ""},
  };
  for (const Case &c : cases) {
    auto r = run(c.args, c.in);
    EXPECT_NE(r.status, 0) << testing::PrintToString(c.args);
    EXPECT_LT(r.status, 128) << testing::PrintToString(c.args);
    EXPECT_EQ(r.out.find("Usage:"), std::string::npos) << testing::PrintToString(c.args);
  }
}

TEST_F(Program, OversizedInputsDoNotCrash) {
  const std::string big(100000, 'x');
  std::string longLine = "width=" + std::string(1 << 20, 'w') + "\n";
  std::string joined = "alter=a\n";
  for (int i = 0; i < 40000; i++) joined += " set_x=1;\n";
  std::string sql;
  while (sql.size() < (1 << 20)) sql += "select 123456789 from dual union all\n";
  std::vector<std::string> binds;
  for (int i = 0; i < 50; i++) binds.push_back(":" + std::string(300, 'b') + "=" + std::string(300, 'v'));
  std::vector<std::string> errors;
  for (int i = 0; i < 40; i++) errors.push_back("error=" + std::to_string(1400 + i));

  struct Case {
    std::vector<std::string> args;
    std::string in;
  };
  std::vector<Case> cases = {
      {{big}, ""},
      {{"help=yes", big, "user=" + big, "query=", "field=" + big, "null=" + big, "escape=" + big}, ""},
      {{"parfile=" + file("long.par", longLine + joined)}, ""},
      {{"parfile=-"}, longLine + joined},
      {{NO_DB, "sql=" + file("big.sql", sql)}, ""},
      {{NO_DB, "sql=-"}, sql},
      {binds, ""},
      {errors, ""},
  };
  for (const Case &c : cases) {
    auto r = run(c.args, c.in);
    EXPECT_EQ(r.status, 1) << c.args[0].substr(0, 40);
  }
}

}  // namespace
