// The dictionary side of the split on the stand-in: the logged-on user's name,
// block counts and the split of generated tables.
#include <string.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "parallel/tablesplit.h"
#include "support/process.h"

namespace {

const text *T(const char *s) { return reinterpret_cast<const text *>(s); }

class Dictionary : public ::testing::Test {
 protected:
  std::filesystem::path dir = testsupport::makeTempDir("q2dict");
  std::string dbfile = (dir / "split.db").string();
  DATABASE db;

  void SetUp() override {
    ASSERT_EQ(testsupport::runProgram({OCILITE_BIN, dbfile, "--demo"}).status, 0);
    initDB(&db);
    db.fp_log = nullptr;  // messages are checked through errcode
    const std::string connect = "scott/tiger@" + dbfile;
    ASSERT_EQ(LogonDB(&db, T(connect.c_str())), 0);
  }
  void TearDown() override {
    disconnectDB(&db);
    std::filesystem::remove_all(dir);
  }
};

TEST_F(Dictionary, UserNameOfTheSession) {
  text name[30];
  memset(name, 'x', sizeof name);
  ASSERT_EQ(queryUserName(&db, name), 0);
  EXPECT_STRCASEEQ(reinterpret_cast<char *>(name), "SCOTT");
}

}  // namespace
