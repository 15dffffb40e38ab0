// Session and statement helpers against a stand-in database.
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "oracle/database.h"
#include "oracle/ocicalls.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;

const text *T(const char *s) { return reinterpret_cast<const text *>(s); }

class Session : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testsupport::makeTempDir("q2db");
    dbfile_ = (dir_ / "demo.db").string();
    ASSERT_EQ(testsupport::runProgram({OCILITE_BIN, dbfile_, "--demo"}).status, 0);
    initDB(&db_);
    db_.sink = {testsupport::appendMessage, &messages_};
  }
  void TearDown() override {
    disconnectDB(&db_);
    fs::remove_all(dir_);
  }
  sword logon(const std::string &user) { return LogonDB(&db_, T((user + "@" + dbfile_).c_str())); }

  fs::path dir_;
  std::string dbfile_, messages_;
  DATABASE db_;
};

TEST_F(Session, WrongPasswordReportsOnceThroughTheCallback) {
  EXPECT_EQ(logon("scott/lion"), -1);
  EXPECT_EQ(db_.errcode, 1017);
  EXPECT_EQ(messages_, "ORA-01017: invalid username/password; logon denied\n");
}

TEST_F(Session, StatementHelpers) {
  ASSERT_EQ(logon("scott/tiger"), 0);
  OCIStmt *stmt = nullptr;

  EXPECT_EQ(prepareExecute8(&db_, &stmt, T("delete from bonus")), 0);
  EXPECT_EQ(stmt, nullptr);
  EXPECT_EQ(prepareExecute8(&db_, &stmt, T("delete from nosuch")), 942);
  EXPECT_EQ(stmt, nullptr);
  EXPECT_EQ(messages_.rfind("ORA-00942", 0), 0u) << messages_;

  messages_.clear();
  ASSERT_EQ(prepareQuery8(&db_, &stmt, T("select dname from dept")), 0);
  EXPECT_EQ(releaseStmt8(&db_, stmt), 0);
  EXPECT_EQ(releaseStmt8(&db_, nullptr), 0);

  ASSERT_EQ(prepareStmt8(&db_, &stmt, T("select dname from dept where deptno = :D")), 0);
  SQLPARAM p{};
  strcpy(p.pname, "d");
  p.nlen = 1;
  strcpy(p.pval, "20");
  p.vlen = 2;
  EXPECT_EQ(BindValue(&db_, stmt, &p), 0);
  EXPECT_NE(p.ob, nullptr);
  EXPECT_EQ(executeQuery8(&db_, stmt), 0);
  ub4 count = 0;
  EXPECT_EQ(getParamCount8(&db_, stmt, &count), 0);
  EXPECT_EQ(count, 1u);
  char buf[32] = {0};
  sb2 ind = 0;
  ub2 len = 0, code = 0;
  OCIDefine *def = nullptr;
  ASSERT_EQ(defineByPos8(&db_, stmt, &def, 1, buf, sizeof buf, SQLT_CHR, &ind, &len, &code), 0);
  EXPECT_EQ(fetchRows8(&db_, stmt, 1), 0);
  EXPECT_EQ(std::string(buf, len), "RESEARCH");
  EXPECT_EQ(releaseStmt8(&db_, stmt), 0);
  EXPECT_EQ(messages_, "");

  // A failed prepare gives -1, a failed execute the error number.
  sword rc = prepareQuery8(&db_, &stmt, T("select * from nosuch"));
  EXPECT_TRUE(rc == -1 || rc == 942) << rc;
  EXPECT_EQ(messages_.rfind("ORA-00942", 0), 0u) << messages_;
  releaseStmt8(&db_, stmt);

  // Disconnecting twice is harmless.
  EXPECT_EQ(disconnectDB(&db_), 0);
  EXPECT_EQ(disconnectDB(&db_), 0);
  EXPECT_EQ(db_.envhp, nullptr);
}

}  // namespace
