// Parallel unloads through the built program on the stand-in: the worker
// files of every degree hold each row of the table exactly once, owners and
// partitions are resolved, and failed workers are re-run.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/process.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RunResult;

class ParallelProgram : public ::testing::Test {
 protected:
  fs::path dir = testsupport::makeTempDir("q2par");
  std::string dbfile = (dir / "par.db").string();

  void SetUp() override {
    ASSERT_EQ(testsupport::runProgram({OCILITE_BIN, dbfile, "--demo"}).status, 0);
  }
  ~ParallelProgram() override { fs::remove_all(dir); }

  void script(const std::string &sql) {
    RunResult r = testsupport::runProgram({OCILITE_BIN, dbfile, "-"}, sql);
    ASSERT_EQ(r.status, 0) << r.out;
  }
  // A generated table of rows rows (rowid = ID) with deleted rows spread
  // through it and, from 300 rows on, runs of deleted rows at its start, in
  // its middle and at its end.
  void makeTable(const std::string &name, int rows) {
    RunResult g = testsupport::runProgram({OCILITE_BIN, dbfile, "--generate", name, std::to_string(rows)});
    ASSERT_EQ(g.status, 0) << g.out;
    std::string sql;
    if (rows >= 10) sql += "DELETE FROM " + name + " WHERE MOD(ID, 7) = 3;\n";
    if (rows >= 300)
      sql += "DELETE FROM " + name + " WHERE ID <= 20 OR ID > " + std::to_string(rows - 40) +
             " OR ID BETWEEN " + std::to_string(rows / 3) + " AND " + std::to_string(rows / 2) + ";\n";
    if (!sql.empty()) script(sql);
  }
  void partition(const std::string &table, const std::string &name, int low, int high) {
    RunResult r = testsupport::runProgram(
        {OCILITE_BIN, dbfile, "--partition", table, name, std::to_string(low), std::to_string(high)});
    ASSERT_EQ(r.status, 0) << r.out;
  }

  RunResult run(const std::string &user, std::vector<std::string> args) {
    args.insert(args.begin(), {QUILLET2_BIN, "user=" + user + "@" + dbfile});
    RunResult r = testsupport::runProgram(args, "", dir);
    EXPECT_EQ(r.out.find("Sanitizer"), std::string::npos) << r.out.substr(0, 2000);
    EXPECT_EQ(r.out.find("runtime error"), std::string::npos) << r.out.substr(0, 2000);
    return r;
  }
  RunResult run(std::vector<std::string> args) { return run("scott/tiger", std::move(args)); }

  // Lines of the single unload of query, sorted.
  std::vector<std::string> single(const std::string &query) {
    RunResult r = run({"query=" + query, "head=NO", "file=single.txt"});
    EXPECT_EQ(r.status, 0) << r.out;
    std::vector<std::string> lines = sortedLines(testsupport::readFile(dir / "single.txt"));
    fs::remove(dir / "single.txt");
    return lines;
  }

  // The worker files part_N.txt, removed after reading: their sorted lines,
  // and the worker numbers found.
  std::vector<std::string> collect(std::vector<int> *workers = nullptr) {
    std::string all;
    for (const fs::directory_entry &e : fs::directory_iterator(dir)) {
      const std::string name = e.path().filename().string();
      if (name.rfind("part_", 0) != 0) continue;
      all += testsupport::readFile(e.path());
      if (workers != nullptr) workers->push_back(std::stoi(name.substr(5)));
      fs::remove(e.path());
    }
    if (workers != nullptr) std::sort(workers->begin(), workers->end());
    return sortedLines(all);
  }

  static std::vector<std::string> sortedLines(const std::string &text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
      lines.push_back(text.substr(start, nl - start));
    if (start < text.size()) lines.push_back(text.substr(start) + "<no line feed>");
    std::sort(lines.begin(), lines.end());
    return lines;
  }
};

class ParallelUnload : public ParallelProgram {};

// Workers numbered 1..n without holes.
void expectWorkers(const std::vector<int> &workers, int most) {
  ASSERT_FALSE(workers.empty());
  EXPECT_LE(static_cast<int>(workers.size()), most);
  for (size_t i = 0; i < workers.size(); ++i) EXPECT_EQ(workers[i], static_cast<int>(i) + 1);
}

TEST_F(ParallelUnload, EveryRowExactlyOnceAtEveryDegree) {
  for (int rows : {0, 1, 999, 100000}) {
    const std::string table = std::string("T").append(std::to_string(rows));
    makeTable(table, rows);
    const std::vector<std::string> expected = single(table);
    for (int degree : {2, 3, 4, 7, 16, 128}) {
      SCOPED_TRACE(table + " degree " + std::to_string(degree));
      RunResult r = run({"split=" + table, "degree=" + std::to_string(degree), "head=NO",
                         "file=part_%p.txt"});
      ASSERT_EQ(r.status, 0) << r.out;
      std::vector<int> workers;
      EXPECT_EQ(collect(&workers), expected);
      if (rows == 0)  // an empty table keeps its first extent: at most one (empty) range
        EXPECT_LE(workers.size(), 1u);
      else
        expectWorkers(workers, degree);
    }
  }
}

TEST_F(ParallelUnload, GivenQueryRunsInEveryWorkerWithItsRange) {
  makeTable("T999", 999);
  const std::vector<std::string> expected = single("select ID, NAME from T999");
  RunResult r = run({"split=T999", "degree=4", "head=NO", "file=part_%p.txt",
                     "query=select ID, NAME from T999 where ROWID >= :minrid and ROWID < :maxrid"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(collect(), expected);
}

TEST_F(ParallelUnload, OwnerAndTableNamesAsUsersTypeThem) {
  const std::vector<std::string> expected = single("SCOTT.EMP");
  for (const char *split : {"emp", "EMP", "scott.emp", "SCOTT.EMP", "Scott.Emp"}) {
    SCOPED_TRACE(split);
    RunResult r = run({std::string("split=") + split, "degree=3", "head=NO", "file=part_%p.txt"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(collect(), expected);
  }
}

// A partition's workers read its rows only, whatever the form of the name;
// the stand-in's partitions are rowid ranges, so the single unload selects
// the same rows by rowid.
TEST_F(ParallelUnload, PartitionFormsReadThePartitionOnly) {
  makeTable("G", 5000);
  partition("G", "P1", 1, 2000);
  partition("G", "P2", 2001, 5000);
  const std::vector<std::string> p1 = single("select * from G where rowid <= 2000");
  const std::vector<std::string> p2 = single("select * from G where rowid > 2000");
  ASSERT_FALSE(p1.empty());
  ASSERT_FALSE(p2.empty());
  struct Case {
    const char *split;
    const char *degree;
    const std::vector<std::string> &expected;
  };
  for (const Case &c : {Case{"g:p1", "3", p1}, Case{"G:P1", "2", p1}, Case{"scott.g:p1", "4", p1},
                        Case{"Scott.G:p2", "7", p2}, Case{"g:P2", "2", p2}}) {
    SCOPED_TRACE(c.split);
    RunResult r = run({std::string("split=") + c.split, std::string("degree=") + c.degree, "head=NO",
                       "file=part_%p.txt"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(collect(), c.expected);
  }
  RunResult other = run("system/manager", {"split=scott.g:p2", "degree=3", "head=NO", "file=part_%p.txt"});
  ASSERT_EQ(other.status, 0) << other.out;
  EXPECT_EQ(collect(), p2);
}

TEST_F(ParallelUnload, AnotherUserSplitsTheOwnersTable) {
  const std::vector<std::string> expected = single("SCOTT.EMP");
  RunResult r = run("system/manager", {"split=scott.emp", "degree=2", "head=NO", "file=part_%p.txt"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(collect(), expected);
}

TEST_F(ParallelUnload, MissingTableEndsWithAnError) {
  for (const char *split : {"nosuch", "scott.nosuch", "nosuch:p1", "emp:nosuch"}) {
    SCOPED_TRACE(split);
    RunResult r = run({std::string("split=") + split, "degree=2", "file=part_%p.txt"});
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_TRUE(r.out.find("ERROR -- ") != std::string::npos || r.out.find("ORA-") != std::string::npos)
        << r.out;
    EXPECT_TRUE(collect().empty());
  }
}

size_t occurrences(const std::string &text, const std::string &what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Faults at rows of T999, which degree=2 splits into rows 1-512 and 513-999
// (degree=3: 1-384, 385-768, 769-999); a fault with the marker MARK fires
// once across processes.
TEST_F(ParallelUnload, FailedWorkersAreRerunByTheRules) {
  makeTable("T999", 999);
  const std::vector<std::string> expected = single("T999");
  struct Case {
    const char *name;
    const char *faults;  // OCILITE_FAULT, MARK standing for the marker file
    std::vector<std::string> options;
    int sleep;        // the pause before a re-run, in 100 ms
    int status;
    size_t failures;  // worker runs that reported the fault
    bool complete;    // the worker files hold every row
  } cases[] = {
      {"fails once", "ORA-03113:T999:600:MARK", {}, 3, 0, 1, true},
      {"fails every time", "ORA-03113:T999:600", {}, 1, 1, 4, false},
      {"retry=0", "ORA-03113:T999:30;ORA-03113:T999:600", {"degree=3", "retry=0"}, 1, 2, 2, false},
      {"all fail", "ORA-03113:T999:30;ORA-03113:T999:950", {}, 1, 2, 2, false},
      {"killed once", "SIGKILL:T999:600:MARK", {}, 1, 0, 0, true},
  };
  const std::string marker = (dir / "fired").string();
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::string spec = c.faults;
    const size_t mark = spec.find("MARK");
    if (mark != std::string::npos) spec.replace(mark, 4, marker);
    std::vector<std::string> args = {"split=T999", "degree=2", "head=NO", "file=part_%p.txt",
                                     "sleep=" + std::to_string(c.sleep)};
    args.insert(args.end(), c.options.begin(), c.options.end());
    setenv("OCILITE_FAULT", spec.c_str(), 1);
    const auto start = std::chrono::steady_clock::now();
    RunResult r = run(args);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    unsetenv("OCILITE_FAULT");
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_EQ(occurrences(r.out, "ORA-03113"), c.failures) << r.out;
    if (c.status == 0) {
      EXPECT_GE(took.count(), c.sleep * 0.1);  // a re-run waits for its pause
    }
    const std::vector<std::string> got = collect();
    if (c.complete)
      EXPECT_EQ(got, expected);
    else
      EXPECT_LT(got.size(), expected.size());
    EXPECT_EQ(fs::remove(marker), mark != std::string::npos);  // the one-time fault fired
  }
}

TEST_F(ParallelProgram, GivenQueryWithoutTheRangeIsRefused) {
  for (const char *query : {"select * from emp", "select * from emp where rowid >= :minrid"}) {
    RunResult r = run({"split=emp", "degree=2", "file=part_%p.txt", std::string("query=") + query});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("must limit ROWID by :minrid and :maxrid"), std::string::npos) << r.out;
    EXPECT_TRUE(collect().empty());
  }
}

TEST_F(ParallelProgram, NameThatIsNotPlainIsRefused) {
  RunResult r = run({"split=emp' OR '1'='1", "degree=2", "file=part_%p.txt"});
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("not a plain table name"), std::string::npos) << r.out;
}

}  // namespace
