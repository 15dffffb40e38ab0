// Tables and partitions declared with the admin tool, seen through the
// dictionary queries a parallel unload sends, and the ROWID ranges they hand
// out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "ocitest.h"

using ocitest::DemoDir;
using ocitest::Session;
using ocitest::queryText;
using ocitest::queryValue;
using ocitest::tool;


namespace {

// The program's four dictionary templates, formatted for owner SCOTT.
const char *kBlocks =
    "SELECT SUM(BLOCKS) FROM DBA_SEGMENTS WHERE OWNER='SCOTT' AND SEGMENT_NAME='%s' AND SEGMENT_TYPE LIKE 'TABLE%%'";
const char *kPartBlocks =
    "SELECT SUM(BLOCKS) FROM DBA_SEGMENTS WHERE OWNER='SCOTT' AND SEGMENT_NAME='%s' AND PARTITION_NAME='%s' AND "
    "SEGMENT_TYPE LIKE 'TABLE%%'";
const char *kSplit =
    "SELECT DBMS_ROWID.ROWID_CREATE(1,O.DATA_OBJECT_ID,E.RELATIVE_FNO,E.BLOCK_ID,0),"
    "DBMS_ROWID.ROWID_CREATE(1,O.DATA_OBJECT_ID,E.RELATIVE_FNO,E.BLOCK_ID+E.BLOCKS,0),E.BLOCKS FROM DBA_EXTENTS "
    "E,DBA_OBJECTS O WHERE E.OWNER='SCOTT' AND E.SEGMENT_NAME='%s' AND E.SEGMENT_TYPE LIKE 'TABLE%%' AND "
    "O.OWNER=E.OWNER AND O.OBJECT_NAME=E.SEGMENT_NAME AND NVL(O.SUBOBJECT_NAME,'-')=NVL(E.PARTITION_NAME,'-') AND "
    "O.OBJECT_TYPE LIKE 'TABLE%%' ORDER BY O.DATA_OBJECT_ID,E.RELATIVE_FNO,E.BLOCK_ID";
const char *kPartSplit =
    "SELECT DBMS_ROWID.ROWID_CREATE(1,O.DATA_OBJECT_ID,E.RELATIVE_FNO,E.BLOCK_ID,0),"
    "DBMS_ROWID.ROWID_CREATE(1,O.DATA_OBJECT_ID,E.RELATIVE_FNO,E.BLOCK_ID+E.BLOCKS,0),E.BLOCKS FROM DBA_EXTENTS "
    "E,DBA_OBJECTS O WHERE E.OWNER='SCOTT' AND E.SEGMENT_NAME='%s' AND E.PARTITION_NAME='%s' AND "
    "O.OWNER=E.OWNER AND O.OBJECT_NAME=E.SEGMENT_NAME AND O.SUBOBJECT_NAME=E.PARTITION_NAME AND "
    "O.OBJECT_TYPE LIKE 'TABLE%%' ORDER BY O.DATA_OBJECT_ID,E.RELATIVE_FNO,E.BLOCK_ID";

std::string format(const char *tmpl, const std::string &table, const std::string &part = "") {
  char buf[1024];
  std::snprintf(buf, sizeof buf, tmpl, table.c_str(), part.c_str());
  return buf;
}

// The IDs of sql's rows (its first column), with :minrid and :maxrid bound
// as 18-character text; on an error, the error text as the only element.
std::vector<std::string> idsBetween(Session &s, const std::string &sql, const std::string &lo, const std::string &hi) {
  OCIStmt *st = s.prepare(sql);
  OCIBind *b1 = nullptr, *b2 = nullptr;
  OCIBindByName(st, &b1, s.err, (const OraText *)":minrid", -1, (void *)lo.data(), (sb4)lo.size(), SQLT_CHR,
                nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  OCIBindByName(st, &b2, s.err, (const OraText *)":maxrid", -1, (void *)hi.data(), (sb4)hi.size(), SQLT_CHR,
                nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  char out[32] = {0};
  ub2 len = 0;
  OCIDefine *def = nullptr;
  OCIDefineByPos(st, &def, s.err, 1, out, sizeof out, SQLT_CHR, nullptr, &len, nullptr, OCI_DEFAULT);
  std::vector<std::string> ids;
  sword rc = OCIStmtExecute(s.svc, st, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT);
  while (rc == OCI_SUCCESS && (rc = OCIStmtFetch(st, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT)) == OCI_SUCCESS)
    ids.emplace_back(out, len);
  if (rc != OCI_NO_DATA) ids = {s.error().substr(0, 9)};
  OCIHandleFree(st, OCI_HTYPE_STMT);
  return ids;
}

// "count,min,max" of the IDs with ROWID >= lo AND ROWID < hi, bound as a
// worker binds them.
std::string rowsBetween(Session &s, const std::string &table, const std::string &lo, const std::string &hi) {
  const auto got = idsBetween(s, "SELECT COUNT(*) || ',' || MIN(ID) || ',' || MAX(ID) FROM " + table +
                                     " WHERE ROWID >= :minrid AND ROWID < :maxrid", lo, hi);
  return got.size() == 1 ? got[0] : "<" + std::to_string(got.size()) + " rows>";
}

class Partitions : public ::testing::Test {
 protected:
  // GEN rows 1..1000 in P1 1..300, P2 301..650, P3 651..1000: the
  // boundaries fall inside blocks (16 rows each). P3 is declared first.
  void SetUp() override {
    ASSERT_EQ(tool(demo.db() + " --generate gen 1000"), 0);
    ASSERT_EQ(tool(demo.db() + " --partition GEN P3 651 1000"), 0);
    ASSERT_EQ(tool(demo.db() + " --partition gen p1 1 300"), 0);
    ASSERT_EQ(tool(demo.db() + " --partition GEN P2 301 650"), 0);
    ASSERT_EQ(s.logon("scott", "tiger", demo.db()), OCI_SUCCESS) << s.error();
  }
  DemoDir demo;
  Session s;
};

TEST_F(Partitions, EachPartitionSplitsIntoExactlyItsRows) {
  struct Case { const char *name; long low, high; const char *blocks; };
  const Case cases[] = {{"P1", 1, 300, "19"}, {"P2", 301, 650, "23"}, {"P3", 651, 1000, "23"}};
  for (const Case &c : cases) {
    EXPECT_EQ(queryValue(s, format(kPartBlocks, "GEN", c.name)), c.blocks) << c.name;
    const auto pieces = queryText(s, format(kPartSplit, "GEN", c.name));
    ASSERT_FALSE(pieces.empty()) << c.name;
    long blocks = 0, rows = 0;
    for (size_t i = 0; i < pieces.size(); i++) {
      if (i > 0) {
        EXPECT_EQ(pieces[i][0], pieces[i - 1][1]) << c.name;
      }
      blocks += std::stol(pieces[i][2]);
      rows += std::stol(rowsBetween(s, "gen", pieces[i][0], pieces[i][1]));
    }
    EXPECT_EQ(std::to_string(blocks), c.blocks) << c.name;
    EXPECT_EQ(rows, c.high - c.low + 1) << c.name;
    // The ROWIDs of the partition's rows carry its data object number.
    const std::string first = queryValue(s, "SELECT ROWID FROM gen WHERE id = " + std::to_string(c.low));
    EXPECT_EQ(first.substr(0, 6), pieces.front()[0].substr(0, 6)) << c.name;
    // Its last row too, in the block and slot its rowid gives.
    EXPECT_EQ(queryValue(s, "SELECT ROWID FROM gen WHERE id = " + std::to_string(c.high)),
              pieces.front()[0].substr(0, 6) +
                  queryValue(s, "SELECT substr(DBMS_ROWID.ROWID_CREATE(1, 0, 1, " + std::to_string(c.high / 16) + ", " +
                                    std::to_string(c.high % 16) + "), 7) FROM dual"))
        << c.name;
    EXPECT_EQ(rowsBetween(s, "gen", first, queryValue(s, "SELECT ROWID FROM gen WHERE id = " + std::to_string(c.high))),
              std::to_string(c.high - c.low) + "," + std::to_string(c.low) + "," + std::to_string(c.high - 1))
        << c.name;
    EXPECT_EQ(rowsBetween(s, "gen", pieces.front()[0], pieces.back()[1]),
              std::to_string(c.high - c.low + 1) + "," + std::to_string(c.low) + "," + std::to_string(c.high))
        << c.name;
  }
  EXPECT_EQ(queryValue(s, format(kPartBlocks, "GEN", "P9")), "<NULL>");
}

TEST_F(Partitions, WholeTableSplitCoversEveryRowOnce) {
  EXPECT_EQ(queryValue(s, format(kBlocks, "GEN")), "65");
  const auto pieces = queryText(s, format(kSplit, "GEN"));
  long blocks = 0, rows = 0;
  for (const auto &p : pieces) {
    blocks += std::stol(p[2]);
    rows += std::stol(rowsBetween(s, "gen", p[0], p[1]));
  }
  EXPECT_EQ(blocks, 65);
  EXPECT_EQ(rows, 1000);
  // A range the split forms across partitions: first start to last end.
  EXPECT_EQ(rowsBetween(s, "gen", pieces.front()[0], pieces.back()[1]), "1000,1,1000");
  EXPECT_EQ(rowsBetween(s, "gen", pieces[1][0], pieces[pieces.size() - 2][1]), "768,128,895");
}

TEST_F(Partitions, DictionaryListsTablePartitions) {
  EXPECT_EQ(queryText(s, "SELECT OBJECT_NAME, NVL(SUBOBJECT_NAME, '-'), OBJECT_TYPE, NVL(DATA_OBJECT_ID, 0) > 0 "
                         "FROM DBA_OBJECTS WHERE OWNER = 'SCOTT' AND OBJECT_NAME = 'GEN' ORDER BY DATA_OBJECT_ID"),
            (std::vector<std::vector<std::string>>{{"GEN", "-", "TABLE", "0"},
                                                   {"GEN", "P1", "TABLE PARTITION", "1"},
                                                   {"GEN", "P2", "TABLE PARTITION", "1"},
                                                   {"GEN", "P3", "TABLE PARTITION", "1"}}));
  EXPECT_EQ(queryText(s, "SELECT PARTITION_NAME, SEGMENT_TYPE, BLOCKS FROM DBA_SEGMENTS WHERE SEGMENT_NAME = 'GEN' "
                         "AND OWNER = 'SCOTT' ORDER BY PARTITION_NAME"),
            (std::vector<std::vector<std::string>>{
                {"P1", "TABLE PARTITION", "19"}, {"P2", "TABLE PARTITION", "23"}, {"P3", "TABLE PARTITION", "23"}}));
  EXPECT_EQ(queryValue(s, "SELECT COUNT(DISTINCT SEGMENT_TYPE) || ':' || MIN(SEGMENT_TYPE) FROM DBA_EXTENTS WHERE "
                          "SEGMENT_NAME = 'GEN' AND OWNER = 'SCOTT'"),
            "1:TABLE PARTITION");
  // Other tables keep their single 'TABLE' segment.
  EXPECT_EQ(queryValue(s, "SELECT SEGMENT_TYPE FROM DBA_SEGMENTS WHERE SEGMENT_NAME = 'EMP' AND OWNER = 'SCOTT'"),
            "TABLE");
}

// Ranges of the extents, with ends taken inclusive (the last row of the
// extent's last block) and half-open (the next extent's start), split the
// partitioned table and a plain one with deleted rows into every row once,
// whatever the form of the comparison.
TEST_F(Partitions, RowidComparisonsOfEveryFormSplitEveryRowOnce) {
  ASSERT_EQ(tool(demo.db() + " --generate plain 1000"), 0);
  ASSERT_EQ(s.exec("DELETE FROM plain WHERE id BETWEEN 100 AND 300"), OCI_SUCCESS) << s.error();
  const std::string inclusive = std::string(kSplit).replace(std::string(kSplit).find("E.BLOCK_ID+E.BLOCKS,0"), 21,
                                                            "E.BLOCK_ID+E.BLOCKS-1,15");
  struct Case { const char *where; bool halfOpen; };
  const Case cases[] = {
      {"FROM %s WHERE ROWID BETWEEN :minrid AND :maxrid", false},
      {"FROM %s a WHERE a.rowid between :minrid and :maxrid", false},
      {"FROM %s WHERE rowid >= :minrid and rowid <= :maxrid", false},
      {"FROM %s a WHERE :minrid <= a.ROWID AND :maxrid >= a.ROWID", false},
      {"FROM %s WHERE NOT (rowid < :minrid OR rowid > :maxrid)", false},
      {"FROM scott.%s x WHERE x.rowid >= :minrid AND x.rowid < :maxrid", true},
      {"FROM %s WHERE ROWID NOT BETWEEN :maxrid AND :minrid AND ROWID >= :minrid AND ROWID < :maxrid", true},
  };
  for (const char *table : {"GEN", "PLAIN"}) {
    const auto rows = queryText(s, "SELECT TO_CHAR(id) FROM " + std::string(table) + " ORDER BY id");
    std::vector<std::string> want;
    for (const auto &r : rows) want.push_back(r[0]);
    for (const Case &c : cases) {
      const auto pieces = queryText(s, format(c.halfOpen ? kSplit : inclusive.c_str(), table));
      const std::string sql = "SELECT TO_CHAR(id) " + format(c.where, table);
      std::vector<std::string> got;
      for (const auto &p : pieces)
        for (const std::string &id : idsBetween(s, sql, p[0], p[1])) got.push_back(id);
      std::sort(got.begin(), got.end(), [](const std::string &a, const std::string &b) { return std::stol(a) < std::stol(b); });
      EXPECT_EQ(got, want) << sql;
    }
  }
}

// ROWIDs compare by data object first, then by row; what the stand-in
// cannot compare as Oracle does fails with an error.
TEST_F(Partitions, RowidComparisonsAnsweredOrRefused) {
  ASSERT_EQ(tool(demo.db() + " --generate plain 100"), 0);
  const std::string emp = queryValue(s, "SELECT ROWID FROM emp WHERE empno = 7369"), last = queryValue(s, "SELECT ROWID FROM gen WHERE id = 1000");
  struct Case { std::string sql, lo, hi; std::string want; };
  const Case cases[] = {
      {"SELECT COUNT(*) FROM plain WHERE rowid > :minrid", emp, "", "100"},
      {"SELECT COUNT(*) FROM gen WHERE rowid < :minrid", emp, "", "0"},
      {"SELECT COUNT(*) FROM gen WHERE rowid IN (:minrid, :maxrid, NULL)", emp, last, "1"},
      {"SELECT COUNT(*) FROM gen WHERE rowid <> :maxrid AND rowid = rowid", "", last, "999"},
      {"SELECT COUNT(*) FROM gen a WHERE EXISTS (SELECT 1 FROM emp WHERE a.rowid = :maxrid)", "", last, "1"},
      {"SELECT COUNT(*) FROM gen WHERE rowid > 5", "", "", "ORA-00932"},
      {"SELECT COUNT(*) FROM gen WHERE rowid = 'AAAAAA'", "", "", "ORA-01410"},
      {"SELECT COUNT(*) FROM gen WHERE rowid LIKE 'A%'", "", "", "ORA-03001"},
      {"SELECT MAX(rowid) FROM gen", "", "", "ORA-03001"},
      {"SELECT COUNT(*) FROM gen WHERE rowid || 'x' = :minrid", emp, "", "ORA-03001"},
      {"SELECT COUNT(*) FROM gen WHERE rowid = (SELECT MIN(rowid) FROM gen)", "", "", "ORA-03001"},
      {"SELECT COUNT(*) FROM gen WHERE rowid IN (SELECT rowid FROM gen)", "", "", "ORA-03001"},
      {"SELECT COUNT(*) FROM gen WHERE rowid >= :minrid || ''", emp, "", "ORA-03001"},
      {"SELECT COUNT(*) FROM gen a, emp b WHERE a.rowid = b.rowid", "", "", "ORA-03001"},
      {"SELECT COUNT(*) FROM (SELECT id FROM gen) v WHERE v.rowid = :minrid", emp, "", "ORA-03001"},
      {"SELECT COUNT(*) FROM gen a, emp b WHERE rowid = :minrid", emp, "", "ORA-00918"},
      {"SELECT COUNT(*) FROM gen WHERE x.rowid = :minrid", emp, "", "ORA-00904"},
  };
  for (const Case &c : cases) {
    const auto got = idsBetween(s, c.sql, c.lo.empty() ? emp : c.lo, c.hi.empty() ? emp : c.hi);
    EXPECT_EQ(got, std::vector<std::string>{c.want}) << c.sql;
  }
}

TEST(PartitionTool, RefusesBadDeclarationsAndGenerateDropsThem) {
  DemoDir demo;
  ASSERT_EQ(tool(demo.db() + " --generate gen 100"), 0);
  ASSERT_EQ(tool(demo.db() + " --partition gen P1 1 50"), 0);
  struct Case { const char *args; int status; };
  const Case cases[] = {{"gen P1 60 70", 1},   {"gen P2 50 60", 1}, {"gen P2 40 51", 1}, {"nosuch P1 1 5", 1},
                        {"gen P2 70 60", 1},   {"gen P2 0 5", 2},   {"gen P2 x 5", 2},   {"gen \"P 2\" 60 70", 2},
                        {"gen P2 51 100", 0}};
  for (const Case &c : cases) EXPECT_EQ(tool(demo.db() + " --partition " + c.args), c.status) << c.args;
  ASSERT_EQ(tool(demo.db() + " --generate gen 1000"), 0);
  Session s;
  ASSERT_EQ(s.logon("scott", "tiger", demo.db()), OCI_SUCCESS) << s.error();
  EXPECT_EQ(queryValue(s, "SELECT SEGMENT_TYPE FROM DBA_SEGMENTS WHERE SEGMENT_NAME = 'GEN' AND OWNER = 'SCOTT'"),
            "TABLE");
  // The plain table's extents, with a hole of deleted rows, follow each
  // other and hold every remaining row once.
  ASSERT_EQ(s.exec("DELETE FROM gen WHERE id BETWEEN 300 AND 600"), OCI_SUCCESS) << s.error();
  EXPECT_EQ(queryValue(s, format(kBlocks, "GEN")), "64");
  EXPECT_EQ(queryValue(s, format(kBlocks, "NOSUCH")), "<NULL>");
  const auto pieces = queryText(s, format(kSplit, "GEN"));
  ASSERT_EQ(pieces.size(), 8u);
  long rows = 0;
  for (size_t i = 0; i < pieces.size(); i++) {
    ASSERT_EQ(pieces[i][0].size(), 18u);
    if (i > 0) {
      EXPECT_EQ(pieces[i][0], pieces[i - 1][1]);
    }
    rows += std::stol(queryValue(s, "SELECT COUNT(*) FROM gen WHERE ROWID >= '" + pieces[i][0] + "' AND ROWID < '" +
                                        pieces[i][1] + "'"));
  }
  EXPECT_EQ(rows, 699);
}

}  // namespace
