// Parallel unloads through the built program on the stand-in: the worker
// files of every degree hold each row of the table exactly once, owners and
// partitions are resolved, and failed workers are re-run.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "unload_support.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RunResult;

class ParallelUnload : public unloadtest::Unload {
 protected:
  // A generated table of rows rows (rowid = ID) with deleted rows spread
  // through it and, from 300 rows on, runs of deleted rows at its start, in
  // its middle and at its end.
  void makeTable(const std::string &name, int rows) {
    admin({"--generate", name, std::to_string(rows)});
    std::string sql;
    if (rows >= 10) sql += "DELETE FROM " + name + " WHERE MOD(ID, 7) = 3;\n";
    if (rows >= 300)
      sql += "DELETE FROM " + name + " WHERE ID <= 20 OR ID > " + std::to_string(rows - 40) +
             " OR ID BETWEEN " + std::to_string(rows / 3) + " AND " + std::to_string(rows / 2) + ";\n";
    if (!sql.empty()) script(sql);
  }
  // A split into the worker files part_N.txt.
  RunResult split(const std::string &table, const std::string &degree, std::vector<std::string> more = {},
                  const std::string &user = "scott/tiger") {
    more.insert(more.begin(), {"split=" + table, "degree=" + degree, "head=NO", "file=part_%p.txt"});
    return q2(more, user);
  }

  // Lines of the single unload of query, sorted.
  std::vector<std::string> single(const std::string &query) {
    RunResult r = q2({"query=" + query, "head=NO", "file=single.txt"});
    EXPECT_EQ(r.status, 0) << r.out;
    std::vector<std::string> lines = sortedLines(read("single.txt"));
    fs::remove(path("single.txt"));
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
      RunResult r = split(table, std::to_string(degree));
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

// A partition's workers read its rows only, whatever the form of the name;
// the stand-in's partitions are rowid ranges, so the single unload selects
// the same rows by rowid. Owner and table names are taken as users type them,
// by the owner or another user; a given query runs in every worker with its
// range.
TEST_F(ParallelUnload, NamesPartitionsAndQueries) {
  makeTable("G", 5000);
  admin({"--partition", "G", "P1", "1", "2000"});
  admin({"--partition", "G", "P2", "2001", "5000"});
  const std::vector<std::string> p1 = single("select * from G where _rowid_ <= 2000");
  const std::vector<std::string> p2 = single("select * from G where _rowid_ > 2000");
  const std::vector<std::string> emp = single("SCOTT.EMP"), some = single("select ID, NAME from G");
  ASSERT_FALSE(p1.empty());
  ASSERT_FALSE(p2.empty());
  const std::string rangeQuery = "query=select ID, NAME from G where ROWID >= :minrid and ROWID < :maxrid";
  struct Case {
    const char *split, *degree;
    const std::vector<std::string> &expected;
    std::vector<std::string> more;
    const char *user;
  } cases[] = {
      {"g:p1", "3", p1, {}, "scott/tiger"},        {"G:P1", "2", p1, {}, "scott/tiger"},
      {"scott.g:p1", "4", p1, {}, "scott/tiger"},  {"Scott.G:p2", "7", p2, {}, "scott/tiger"},
      {"g:P2", "2", p2, {}, "scott/tiger"},        {"scott.g:p2", "3", p2, {}, "system/manager"},
      {"emp", "3", emp, {}, "scott/tiger"},        {"EMP", "3", emp, {}, "scott/tiger"},
      {"scott.emp", "3", emp, {}, "scott/tiger"},  {"SCOTT.EMP", "3", emp, {}, "scott/tiger"},
      {"Scott.Emp", "3", emp, {}, "scott/tiger"},  {"scott.emp", "2", emp, {}, "system/manager"},
      {"G", "4", some, {rangeQuery}, "scott/tiger"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.split) + " by " + c.user);
    RunResult r = split(c.split, c.degree, c.more, c.user);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(collect(), c.expected);
  }
}

// Splits that are refused or find no table write no worker file.
TEST_F(ParallelUnload, RefusedSplitsWriteNothing) {
  struct Case {
    const char *split;
    std::string query;
    const char *message;
  } cases[] = {
      {"nosuch", "", nullptr},
      {"scott.nosuch", "", nullptr},
      {"nosuch:p1", "", nullptr},
      {"emp:nosuch", "", nullptr},
      {"emp", "select * from emp", "must limit ROWID by :minrid and :maxrid"},
      {"emp", "select * from emp where rowid >= :minrid", "must limit ROWID by :minrid and :maxrid"},
      {"emp' OR '1'='1", "", "not a plain table name"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.split + (" " + c.query));
    RunResult r = split(c.split, "2", c.query.empty() ? std::vector<std::string>{} : std::vector{"query=" + c.query});
    if (c.message != nullptr) {
      EXPECT_EQ(r.status, 1) << r.out;
      EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
    } else {
      EXPECT_NE(r.status, 0) << r.out;
      EXPECT_TRUE(r.out.find("ERROR -- ") != std::string::npos || r.out.find("ORA-") != std::string::npos)
          << r.out;
    }
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
    std::string faults = c.faults;
    const size_t mark = faults.find("MARK");
    if (mark != std::string::npos) faults.replace(mark, 4, marker);
    std::vector<std::string> args = {"sleep=" + std::to_string(c.sleep)};
    args.insert(args.end(), c.options.begin(), c.options.end());
    setenv("OCILITE_FAULT", faults.c_str(), 1);
    const auto start = std::chrono::steady_clock::now();
    RunResult r = split("T999", "2", args);
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

}  // namespace
