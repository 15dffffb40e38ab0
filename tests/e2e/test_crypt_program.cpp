// crypt=YES through the real program: the printed form, given back as user=,
// logs on to a stand-in database that checks passwords.
#include <string>
#include <vector>

#include "unload_support.h"

namespace {

using testsupport::RunResult;

class Crypt : public unloadtest::Unload {
 protected:
  // The form crypt=YES prints for connect, as one user= argument (a form of
  // a string over 32 bytes comes in two lines, which the user joins).
  std::string formOf(const std::string &connect) {
    RunResult r = run({"crypt=YES", "user=" + connect});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(r.out.substr(0, 5), "user=") << r.out;
    std::string form = r.out;
    std::erase(form, '\n');
    EXPECT_EQ(form.find_first_not_of("0123456789abcdef", 5), std::string::npos) << r.out;
    return form;
  }
};

const std::string QUERY = "query=select dname from dept where deptno = 10";

std::string upper(std::string s) {
  for (size_t i = 5; i < s.size(); i++) s[i] = static_cast<char>(toupper(static_cast<unsigned char>(s[i])));
  return s;
}

// The form of a right password logs on, in any case, as one or two lines,
// in a parameter file or as the bare first argument; the form of a wrong one
// is refused by the database.
TEST_F(Crypt, FormLogsOnLikeThePlainString) {
  const std::string form = formOf("scott/tiger@demo.db");
  const std::string twoLines = formOf("scott/tiger@" + db), mixedCase = formOf("SCOTT/Tiger@demo.db");
  const std::string ok = "ACCOUNTING\n", refused = "ORA-01017: invalid username/password; logon denied\n";
  const struct {
    std::string form;
    int status;
    const std::string &out;
  } runs[] = {
      {form, 0, ok},       {upper(form), 0, ok},      {twoLines, 0, ok}, {upper(twoLines), 0, ok},
      {mixedCase, 0, ok},  {"parfile=" + write("logon.par", form + "\n"), 0, ok},
      {form.substr(5), 0, ok},  // the bare first argument
      {formOf("scott/lion@demo.db"), 1, refused},
  };
  for (const auto &c : runs) {
    RunResult r = run({c.form, QUERY, "file=-"});
    EXPECT_EQ(r.status, c.status) << c.form;
    EXPECT_EQ(r.out, c.out) << c.form;
  }
}

TEST_F(Crypt, CryptDoesNotLogOnAndRefusesOverSixtyFourBytesUnseen) {
  // The database is not even looked for: no ORA-12154 for a missing one.
  RunResult r = run({"crypt=YES", "user=scott/tiger@nosuch.db", QUERY});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.find("ORA-"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("ACCOUNTING"), std::string::npos) << r.out;

  const std::string connect = "scott/Sup3rSecretPassw0rdThatGoesOnAndOn@//dbhost.example.com:1521/orclpdb1";
  ASSERT_GT(connect.size(), 64u);
  r = run({"crypt=YES", "user=" + connect});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "ERROR -- Cannot encrypt a connect string longer than 64 bytes.\n");
  // Exactly 64 bytes still has a form.
  r = run({"crypt=YES", "user=" + connect.substr(0, 64)});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.size(), 5u + 64 + 1 + 64 + 1) << r.out;
}

}  // namespace
