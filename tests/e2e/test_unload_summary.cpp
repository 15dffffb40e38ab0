// The summary line that ends every unload, checked against the files the run
// left: rows, files, bytes before compression and on disk, and for a
// parallel run its slowest range.
#include <regex>
#include <string>
#include <vector>

#include "unload_support.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RunResult;
using unloadtest::Unload;

constexpr int TABLE_ROWS = 2500;

struct Case {
  const char *what;
  std::vector<std::string> args;
  int rows;
  bool compressed;
  bool parallel;
};

const Case CASES[] = {
    {"single", {"query=emp", "text=CSV", "file=s.csv"}, 14, false, false},
    {"batch pieces", {"query=big", "text=CSV", "batch=YES", "rows=1000", "file=b_%b.csv"}, TABLE_ROWS, false, false},
    {"gzip", {"query=big", "text=CSV", "file=g.csv.gz"}, TABLE_ROWS, true, false},
    {"parallel", {"split=big", "degree=3", "file=p_%p.csv"}, TABLE_ROWS, false, true},
};

const std::regex SUMMARY(
    R"(\n {9}summary: (\d+) rows, (\d+) files?, (\d+) bytes(?: \((\d+) on disk\))?, (\d+\.\d\d) s, (\d+) rows/s)"
    R"((?:; slowest of (\d+) ranges: range (\d+), (\d+) rows in \d+\.\d\d s)?\.\n$)");

class Summary : public Unload {};

TEST_F(Summary, FieldsMatchTheFilesWritten) {
  admin({"--generate", "BIG", std::to_string(TABLE_ROWS)});
  for (const Case &c : CASES) {
    SCOPED_TRACE(c.what);
    for (const fs::directory_entry &e : fs::directory_iterator(dir))
      if (e.path().filename() != "demo.db") fs::remove(e.path());
    RunResult r = q2(c.args);
    ASSERT_EQ(r.status, 0) << r.out;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, SUMMARY)) << r.out;
    unsigned long long files = 0, bytes = 0, ondisk = 0;
    for (const fs::directory_entry &e : fs::directory_iterator(dir)) {
      const std::string name = e.path().filename().string();
      if (name == "demo.db") continue;
      ++files;
      ondisk += fs::file_size(e.path());
      const bool gz = name.size() > 3 && name.substr(name.size() - 3) == ".gz";
      bytes += gz ? testsupport::gunzip(e.path().string()).size() : fs::file_size(e.path());
    }
    EXPECT_EQ(std::stoull(m[1]), static_cast<unsigned long long>(c.rows));
    EXPECT_EQ(std::stoull(m[2]), files);
    EXPECT_EQ(std::stoull(m[3]), bytes);
    EXPECT_EQ(m[4].matched, c.compressed);
    if (c.compressed) {
      EXPECT_EQ(std::stoull(m[4]), ondisk);
    }
    EXPECT_GT(std::stoull(m[6]), 0u);
    ASSERT_EQ(m[7].matched, c.parallel);
    if (c.parallel) {
      EXPECT_EQ(m[7], "3");
      EXPECT_EQ(std::stoull(m[9]), unloadtest::countLines(read("p_" + std::string(m[8]) + ".csv")));
    }
  }
}

}  // namespace
