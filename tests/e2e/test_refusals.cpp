// Command lines that would lose rows or hide a mistake: each is refused with
// a message on standard error that says how to mend it, or warned about,
// with the documented exit status. Refusals come before any logon.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "unload_support.h"

namespace {

namespace fs = std::filesystem;
using unloadtest::countLines;

struct Streams {
  int status;
  std::string out, err;
};

// Runs quillet2 with args in folder cwd; standard output and standard error
// apart. A logon fault makes every logon fail, so a refusal that comes
// before logon shows no ORA-01017.
Streams runApart(std::vector<std::string> args, const fs::path &cwd, const std::string &in = "") {
  args.insert(args.begin(), QUILLET2_BIN);
  const fs::path inPath = cwd / ".in", outPath = cwd / ".out", errPath = cwd / ".err";
  testsupport::writeFile(inPath, in);
  pid_t pid = fork();
  if (pid == 0) {
    int i = open(inPath.c_str(), O_RDONLY), o = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
        e = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (i < 0 || o < 0 || e < 0 || chdir(cwd.c_str()) != 0) _exit(126);
    dup2(i, 0), dup2(o, 1), dup2(e, 2);
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int ws = 0;
  waitpid(pid, &ws, 0);
  Streams s{WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws), testsupport::readFile(outPath),
            testsupport::readFile(errPath)};
  for (const fs::path &p : {inPath, outPath, errPath}) fs::remove(p);
  EXPECT_EQ((s.out + s.err).find("Sanitizer"), std::string::npos) << s.err.substr(0, 3000);
  EXPECT_EQ((s.out + s.err).find("runtime error"), std::string::npos) << s.err.substr(0, 3000);
  return s;
}

std::string repeat(const std::string &s, int n) {
  std::string r;
  while (n-- > 0) r += s;
  return r;
}

// Never: the run must end before any logon, with nothing on standard output.
enum class Logon { Never, Allowed };

struct Row {
  const char *name;
  std::vector<std::string> args;  // after user=
  int status;
  std::string err;     // standard error holds it
  std::string notErr;  // standard error does not hold it ("" = no check)
  Logon logon;
  std::vector<std::string> absent;  // files the run must not leave
};

class Refusals : public unloadtest::Unload {
 protected:
  void SetUp() override {
    Unload::SetUp();
    script("CREATE VIEW EMPV AS SELECT * FROM EMP;\n");
  }
  std::string user() const { return "user=scott/tiger@" + db; }
  void check(const Row &row, const std::string &in = "") {
    SCOPED_TRACE(row.name);
    std::vector<std::string> args = row.args;
    args.insert(args.begin(), user());
    if (row.logon == Logon::Never) setenv("OCILITE_LOGON_ERROR", "1017", 1);
    Streams s = runApart(args, dir, in);
    unsetenv("OCILITE_LOGON_ERROR");
    EXPECT_EQ(s.status, row.status) << s.out.substr(0, 500) << s.err.substr(0, 2000);
    EXPECT_NE(s.err.find(row.err), std::string::npos) << s.err.substr(0, 2000);
    if (!row.notErr.empty()) {
      EXPECT_EQ(s.err.find(row.notErr), std::string::npos) << s.err.substr(0, 2000);
    }
    if (row.logon == Logon::Never) {
      EXPECT_EQ(s.out, "");
      EXPECT_EQ(s.err.find("ORA-"), std::string::npos) << s.err;
    }
    for (const std::string &f : row.absent) EXPECT_FALSE(fs::exists(dir / f)) << f;
  }
};

const std::string ADD_B = "add %b to the name", ADD_P = "add %p to the name", SAME = "name the same file";
const std::string RANGE_BINDS = "must limit ROWID by :minrid and :maxrid";

TEST_F(Refusals, OutputNamesThatLoseRows) {
  const Row rows[] = {
      {"PiecesByRowsWithoutPieceNumber", {"query=emp", "batch=yes", "rows=5", "file=nob.csv"}, 1, ADD_B, "", Logon::Never, {"nob.csv"}},
      {"PiecesBySizeUnderTheDefaultName", {"query=emp", "size=5"}, 1, "file=qletdata_%p.txt has no %b", "", Logon::Never, {"qletdata_1.txt"}},
      {"PiecesWithALobFileWithoutPieceNumber", {"query=emp", "batch=yes", "file=p%b.csv", "lobfile=one.lob"}, 1, "lobfile=one.lob has no %b", "", Logon::Never, {"p1.csv"}},
      {"PiecesAppendedToOneFile", {"query=emp", "batch=yes", "rows=5", "file=+all.csv"}, 0, "", ADD_B, Logon::Allowed, {}},
      {"PiecesOnStandardOutput", {"query=emp", "batch=yes", "rows=5", "file=-"}, 0, "", ADD_B, Logon::Allowed, {}},
      {"WorkersSharingADataFile", {"split=emp", "degree=4", "file=same.csv"}, 1, ADD_P, "", Logon::Never, {"same.csv"}},
      {"WorkersOnStandardOutput", {"split=emp", "degree=2", "file=-"}, 1, "cannot write to standard output", "", Logon::Never, {}},
      {"WorkersSharingALobFile", {"split=emp", "degree=2", "file=d%p.csv", "lobfile=shared.lob"}, 1, "lobfile=shared.lob has no %p", "", Logon::Never, {"d1.csv"}},
      {"WorkersSharingALog", {"split=emp", "degree=2", "file=d%p.csv", "log=one.log"}, 1, "log=one.log has no %p", "", Logon::Never, {"one.log"}},
      {"WorkersAppendingToOneFile", {"split=emp", "degree=2", "file=+shared.csv"}, 1, ADD_P, "", Logon::Never, {"shared.csv"}},
      {"DegreeAloneIsOneJob", {"query=emp", "degree=4", "file=one.csv"}, 0, "", ADD_P, Logon::Allowed, {}},
      {"DataFileIsTheLobFile", {"query=emp", "file=a.csv", "lobfile=a.csv"}, 1, "file=a.csv and lobfile=a.csv " + SAME, "", Logon::Never, {"a.csv"}},
      {"DataFileIsTheLog", {"query=emp", "file=a.csv", "log=./a.csv"}, 1, SAME, "", Logon::Never, {"a.csv"}},
      {"DataFileIsTheControlFile", {"query=bonus", "file=bonus_sqlldr.ctl"}, 1, SAME, "", Logon::Never, {"bonus_sqlldr.ctl"}},
      {"LogIsTheNamedControlFile", {"query=emp", "file=e.csv", "log=+e.ctl", "control=e.ctl"}, 1, SAME, "", Logon::Never, {"e.csv"}},
  };
  for (const Row &row : rows) check(row);
  EXPECT_EQ(countLines(read("all.csv")), 14u);
}

TEST_F(Refusals, ValuesLongerThanTheirFields) {
  std::string sql = "select ename from emp where ename <> '";
  sql += std::string(40000 - sql.size(), 'x') + "'\n";
  write("big.sql", sql);
  std::string columns = "select 0 c0";  // 1024 columns
  for (int i = 1; i < 1024; i++) columns += ", " + std::to_string(i) + " c" + std::to_string(i);
  write("wide.sql", columns + " from dual\n");
  std::vector<std::string> binds = {"query=emp"};
  for (int i = 0; i < 19; i++) binds.push_back(":b" + std::to_string(i) + "=1");
  std::vector<std::string> skips = {"query=emp", "error=1", "error=1"};  // a repeat takes no room
  for (int i = 1; i <= 32; i++) skips.push_back("error=" + std::to_string(20000 + i));
  const Row rows[] = {
      {"QueryOverItsField", {"query=select * from emp where " + std::string(9000, ' ') + "empno < 0"}, 1, "limit of 8191 bytes; put a longer query into a file", "", Logon::Never, {}},
      {"SqlFileOverTheQuery", {"sql=big.sql"}, 1, "SQL file big.sql is longer than its limit of 32767", "", Logon::Never, {}},
      {"FileNameOverItsField", {"query=emp", "file=" + std::string(251, 'n') + ".csv.gz"}, 1, "file= value of 258 bytes is longer than its limit of 255", "", Logon::Never, {}},
      {"NameExpandsBeyondItsBuffer", {"query=emp", "file=x.csv", "lobfile=" + std::string(26, 'l') + repeat("%t", 23)}, 1, "more than the 255 a file name can hold", "", Logon::Never, {}},
      {"PresqlOverItsField", {"query=emp", "presql=" + std::string(1100, 'p')}, 1, "presql= value of 1100 bytes", "", Logon::Never, {}},
      {"SeparatorOverItsField", {"query=emp", "field=" + std::string(132, ',')}, 1, "field= value of 132 bytes is longer than its limit of 131", "", Logon::Never, {}},
      {"BindValueOverItsField", {"query=emp", ":v=" + std::string(128, 'v')}, 1, "a value 127", "", Logon::Never, {}},
      {"TooManyBindArguments", binds, 1, "More than 18 bind arguments", "", Logon::Never, {}},
      {"TooManySkippedErrors", skips, 1, "error= lists more than 32 error numbers: 20032 would not be skipped", ": 20031 would", Logon::Never, {}},
      {"ConnectStringOverItsField", {"user=" + std::string(129, 'u'), "query=emp"}, 1, "user= value of 129 bytes", "", Logon::Never, {}},
  };
  for (const Row &row : rows) check(row);
  // Counted after describe: the unload fails with the describe status.
  testsupport::RunResult r = q2({"sql=wide.sql", "file=wide.csv"});
  EXPECT_EQ(r.status, 5) << r.out.substr(0, 1000);
  EXPECT_NE(r.out.find("selects 1024 columns, more than the 1023"), std::string::npos) << r.out.substr(0, 1000);
}

// A parameter-file line is one option however long: a query= line whose
// byte 511 starts presql=DELETE FROM EMP keeps that text inside the query.
TEST_F(Refusals, LongParameterFileLineStaysOneOption) {
  std::string line = "query=select ename from emp where ename <> '";
  line += std::string(510 - line.size(), 'x') + "presql=DELETE FROM EMP'";
  ASSERT_EQ(line.substr(510, 7), "presql=");
  write("long.par", line + "\nfile=names.csv\n");
  check({"LongLine", {"parfile=long.par"}, 0, "", "unknown keyword", Logon::Allowed, {}});
  EXPECT_EQ(countLines(read("names.csv")), 14u);
  EXPECT_EQ(q2({"query=select count(*) from emp", "file=count.csv"}).status, 0);
  EXPECT_EQ(read("count.csv"), "14\n");
}

TEST_F(Refusals, OutputThatCannotLoadBack) {
  const std::string TABLE = "needs the table to insert into: add table=NAME";
  const Row rows[] = {
      {"ModeThatIsNoLoadMode", {"query=dept", "mode=DROP TABLE x"}, 1, "mode=DROP TABLE x is not a load mode", "", Logon::Never, {"dept_sqlldr.ctl"}},
      {"LoadModeInAnyCase", {"query=dept", "mode=append", "file=d.csv"}, 0, "", "not a load mode", Logon::Allowed, {}},
      {"OracleInsertsOfAQuery", {"query=select * from dept", "text=ORACLEINS", "file=d.sql"}, 1, TABLE, "", Logon::Never, {"d.sql"}},
      {"MysqlInsertsOfAWithQuery", {"query=with d as (select * from dept) select * from d", "text=MYSQLINS", "file=d.sql"}, 1, TABLE, "", Logon::Never, {"d.sql"}},
      {"InsertsOfAQueryInParentheses", {"query=(select * from dept)", "text=ORACLEINS", "file=d.sql"}, 1, TABLE, "", Logon::Never, {"d.sql"}},
      {"InsertsOfATableFillIt", {"query=dept", "text=ORACLEINS", "file=t.sql"}, 0, "", TABLE, Logon::Allowed, {}},
      {"ScrambledAndAppended", {"query=dept", "crack=key12345", "file=+c.dat"}, 1, "crack= cannot append (file=+...)", "", Logon::Never, {"c.dat"}},
  };
  for (const Row &row : rows) check(row);
}

TEST_F(Refusals, InputsThatCannotBeRead) {
  write("ok.dat", "plain");
  const Row rows[] = {
      {"MissingParameterFile", {"parfile=none.par"}, 1, "parameter file none.par: No such file or directory", "", Logon::Never, {}},
      {"ParameterFileIsAFolder", {"parfile=."}, 1, "parameter file .: Is a directory", "", Logon::Never, {}},
      {"MissingSqlFile", {"sql=none.sql"}, 1, "SQL file none.sql: No such file or directory", "", Logon::Never, {}},
      {"UncrackOfAMissingFile", {"uncrack=key12345", "file=none.dat"}, 6, "none.dat: No such file or directory", "", Logon::Never, {}},
      {"UncrackOfAFileKeepsStatus1", {"uncrack=key12345", "file=ok.dat"}, 1, "", "ERROR", Logon::Allowed, {}},
  };
  for (const Row &row : rows) check(row);
}

TEST_F(Refusals, SplitOfSomethingNotATable) {
  const Row rows[] = {
      {"SplitOfAView", {"split=empv", "degree=4", "file=v%p.csv"}, 1, "", "", Logon::Allowed, {"v1.csv"}},
      {"SplitOfDual", {"split=dual", "degree=2", "file=d%p.csv"}, 1, "", "", Logon::Allowed, {"d1.csv"}},
      {"RangeBindsOnlyInAComment", {"split=emp", "degree=2", "file=c%p.csv", "query=select * from emp /* :minrid :maxrid */"}, 1, "", "", Logon::Allowed, {"c1.csv"}},
      {"RangeBindsOnlyInLiterals", {"split=emp", "degree=2", "file=c%p.csv", "query=select ':minrid', q'[:maxrid]' from emp -- :maxrid"}, 1, "", "", Logon::Allowed, {"c1.csv"}},
  };
  for (const Row &row : rows) check(row);
  // The messages go through the session's message sink.
  EXPECT_NE(q2({"split=empv", "degree=4", "file=v%p.csv"}).out.find("SCOTT.EMPV is not a table, so it cannot be split"), std::string::npos);
  EXPECT_NE(q2({"split=emp", "degree=2", "file=c%p.csv", "query=select * from emp /* :minrid :maxrid */"}).out.find(RANGE_BINDS), std::string::npos);
  check({"RangeBindsInTheQuery", {"split=emp", "degree=2", "file=r%p.csv", "query=select * from emp where rowid >= :MinRid and rowid < :maxrid"}, 0, "", "", Logon::Allowed, {}});
}

TEST_F(Refusals, WarningsLetTheRunGoOn) {
  write("c.par", "# file=commented.csv\n  continued=yes\nquery=select * from emp where deptno = :deptno\n");
  const Row rows[] = {
      {"UnknownKeywords", {"fille=x.csv", "txt=CSV", "query=dept", "file=ok.csv"}, 0, "unknown keyword fille, ignored\nunknown keyword txt, ignored\n", "", Logon::Allowed, {"x.csv"}},
      {"BrokenHexEscape", {"query=dept", "file=x.csv", "field=0xZZ"}, 0, "field=0xZZ gives a NUL byte", "", Logon::Allowed, {}},
      {"EscapeCutAtTheEnd", {"query=dept", "file=x.csv", "record=0x"}, 0, "record=0x gives a NUL byte", "", Logon::Allowed, {}},
      {"EmptySeparator", {"query=dept", "file=x.csv", "field="}, 0, "field= is empty", "", Logon::Allowed, {}},
      {"ZeroEscapeKept", {"query=select 1 as a, null as b from dual", "file=n.csv", "null=100", "field=0x00"}, 0, "", "NUL", Logon::Allowed, {}},
  };
  for (const Row &row : rows) check(row);
  EXPECT_EQ(read("n.csv"), std::string("1\0" "10\n", 5));
  // No warning for the first argument taken as the connect string, for a
  // parameter-file comment with its continuation, or for bind arguments.
  Streams s = runApart({"scott/tiger@" + db, "parfile=c.par", "file=d.csv", ":deptno=10", "sedd=x"}, dir);
  EXPECT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(s.err, "unknown keyword sedd, ignored\n");
  EXPECT_EQ(countLines(read("d.csv")), 3u);
  EXPECT_FALSE(fs::exists(dir / "commented.csv"));
}

// Errors and warnings on standard error, never in the data; progress and
// results on standard output unless the data is there; a log gets every line.
TEST_F(Refusals, MessagesNeverInTheData) {
  const std::string bad = "query=select empno, case when empno = 7900 then ora_raise(20001) else ename end from emp";
  struct Route {
    const char *name;
    std::vector<std::string> args;
    int status;
    std::string out, err, notOut, notErr;
  } rows[] = {
      {"SkippedErrorBesideStdoutData", {bad, "file=-", "error=20001"}, 0, "7369,SMITH\n", "ORA-20001", "ORA-", "7369"},
      {"FatalErrorBesideStdoutData", {bad, "file=-"}, 7, "", "ORA-20001", "ORA-", ""},
      {"WarningBesideStdoutData", {"query=emp", "file=-", "field=0x"}, 0, "7369", "field=0x gives a NUL", "NUL", "7369"},
      {"LogBesideStdoutData", {bad, "file=-", "error=20001", "log=d.log"}, 0, "7369,SMITH\n", "ORA-20001", "ORA-", "7369"},
      {"ProgressOnStdout", {bad, "file=e.csv", "error=20001"}, 0, "closed at 13 rows", "ORA-20001", "ORA-20001:", "closed"},
      {"LogTakesEveryLine", {bad, "file=e.csv", "error=20001", "log=q.log"}, 0, "", "ORA-20001", "closed", "closed"},
      {"LogonErrorOnStderr", {"query=emp", "file=e.csv", "user=scott/tiger@nosuch.db"}, 1, "", "ORA-12154", "ORA-", ""},
      {"CryptResultOnStdout", {"crypt=YES"}, 1, "user=", "", "", "user="},
      {"HelpOnStdout", {}, 1, "Usage", "", "", "Usage"},
  };
  for (const Route &r : rows) {
    SCOPED_TRACE(r.name);
    std::vector<std::string> args = r.args;
    args.insert(args.begin(), user());
    Streams s = runApart(args, dir);
    EXPECT_EQ(s.status, r.status) << s.err.substr(0, 500);
    EXPECT_NE(s.out.find(r.out), std::string::npos) << s.out.substr(0, 500);
    EXPECT_NE(s.err.find(r.err), std::string::npos) << s.err.substr(0, 500);
    EXPECT_TRUE(r.notOut.empty() || s.out.find(r.notOut) == std::string::npos) << s.out.substr(0, 500);
    EXPECT_TRUE(r.notErr.empty() || s.err.find(r.notErr) == std::string::npos) << s.err.substr(0, 500);
  }
  EXPECT_EQ(read("e.csv").find("ORA-"), std::string::npos);
  const std::string log = read("q.log");
  EXPECT_NE(log.find("ORA-20001"), std::string::npos) << log;
  EXPECT_NE(log.find("closed at 13 rows"), std::string::npos) << log;
}

// The password leaves argv before anything is read from standard input (so
// also before logon and before any worker is forked).
TEST_F(Refusals, PasswordLeavesTheProcessListing) {
  int in[2];
  ASSERT_EQ(pipe(in), 0);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    close(in[1]);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1), dup2(null, 2);
    execl(QUILLET2_BIN, QUILLET2_BIN, ("user=scott/tiger@" + db).c_str(), "sql=-", "file=/dev/null", nullptr);
    _exit(127);
  }
  close(in[0]);
  const std::string proc = "/proc/" + std::to_string(pid) + "/cmdline";
  std::string cmdline;
  for (int i = 0; i < 500 && cmdline.find("scott/xxxxx@") == std::string::npos; i++) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    cmdline = testsupport::readFile(proc);
  }
  EXPECT_NE(cmdline.find("user=scott/xxxxx@" + db), std::string::npos) << cmdline;
  EXPECT_EQ(cmdline.find("tiger"), std::string::npos) << cmdline;
  ASSERT_EQ(::write(in[1], "select * from dept\n", 19), 19);
  close(in[1]);
  int ws = 0;
  waitpid(pid, &ws, 0);
  EXPECT_TRUE(WIFEXITED(ws) && WEXITSTATUS(ws) == 0) << ws;
}

}  // namespace
