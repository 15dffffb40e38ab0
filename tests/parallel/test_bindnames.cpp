// Bind placeholders found as the server sees them: never inside comments,
// literals or quoted identifiers.
#include <gtest/gtest.h>

#include "parallel/bindnames.h"

namespace {

TEST(HasBindName, SkipsCommentsLiteralsAndQuotedNames) {
  struct Case {
    const char *sql;
    bool found;
  } cases[] = {
      {"select * from t where rowid >= :minrid", true},
      {"select * from t where rowid >= :MINRID", true},
      {"select * from t where rowid >= :\"minrid\"", true},
      {"select * from t where rowid >= :\"MINRID\"", false},
      {"select * from t where rowid >= :minrid2", false},
      {"select * from t /* :minrid */", false},
      {"select * from t -- :minrid\n", false},
      {"select * from t -- x\n where rowid >= :minrid", true},
      {"select ':minrid' from t", false},
      {"select 'it''s :minrid' from t", false},
      {"select 'it''s', :minrid from t", true},
      {"select q'[ :minrid ]' from t", false},
      {"select nq'{ ' :minrid }' from t", false},
      {"select n':minrid' from t", false},
      {"select \":minrid\" from t", false},
      {"select x from t where x = :minrid", true},
      {"select * from t where a = 'unterminated :minrid", false},
  };
  for (const Case &c : cases) EXPECT_EQ(hasBindName(c.sql, "minrid"), c.found) << c.sql;
}

}  // namespace
