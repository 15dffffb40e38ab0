// What a run says it wrote, checked against the files it left: the summary
// line that ends every unload (rows, files, bytes before compression and on
// disk, a parallel run's slowest range) and the manifest= document, read by
// Python's json and hashlib alone.
#include <ctype.h>

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
  long long rows;
  bool compressed;
  bool parallel;
};

const Case CASES[] = {
    {"single", {"query=emp", "text=CSV", "file=s.csv"}, 14, false, false},
    {"batch pieces", {"query=big", "text=CSV", "batch=YES", "rows=1000", "file=b_%b.csv"}, TABLE_ROWS, false, false},
    {"gzip", {"query=big", "text=CSV", "file=g.csv.gz"}, TABLE_ROWS, true, false},
    {"parallel", {"split=big", "degree=3", "file=p_%p.csv"}, TABLE_ROWS, false, true},
};

// The number that ends just before marker in line; -1 when marker is not
// there or no digits precede it.
long long numberBefore(const std::string &line, const std::string &marker) {
  const size_t end = line.find(marker);
  size_t start = end;
  while (start != std::string::npos && start > 0 && isdigit(static_cast<unsigned char>(line[start - 1]))) --start;
  return end == std::string::npos || start == end ? -1 : std::stoll(line.substr(start, end - start));
}

class Summary : public Unload {};

TEST_F(Summary, FieldsMatchTheFilesWritten) {
  admin({"--generate", "BIG", std::to_string(TABLE_ROWS)});
  for (const Case &c : CASES) {
    SCOPED_TRACE(c.what);
    for (const fs::directory_entry &e : fs::directory_iterator(dir))
      if (e.path().filename() != "demo.db") fs::remove(e.path());
    RunResult r = q2(c.args);
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string prefix = "\n         summary: ";
    const size_t at = r.out.rfind(prefix);
    ASSERT_NE(at, std::string::npos) << r.out;
    const std::string line = r.out.substr(at + 1);
    ASSERT_EQ(line.find('\n'), line.size() - 1) << "the summary is the last line: " << r.out;
    unsigned long long files = 0, bytes = 0, ondisk = 0;
    for (const fs::directory_entry &e : fs::directory_iterator(dir)) {
      const std::string name = e.path().filename().string();
      if (name == "demo.db") continue;
      ++files;
      ondisk += fs::file_size(e.path());
      const bool gz = name.size() > 3 && name.substr(name.size() - 3) == ".gz";
      bytes += gz ? testsupport::gunzip(e.path().string()).size() : fs::file_size(e.path());
    }
    EXPECT_EQ(numberBefore(line, " rows, "), c.rows) << line;
    EXPECT_EQ(numberBefore(line, files == 1 ? " file, " : " files, "), static_cast<long long>(files)) << line;
    EXPECT_EQ(numberBefore(line, " bytes"), static_cast<long long>(bytes)) << line;
    EXPECT_EQ(numberBefore(line, " on disk)"), c.compressed ? static_cast<long long>(ondisk) : -1) << line;
    EXPECT_GT(numberBefore(line, " rows/s"), 0) << line;
    EXPECT_EQ(numberBefore(line, " ranges: range "), c.parallel ? 3 : -1) << line;
    if (c.parallel) {  // "...; slowest of 3 ranges: range N, R rows in S s."
      const std::string tail = line.substr(line.find(" ranges: range ") + 15);
      const long long range = numberBefore(tail, ", ");
      EXPECT_EQ(numberBefore(tail, " rows in"),
                static_cast<long long>(unloadtest::countLines(read("p_" + std::to_string(range) + ".csv"))));
    }
  }
}

struct ManifestCase {
  const char *what;
  std::vector<std::string> args;
  int status;
  const char *rows;    // "-": whatever the failed run reached
  const char *ranges;  // "" for a single run
  const char *holds = "";  // text the manifest holds
};

// A failure at one row: ID 1500 of a single run, in the middle range of three.
const std::string FAILING_ROW = "case when id = 1500 then ora_raise(20001) else name end";
const ManifestCase MANIFEST_CASES[] = {
    {"single", {"query=emp", "text=CSV", "file=s.csv"}, 0, "14", ""},
    {"batch pieces", {"query=big", "text=CSV", "batch=YES", "rows=1000", "file=b_%b.csv"}, 0, "2500", ""},
    // A column name with a line feed and a backslash comes back whole from the workers.
    {"parallel",
     {"split=big", "degree=3", "file=p_%p.csv",
      "query=select id, name as \"a\nb\\c\" from big where rowid >= :minrid and rowid < :maxrid"},
     0, "2500", "3", R"({"name": "a\u000ab\\c", "type": "VARCHAR2")"},
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
    EXPECT_NE(read("m.json").find(c.holds), std::string::npos) << read("m.json").substr(0, 800);
  }
}

}  // namespace
