// The job's query text: trimming and bare table names.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "unload/jobrunner.h"

namespace {

TEST(NormaliseQuery, TrimsAndExpandsTableNames) {
  const std::string name129(129, 't'), name128(128, 't');
  struct Case {
    std::string query, tabname, wantQuery, wantTabname;
  } cases[] = {
      {"select * from emp;", "", "select * from emp", ""},
      {"select 1 from dual ; / \n\t;", "", "select 1 from dual", ""},
      {"\n\n  SELECT x FROM t/", "", "\n\n  SELECT x FROM t", ""},
      {"  With q as (select 1 from dual) select * from q", "", "  With q as (select 1 from dual) select * from q", ""},
      {"emp", "", "select * from emp", "emp"},
      {"  emp ;\n", "", "select * from emp", "emp"},
      {"scott.emp", "", "select * from scott.emp", "scott.emp"},
      {"emp", "TARGET", "select * from emp", "TARGET"},
      {name128, "", "select * from " + name128, name128},
      {name129, "", "select * from " + name129, ""},
      {"(select * from dept)", "", "(select * from dept)", ""},
      {"", "", "select * from ", ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.query);
    static JOBSPEC o;
    o = JOBSPEC{};
    strcpy(reinterpret_cast<char *>(o.query), c.query.c_str());
    strcpy(reinterpret_cast<char *>(o.tabname), c.tabname.c_str());
    normaliseQuery(&o);
    EXPECT_EQ(reinterpret_cast<char *>(o.query), c.wantQuery);
    EXPECT_EQ(reinterpret_cast<char *>(o.tabname), c.wantTabname);
  }
}

TEST(NormaliseQuery, LongTableTextIsCutInsideTheQuery) {
  static JOBSPEC o;
  o = JOBSPEC{};
  memset(o.query, 'x', sizeof o.query - 1);
  normaliseQuery(&o);
  EXPECT_EQ(strlen(reinterpret_cast<char *>(o.query)), sizeof o.query - 1);
  EXPECT_EQ(o.tabname[0], 0);
}

}  // namespace
