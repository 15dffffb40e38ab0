// Pieces, compression and scrambling through the real program (the row
// writer's tests cover size pieces and INSERT statements across pieces).
#include <string>
#include <vector>

#include "unload_support.h"

namespace {

using unloadtest::countLines;
using unloadtest::Unload;

using testsupport::gunzip;

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

TEST_F(Unload, GzipAndScrambledOutputRestoreToPlain) {
  numberedTable("T2500", 2500);
  const std::string query = "query=select * from t2500 order by id";
  ASSERT_EQ(q2({query, "file=plain.txt"}).status, 0);
  std::string plain = read("plain.txt");
  ASSERT_EQ(q2({query, "file=packed.gz"}).status, 0);
  EXPECT_TRUE(gunzip(path("packed.gz")) == plain);
  // Scrambled, plain and gzip, restored by uncrack=.
  ASSERT_EQ(q2({query, "crack=k3y", "file=s.txt"}).status, 0);
  EXPECT_NE(read("s.txt"), plain);
  testsupport::RunResult u = run({"uncrack=k3y", "file=" + path("s.txt")});
  EXPECT_EQ(u.status, 1);
  EXPECT_TRUE(u.out == plain) << u.out.substr(0, 200);
  // Scrambled gzip pieces: each piece restores on its own.
  ASSERT_EQ(q2({query, "crack=k3y", "batch=YES", "rows=1000", "file=s_%b.gz"}).status, 0);
  std::string joined;
  for (int b = 1; b <= 3; ++b) {
    std::string raw = path("s_" + std::to_string(b) + ".raw");
    testsupport::writeFile(raw, gunzip(path("s_" + std::to_string(b) + ".gz")));
    joined += run({"uncrack=k3y", "file=" + raw}).out;
  }
  EXPECT_TRUE(joined == plain);
}

}  // namespace
