// Long values (SQLT_LVC, SQLT_LVB) through defines.
#include <cstring>
#include <string>
#include <vector>

#include "ocitest.h"

using ocitest::DemoDir;
using ocitest::Session;

namespace {

class LongValues : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(s.logon("scott", "tiger", demo.db()), OCI_SUCCESS) << s.error(); }

  // Fetches the single value of sql defined as dty into an element of size.
  std::vector<ub1> fetchOne(const std::string &sql, ub2 dty, sb4 size, sword *status = nullptr) {
    std::vector<ub1> buf((size_t)size);
    sb2 ind = 0;
    ub2 len = 0, rc = 0;
    OCIStmt *st = s.query(sql);
    OCIDefine *def = nullptr;
    EXPECT_EQ(OCIDefineByPos(st, &def, s.err, 1, buf.data(), size, dty, &ind, &len, &rc, OCI_DEFAULT), OCI_SUCCESS);
    sword r = OCIStmtFetch(st, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
    if (status) *status = r;
    OCIHandleFree(st, OCI_HTYPE_STMT);
    if (ind == -1) return {};
    buf.resize(len);
    return buf;
  }
  DemoDir demo;
  Session s;
};

TEST_F(LongValues, LongValuesCarryAFourByteLength) {
  ASSERT_EQ(s.exec("CREATE TABLE l (c CLOB, b BLOB)"), OCI_SUCCESS) << s.error();
  ASSERT_EQ(s.exec("INSERT INTO l VALUES ('hello, world', X'00FF10')"), OCI_SUCCESS) << s.error();
  auto prefix = [](const std::vector<ub1> &v) {
    ub4 n = 0;
    std::memcpy(&n, v.data(), 4);
    return n;
  };
  std::vector<ub1> c = fetchOne("SELECT c FROM l", SQLT_LVC, 64);
  ASSERT_GE(c.size(), 4u);
  EXPECT_EQ(prefix(c), 12u);
  EXPECT_EQ(std::string(c.begin() + 4, c.begin() + 16), "hello, world");
  std::vector<ub1> b = fetchOne("SELECT b FROM l", SQLT_LVB, 64);
  ASSERT_GE(b.size(), 4u);
  EXPECT_EQ(prefix(b), 3u);
  EXPECT_EQ(std::vector<ub1>(b.begin() + 4, b.begin() + 7), (std::vector<ub1>{0, 255, 16}));

  // Cut to the element less the prefix, as a truncation.
  sword status = 0;
  std::vector<ub1> cut = fetchOne("SELECT c FROM l", SQLT_LVC, 9, &status);
  EXPECT_EQ(status, OCI_SUCCESS_WITH_INFO);
  ASSERT_GE(cut.size(), 4u);
  EXPECT_EQ(prefix(cut), 5u);
  EXPECT_EQ(std::string(cut.begin() + 4, cut.begin() + 9), "hello");
}

}  // namespace
