// The dictionary queries a parallel unload sends, and ROWID ranges.
#include <gtest/gtest.h>

#include <string>

#include "ocitest.h"

using ocitest::DemoDir;
using ocitest::Session;
using ocitest::queryText;
using ocitest::queryValue;

namespace {

const char *kSplit =
    "SELECT DBMS_ROWID.ROWID_CREATE(1,O.DATA_OBJECT_ID,E.RELATIVE_FNO,E.BLOCK_ID,0),"
    "DBMS_ROWID.ROWID_CREATE(1,O.DATA_OBJECT_ID,E.RELATIVE_FNO,E.BLOCK_ID+E.BLOCKS,0),E.BLOCKS FROM DBA_EXTENTS "
    "E,DBA_OBJECTS O WHERE E.OWNER='SCOTT' AND E.SEGMENT_NAME='BIG' AND E.SEGMENT_TYPE LIKE 'TABLE%' AND "
    "O.OWNER=E.OWNER AND O.OBJECT_NAME=E.SEGMENT_NAME AND NVL(O.SUBOBJECT_NAME,'-')=NVL(E.PARTITION_NAME,'-') AND "
    "O.OBJECT_TYPE LIKE 'TABLE%' ORDER BY O.DATA_OBJECT_ID,E.RELATIVE_FNO,E.BLOCK_ID";

TEST(Dictionary, ExtentsCoverEveryRowOnceInRowidOrder) {
  DemoDir demo;
  Session s;
  ASSERT_EQ(s.logon("scott", "tiger", demo.db()), OCI_SUCCESS) << s.error();
  ASSERT_EQ(s.exec("CREATE TABLE big (n NUMBER(10))"), OCI_SUCCESS) << s.error();
  ASSERT_EQ(s.exec("INSERT INTO big WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 1000)"
                   " SELECT i FROM c"),
            OCI_SUCCESS)
      << s.error();
  ASSERT_EQ(s.exec("DELETE FROM big WHERE n BETWEEN 300 AND 600"), OCI_SUCCESS) << s.error();
  EXPECT_EQ(queryValue(s, "SELECT SUM(BLOCKS) FROM DBA_SEGMENTS WHERE OWNER='SCOTT' AND SEGMENT_NAME='BIG' AND "
                          "SEGMENT_TYPE LIKE 'TABLE%'"),
            "64");
  EXPECT_EQ(queryValue(s, "SELECT SUM(BLOCKS) FROM DBA_SEGMENTS WHERE OWNER='SCOTT' AND SEGMENT_NAME='NOSUCH'"),
            "<NULL>");
  const auto extents = queryText(s, kSplit);
  ASSERT_EQ(extents.size(), 8u);
  long total = 0;
  for (size_t i = 0; i < extents.size(); i++) {
    ASSERT_EQ(extents[i][0].size(), 18u);
    if (i > 0) {
      EXPECT_EQ(extents[i][0], extents[i - 1][1]);
    }
    total += std::stol(queryValue(s, "SELECT COUNT(*) FROM big WHERE ROWID >= '" + extents[i][0] +
                                         "' AND ROWID < '" + extents[i][1] + "'"));
  }
  EXPECT_EQ(total, 699);
}

}  // namespace
