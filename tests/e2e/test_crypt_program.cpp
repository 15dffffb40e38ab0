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

TEST_F(Crypt, FormLogsOnLikeThePlainString) {
  const std::string form = formOf("scott/tiger@demo.db");
  const std::string twoLines = formOf("scott/tiger@" + db), mixedCase = formOf("SCOTT/Tiger@demo.db");
  testsupport::writeFile(dir / "logon.par", form + "\n");
  const std::vector<std::string> runs[] = {
      {form, QUERY},          {upper(form), QUERY},      {twoLines, QUERY}, {upper(twoLines), QUERY},
      {mixedCase, QUERY},     {"parfile=logon.par", QUERY},
      {form.substr(5), QUERY},  // the bare first argument
  };
  for (std::vector<std::string> args : runs) {
    args.push_back("file=-");
    RunResult r = run(args);
    EXPECT_EQ(r.status, 0) << args[0] << "\n" << r.out;
    EXPECT_NE(r.out.find("ACCOUNTING\n"), std::string::npos) << r.out;
  }
}

TEST_F(Crypt, FormOfAWrongPasswordIsRefusedByTheDatabase) {
  RunResult r = run({formOf("scott/lion@demo.db"), QUERY, "file=-"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("ORA-01017: invalid username/password; logon denied"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("ACCOUNTING"), std::string::npos) << r.out;
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
