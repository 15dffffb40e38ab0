// LOB columns exported to a side file with LLS references (NULL, empty, 1,
// 32768 and 10 MB byte LOBs); the inline layouts are golden files of the
// layout tests.
#include <string>
#include <vector>

#include "unload_support.h"

namespace {

using unloadtest::Unload;

TEST_F(Unload, SideFileAndReferences) {
  script("CREATE TABLE DOCS (ID NUMBER(4), DOC BLOB);\n"
         "INSERT INTO DOCS VALUES (1, NULL);\n"
         "INSERT INTO DOCS VALUES (2, EMPTY_BLOB());\n"
         "INSERT INTO DOCS VALUES (3, HEXTORAW('41'));\n"
         "INSERT INTO DOCS VALUES (4, randomblob(32768));\n"
         "INSERT INTO DOCS VALUES (5, randomblob(10485760));\n");
  testsupport::RunResult r =
      q2({"query=select * from docs order by id", "table=DOCS", "lobfile=docs.lob", "quote=0x22", "file=docs.txt"});
  ASSERT_EQ(r.status, 0) << r.out;
  // Quoted like text, but a NULL's reference is not.
  EXPECT_EQ(read("docs.txt"), "1,docs.lob.1.-1/\n2,\"docs.lob.2.0/\"\n3,\"docs.lob.3.1/\"\n4,\"docs.lob.5.32768/\"\n"
                              "5,\"docs.lob.32774.10485760/\"\n");
  std::string side = read("docs.lob");
  ASSERT_EQ(side.size(), 1 + 1 + 2 + 32769 + 10485761u);
  EXPECT_EQ(side.substr(0, 4), "\n\nA\n");
  EXPECT_EQ(side[32772], '\n');
  EXPECT_EQ(side.back(), '\n');
  // The control file declares the LOB column as an LLS field.
  EXPECT_NE(read("DOCS_sqlldr.ctl").find("  \"DOC\" NULLIF \"DOC\"=BLANKS LLS "), std::string::npos);
  // A side file that received nothing is deleted.
  ASSERT_EQ(q2({"query=select * from docs where id > 9", "lobfile=none.lob", "file=none.txt"}).status, 0);
  EXPECT_FALSE(unloadtest::fs::exists(path("none.lob")));
}

}  // namespace
