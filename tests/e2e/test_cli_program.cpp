// The built program's command line: help screens byte for byte, exit
// statuses, parameter files and SQL text from standard input, and inputs far
// beyond every buffer.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/process.h"

namespace {

// A connect string no session can be opened with.
const std::string NO_DB = "user=nobody/none@/nonexistent/quillet2/db";

// What a run that ends with status 1 shows: a help screen (byte for byte),
// no help screen (it went on to log on and failed), or anything but a crash.
enum class Shows { Basic, Extended, NoHelp, Anything };

struct Program : testsupport::FolderTest {};

TEST_F(Program, EveryRunWithoutADatabaseEndsWithStatus1) {
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
    Shows shows;
  };
  const Case cases[] = {
      {{}, "", Shows::Basic},
      {{"help=YES"}, "", Shows::Extended},
      {{"help=ON"}, "", Shows::Basic},
      {{"parfile=-"}, "help=YES\n", Shows::Extended},
      {{"parfile=-"}, "# help=YES\n", Shows::Basic},
      {{"sql=-", "help=yes"}, "/\nselect 1 from dual\n", Shows::Extended},  // nothing before the '/'
      {{":a=1", ":b=2", "help=yes"}, "", Shows::Extended},
      {{"scott/tiger@orcl", "field=0x09", "text=csv"}, "", Shows::Basic},
      // "help=" continued by " YES" joins to "help= YES".
      {{"parfile=" + write("help.par", "help=\n YES\n\n\nfile=out.txt\n")}, "", Shows::Extended},
      // A query goes on to log on, even with help=YES.
      {{NO_DB, "query=select 1 from dual", "help=YES"}, "", Shows::NoHelp},
      {{NO_DB, "parfile=-"}, "query=select 1\n   from dual\n", Shows::NoHelp},
      {{NO_DB, "sql=-"}, "select 1\nfrom dual\n/\n", Shows::NoHelp},
      {{NO_DB, "split=emp", "degree=4"}, "", Shows::NoHelp},
      {{NO_DB, "query=emp", ":deptno=10"}, "", Shows::NoHelp},
      // Inputs far beyond every buffer.
      {{big}, "", Shows::Anything},
      {{"help=yes", big, "user=" + big, "query=", "field=" + big, "null=" + big, "escape=" + big}, "",
       Shows::Anything},
      {{"parfile=" + write("long.par", longLine + joined)}, "", Shows::Anything},
      {{"parfile=-"}, longLine + joined, Shows::Anything},
      {{NO_DB, "sql=" + write("big.sql", sql)}, "", Shows::Anything},
      {{NO_DB, "sql=-"}, sql, Shows::Anything},
      {binds, "", Shows::Anything},
      {errors, "", Shows::Anything},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args).substr(0, 200));
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), QUILLET2_BIN);
    auto r = testsupport::runChecked(args, c.in, dir);
    EXPECT_EQ(r.status, 1);
    if (c.shows == Shows::Basic || c.shows == Shows::Extended) {
      const char *golden = c.shows == Shows::Basic ? "/cli/help_basic.txt" : "/cli/help_extended.txt";
      EXPECT_EQ(testsupport::withBannerTokens(r.out), testsupport::readFile(TEST_DATA_DIR + std::string(golden)));
    } else if (c.shows == Shows::NoHelp) {
      EXPECT_EQ(r.out.find("Usage:"), std::string::npos) << r.out;
    }
  }
}

}  // namespace
