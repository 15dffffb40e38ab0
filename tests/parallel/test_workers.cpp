// The worker supervision over real forked children that exit as scripted,
// and the job a worker is given.
#include <pwd.h>
#include <signal.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "parallel/workers.h"
#include "support/process.h"

namespace {

// What one attempt of a range does: succeed, exit with 3, or die by a signal.
enum Outcome { OK, FAIL, KILL };

struct PassCase {
  const char *name;
  std::vector<std::vector<Outcome>> script;  // per range, per attempt; the last repeats
  int retry;
  std::vector<int> attempts;  // expected attempts per range
  int failed;                 // expected failed ranges at the end
};

// Runs the passes; each child counts its attempt in a file of its range and
// ends as the script says.
void runScript(const PassCase &c, TABLESPLIT *split, std::vector<int> *attempts) {
  const std::filesystem::path dir = testsupport::makeTempDir("q2workers");
  memset(split, 0, sizeof *split);
  split->count = static_cast<int>(c.script.size());
  for (int i = 0; i < split->count; ++i) split->range[i].id = i + 1;
  const int worker = runWorkerPasses(split, c.retry, 0);
  if (worker >= 0) {
    const std::filesystem::path log = dir / std::to_string(worker);
    const size_t attempt = testsupport::readFile(log).size();
    testsupport::writeFile(log, std::string(attempt + 1, 'x'));
    const std::vector<Outcome> &s = c.script[worker];
    switch (s[std::min(attempt, s.size() - 1)]) {
      case OK: _exit(0);
      case FAIL: _exit(3);
      case KILL: raise(SIGKILL);
    }
    _exit(99);
  }
  attempts->clear();
  for (int i = 0; i < split->count; ++i)
    attempts->push_back(static_cast<int>(testsupport::readFile(dir / std::to_string(i)).size()));
  std::filesystem::remove_all(dir);
}

class WorkerPasses : public ::testing::TestWithParam<PassCase> {};

TEST_P(WorkerPasses, RerunRules) {
  const PassCase &c = GetParam();
  static TABLESPLIT split;
  std::vector<int> attempts;
  runScript(c, &split, &attempts);
  EXPECT_EQ(attempts, c.attempts);
  EXPECT_EQ(countFailedRanges(&split), c.failed);
  for (int i = 0; i < split.count; ++i) EXPECT_GT(split.thid[i], 0) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, WorkerPasses,
    ::testing::Values(
        PassCase{"AllSucceed", {{OK}, {OK}, {OK}, {OK}}, 3, {1, 1, 1, 1}, 0},
        PassCase{"OneFailsOnce", {{OK}, {FAIL, OK}, {OK}, {OK}}, 3, {1, 2, 1, 1}, 0},
        PassCase{"OneFailsAlways", {{OK}, {FAIL}, {OK}, {OK}}, 3, {1, 4, 1, 1}, 1},
        PassCase{"RetryZero", {{OK}, {FAIL, OK}, {FAIL}}, 0, {1, 1, 1}, 2},
        PassCase{"AllFailNoReruns", {{FAIL, OK}, {FAIL, OK}, {KILL, OK}}, 3, {1, 1, 1}, 3},
        PassCase{"KilledBySignalIsRerun", {{OK}, {KILL, OK}}, 3, {1, 2}, 0},
        PassCase{"TwoFailWithRetryOne", {{FAIL}, {FAIL}, {OK}}, 1, {2, 2, 1}, 2},
        // The re-run count is checked only between passes: the second pass
        // re-runs both ranges although it passes the budget of 3.
        PassCase{"LastPassRerunsAll", {{FAIL}, {OK}, {FAIL}}, 3, {3, 1, 3}, 2},
        PassCase{"StopsWhenAllRecovered", {{FAIL, FAIL, OK}, {OK}}, 5, {3, 1}, 0}),
    [](const auto &info) { return std::string(info.param.name); });

// With no process left to the user, every fork fails: each range is failed
// without a process to wait for, and no re-run is tried since all failed.
TEST(WorkerPassesNoFork, RangesWithoutAWorkerCountAsFailed) {
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const passwd *nobody = getpwnam("nobody");
    const rlimit none{0, 0};
    if (nobody == nullptr || (getuid() == 0 && setuid(nobody->pw_uid) != 0) ||
        setrlimit(RLIMIT_NPROC, &none) != 0)
      _exit(100);
    static TABLESPLIT split;
    split.count = 3;
    if (runWorkerPasses(&split, 3, 0) >= 0) _exit(0);  // a worker did start
    for (int i = 0; i < split.count; ++i)
      if (split.thid[i] != -1 || split.status[i] != FORK_FAILED_STATUS) _exit(101);
    _exit(countFailedRanges(&split));
  }
  int wstatus = 0;
  ASSERT_EQ(waitpid(pid, &wstatus, 0), pid);
  ASSERT_TRUE(WIFEXITED(wstatus));
  if (WEXITSTATUS(wstatus) == 100) GTEST_SKIP() << "cannot drop to a user with a process limit";
  EXPECT_EQ(WEXITSTATUS(wstatus), 3);
}

TEST(WorkerStatus, FailedSplitNeverExitsAsSuccess) {
  EXPECT_EQ(splitExitStatus(942), 942);
  EXPECT_EQ(splitExitStatus(OCI_NO_DATA), OCI_NO_DATA);
  EXPECT_EQ(splitExitStatus(-1), -1);
  EXPECT_EQ(splitExitStatus(0), 0);
  EXPECT_EQ(splitExitStatus(1536), 1);  // ORA-01536 would exit as 0
}

ROWIDRANGE sampleRange() {
  ROWIDRANGE r{};
  r.id = 7;
  memcpy(r.minrid, "AAAR3sAAEAAAACXAAA", ROWID_TEXT_LEN);
  memcpy(r.maxrid, "AAAR3sAAEAAAAD0AAA", ROWID_TEXT_LEN);
  return r;
}

TEST(WorkerOptions, DefaultQueryNamesTheOwnerAndAddsTheBinds) {
  static JOBSPEC opts;
  opts = JOBSPEC{};
  SPLITSPEC split;
  strcpy(reinterpret_cast<char *>(split.owner), "SCOTT");
  strcpy(reinterpret_cast<char *>(split.tabsplit), "EMP");
  opts.sqlargc = 1;
  strcpy(opts.sqlargv[0].pname, "X");
  const ROWIDRANGE r = sampleRange();
  ASSERT_TRUE(prepareWorkerOptions(&opts, &split, &r));
  EXPECT_STREQ(reinterpret_cast<char *>(opts.query),
               "SELECT * FROM SCOTT.EMP WHERE ROWID >= :minrid AND ROWID < :maxrid");
  EXPECT_EQ(opts.sqlargc, 3);
  EXPECT_STREQ(opts.sqlargv[0].pname, "X");
  EXPECT_STREQ(opts.sqlargv[1].pname, "MINRID");
  EXPECT_EQ(opts.sqlargv[1].nlen, 6);
  EXPECT_EQ(std::string(opts.sqlargv[1].pval), "AAAR3sAAEAAAACXAAA");
  EXPECT_EQ(opts.sqlargv[1].vlen, 18);
  EXPECT_EQ(opts.sqlargv[1].ob, nullptr);
  EXPECT_STREQ(opts.sqlargv[2].pname, "MAXRID");
  EXPECT_EQ(std::string(opts.sqlargv[2].pval), "AAAR3sAAEAAAAD0AAA");
}

TEST(WorkerOptions, GivenQueryIsKept) {
  static JOBSPEC opts;
  opts = JOBSPEC{};
  SPLITSPEC split;
  strcpy(reinterpret_cast<char *>(opts.query), "select ename from emp where rowid >= :minrid and rowid < :maxrid");
  const ROWIDRANGE r = sampleRange();
  ASSERT_TRUE(prepareWorkerOptions(&opts, &split, &r));
  EXPECT_STREQ(reinterpret_cast<char *>(opts.query),
               "select ename from emp where rowid >= :minrid and rowid < :maxrid");
  EXPECT_EQ(opts.sqlargc, 2);
}

TEST(WorkerOptions, FullBindSlotsAreRefused) {
  static JOBSPEC opts;
  opts = JOBSPEC{};
  SPLITSPEC split;
  opts.sqlargc = MAX_SQL_PARAMS - 1;
  const ROWIDRANGE r = sampleRange();
  EXPECT_FALSE(prepareWorkerOptions(&opts, &split, &r));
  EXPECT_EQ(opts.sqlargc, MAX_SQL_PARAMS - 1);
  EXPECT_EQ(opts.query[0], 0);
}

}  // namespace
