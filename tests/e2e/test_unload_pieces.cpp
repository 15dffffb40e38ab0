// Pieces, compression, scrambling and INSERT statements over larger tables.
#include <string>
#include <vector>

#include "unload_support.h"

namespace {

using unloadtest::countLines;
using unloadtest::Unload;

size_t count(const std::string &s, const std::string &what) {
  size_t n = 0;
  for (size_t p = 0; (p = s.find(what, p)) != std::string::npos; p += what.size()) ++n;
  return n;
}

std::string gunzip(const std::string &file) { return testsupport::runProgram({"/bin/gzip", "-dc", file}).out; }

TEST_F(Unload, BatchPiecesWithHeaders) {
  numberedTable("T2500", 2500);
  testsupport::RunResult r =
      q2({"query=select * from t2500 order by id", "text=CSV", "batch=YES", "rows=1000", "file=t_%b.csv"});
  ASSERT_EQ(r.status, 0) << r.out;
  size_t want[] = {1000, 1000, 500};
  for (int b = 1; b <= 3; ++b) {
    std::string piece = read("t_" + std::to_string(b) + ".csv");
    EXPECT_EQ(piece.substr(0, 8), "ID,NAME\n");
    EXPECT_EQ(countLines(piece), want[b - 1] + 1);
    EXPECT_NE(r.out.find("output file t_" + std::to_string(b) + ".csv closed at " + std::to_string(want[b - 1]) +
                         " rows"),
              std::string::npos)
        << r.out;
  }
  EXPECT_EQ(read("t_2.csv").substr(8, 14), "1001,\"name-100");
  EXPECT_FALSE(unloadtest::fs::exists(path("t_4.csv")));
}

TEST_F(Unload, MysqlInsertThreeStatementsAndPiecesAreWholeScripts) {
  numberedTable("T2500", 2500);
  ASSERT_EQ(q2({"query=select * from t2500 order by id", "text=MYSQLINS", "table=T2500", "file=all.sql"}).status, 0);
  std::string all = read("all.sql");
  EXPECT_EQ(count(all, "INSERT  INTO `T2500` (`ID`,`NAME`) VALUES \n("), 3u);
  EXPECT_EQ(count(all, ");\n"), 3u);
  EXPECT_EQ(count(all, "),\n("), 2497u);
  // Pieces of 1000 rows over arrays of 300: every piece opens and closes its
  // statements.
  ASSERT_EQ(q2({"query=select * from t2500 order by id", "text=MYSQLINS", "table=T2500", "array=300",
                "batch=YES", "rows=1000", "file=p_%b.sql"})
                .status,
            0);
  for (int b = 1; b <= 3; ++b) {
    std::string piece = read("p_" + std::to_string(b) + ".sql");
    EXPECT_EQ(piece.substr(0, 12), "INSERT  INTO") << b;
    EXPECT_EQ(piece.substr(piece.size() - 3), ");\n") << b;
    EXPECT_EQ(count(piece, "INSERT"), count(piece, ");\n")) << b;
  }
}

TEST_F(Unload, GzipAndScrambledOutputRestoreToPlain) {
  numberedTable("T2500", 2500);
  const std::string query = "query=select * from t2500 order by id";
  ASSERT_EQ(q2({query, "file=plain.txt"}).status, 0);
  std::string plain = read("plain.txt");
  ASSERT_EQ(q2({query, "file=packed.gz"}).status, 0);
  EXPECT_EQ(testsupport::runProgram({"/bin/gzip", "-t", path("packed.gz")}).status, 0);
  EXPECT_TRUE(gunzip(path("packed.gz")) == plain);
  // Scrambled, plain and gzip, restored by uncrack=.
  ASSERT_EQ(q2({query, "crack=k3y", "file=s.txt"}).status, 0);
  EXPECT_NE(read("s.txt"), plain);
  testsupport::RunResult u = testsupport::runProgram({unloadtest::BIN, "uncrack=k3y", "file=" + path("s.txt")});
  EXPECT_EQ(u.status, 1);
  EXPECT_TRUE(u.out == plain) << u.out.substr(0, 200);
  // Scrambled gzip pieces: each piece restores on its own.
  ASSERT_EQ(q2({query, "crack=k3y", "batch=YES", "rows=1000", "file=s_%b.gz"}).status, 0);
  std::string joined;
  for (int b = 1; b <= 3; ++b) {
    std::string raw = path("s_" + std::to_string(b) + ".raw");
    testsupport::writeFile(raw, gunzip(path("s_" + std::to_string(b) + ".gz")));
    joined += testsupport::runProgram({unloadtest::BIN, "uncrack=k3y", "file=" + raw}).out;
  }
  EXPECT_TRUE(joined == plain);
}

TEST_F(Unload, SizePieces) {
  std::string sql = "CREATE TABLE WIDE (ID NUMBER(10), PAD VARCHAR2(4000));\n";
  for (int i = 1; i <= 3000; ++i) {
    sql += "INSERT INTO WIDE VALUES (" + std::to_string(i) + ", '" + std::string(3000, 'p') + "');\n";
  }
  script(sql);
  testsupport::RunResult r = q2({"query=select * from wide order by id", "size=4", "file=w_%b.txt"});
  ASSERT_EQ(r.status, 0) << r.out;
  size_t rows = 0;
  int pieces = 0;
  for (int b = 1; unloadtest::fs::exists(path("w_" + std::to_string(b) + ".txt")); ++b, ++pieces) {
    std::string piece = read("w_" + std::to_string(b) + ".txt");
    rows += countLines(piece);
    if (b == 1) {
      EXPECT_GT(piece.size(), 4u << 20);
    }
  }
  EXPECT_EQ(rows, 3000u);
  EXPECT_GE(pieces, 2);
}

}  // namespace
