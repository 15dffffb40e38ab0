// crypt=YES through the real program: the printed form, given back as user=,
// logs on to a stand-in database that checks passwords.
#include <string>
#include <vector>

#include "unload_support.h"

namespace {

using testsupport::RunResult;
using unloadtest::BIN;

class Crypt : public unloadtest::Unload {
 protected:
  RunResult program(std::vector<std::string> args, const std::string &in = "") {
    args.insert(args.begin(), BIN);
    RunResult r = testsupport::runProgram(args, in, dir);
    EXPECT_EQ(r.out.find("Sanitizer"), std::string::npos) << r.out.substr(0, 3000);
    EXPECT_EQ(r.out.find("runtime error"), std::string::npos) << r.out.substr(0, 3000);
    return r;
  }
  // The form crypt=YES prints for connect, as one user= argument (a form of
  // a string over 32 bytes comes in two lines, which the user joins).
  std::string formOf(const std::string &connect) {
    RunResult r = program({"crypt=YES", "user=" + connect});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(r.out.substr(0, 5), "user=") << r.out;
    std::string form = r.out;
    std::erase(form, '\n');
    EXPECT_EQ(form.find_first_not_of("0123456789abcdef", 5), std::string::npos) << r.out;
    return form;
  }
  static std::string upper(std::string s) {
    for (size_t i = 5; i < s.size(); i++) s[i] = static_cast<char>(toupper(static_cast<unsigned char>(s[i])));
    return s;
  }
};

const std::string QUERY = "query=select dname from dept where deptno = 10";

TEST_F(Crypt, FormLogsOnLikeThePlainString) {
  struct Case {
    const char *what;
    std::string connect;
  };
  const Case cases[] = {
      {"one line", "scott/tiger@demo.db"},
      {"two lines", "scott/tiger@" + db},
      {"any letter case", "SCOTT/Tiger@demo.db"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const std::string form = formOf(c.connect);
    for (const std::string &user : {form, upper(form)}) {
      RunResult r = program({user, QUERY, "file=-"});
      EXPECT_EQ(r.status, 0) << user << "\n" << r.out;
      EXPECT_NE(r.out.find("ACCOUNTING\n"), std::string::npos) << r.out;
    }
  }
}

TEST_F(Crypt, FormFromAParameterFileOrAsTheBareFirstArgument) {
  const std::string form = formOf("scott/tiger@demo.db");
  testsupport::writeFile(dir / "logon.par", form + "\n");
  const std::vector<std::string> runs[] = {
      {"parfile=logon.par", QUERY, "file=-"},
      {form.substr(5), QUERY, "file=-"},
  };
  for (const auto &args : runs) {
    RunResult r = program(args);
    EXPECT_EQ(r.status, 0) << args[0] << "\n" << r.out;
    EXPECT_NE(r.out.find("ACCOUNTING\n"), std::string::npos) << r.out;
  }
}

TEST_F(Crypt, FormOfAWrongPasswordIsRefusedByTheDatabase) {
  RunResult r = program({formOf("scott/lion@demo.db"), QUERY, "file=-"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("ORA-01017: invalid username/password; logon denied"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("ACCOUNTING"), std::string::npos) << r.out;
}

TEST_F(Crypt, CryptDoesNotLogOn) {
  // The database is not even looked for: no ORA-12154 for a missing one.
  RunResult r = program({"crypt=YES", "user=scott/tiger@nosuch.db", QUERY});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.find("ORA-"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("ACCOUNTING"), std::string::npos) << r.out;
}

TEST_F(Crypt, ConnectStringOverSixtyFourBytesIsRefusedWithoutShowingIt) {
  const std::string password = "Sup3rSecretPassw0rdThatGoesOnAndOn";
  const std::string connect = "scott/" + password + "@//dbhost.example.com:1521/orclpdb1";
  ASSERT_GT(connect.size(), 64u);
  RunResult r = program({"crypt=YES", "user=" + connect});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "ERROR -- Cannot encrypt a connect string longer than 64 bytes.\n");
  // Exactly 64 bytes still has a form.
  r = program({"crypt=YES", "user=" + connect.substr(0, 64)});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.size(), 5u + 64 + 1 + 64 + 1) << r.out;
}

}  // namespace
