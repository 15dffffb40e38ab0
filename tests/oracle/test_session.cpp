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

}  // namespace
