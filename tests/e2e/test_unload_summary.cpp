// What a run says it wrote, checked against the files it left: the summary
// line that ends every unload (rows, files, bytes before compression and on
// disk, a parallel run's slowest range) and the manifest= document, read by
// Python's json and hashlib alone.
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

struct ManifestCase {
  const char *what;
  std::vector<std::string> args;
  int status;
  const char *rows;    // "-": whatever the failed run reached
  const char *ranges;  // "" for a single run
};

// A failure at one row: ID 1500 of a single run, in the middle range of three.
const std::string FAILING_ROW = "case when id = 1500 then ora_raise(20001) else name end";
const ManifestCase MANIFEST_CASES[] = {
    {"single", {"query=emp", "text=CSV", "file=s.csv"}, 0, "14", ""},
    {"batch pieces", {"query=big", "text=CSV", "batch=YES", "rows=1000", "file=b_%b.csv"}, 0, "2500", ""},
    {"parallel", {"split=big", "degree=3", "file=p_%p.csv"}, 0, "2500", "3"},
    {"failed", {"query=select id, " + FAILING_ROW + " from big order by id", "file=f.csv"}, 7, "-", ""},
    {"failed range",
     {"split=big", "degree=3", "retry=0", "file=r_%p.csv",
      "query=select id, " + FAILING_ROW + " from big where rowid >= :minrid and rowid < :maxrid"},
     1, "-", "3"},
};

TEST_F(Summary, ManifestChecksumsAndRowsMatchTheFiles) {
  admin({"--generate", "BIG", std::to_string(TABLE_ROWS)});
  const std::string checker = std::string(TEST_DATA_DIR) + "/manifest/check_manifest.py";
  for (const ManifestCase &c : MANIFEST_CASES) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args = c.args;
    args.push_back("manifest=m.json");
    RunResult r = q2(args);
    ASSERT_EQ(r.status, c.status) << r.out;
    std::vector<std::string> check = {"/usr/bin/python3", checker, "m.json", std::to_string(c.status), c.rows};
    if (c.ranges[0] != '\0') check.push_back(c.ranges);
    RunResult checked = testsupport::runProgram(check, "", dir);
    EXPECT_EQ(checked.status, 0) << checked.out;
  }
}

}  // namespace
