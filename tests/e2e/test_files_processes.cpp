// Files and processes: a failed or interrupted unload never leaves a file
// under its final name, appended files go back to what they held, write and
// open failures name the file and the reason, size pieces close at their
// size, SIGINT/SIGTERM end the run cleanly and workers never outlive it.
#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <thread>

#include "support/process.h"

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;

struct Outcome {
  int status;
  std::string out, err;
  std::vector<pid_t> workers;  // children of the program when the signal was sent
};

struct Case {
  const char *name;
  std::vector<std::string> args;
  int status;
  std::vector<std::string> present, absent;  // files of the folder after the run
  std::string must = "";                     // in standard output or error
  std::string fault = "";                    // OCILITE_FAULT, or OCILITE_NAME=VALUE; @DIR@ is the folder
  int signal = 0;                            // sent once a file starting with waitFor has data
  std::string waitFor = "";
  rlim_t fsize = 0;                          // RLIMIT_FSIZE, 0 for none
  size_t pipeBytes = 0;                      // standard output a pipe closed after this much
  std::function<void(const fs::path &, const Outcome &)> check = nullptr;
};

void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

pid_t parentOf(pid_t pid, char *state) {
  std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
  size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  int ppid = -1;
  sscanf(stat.c_str() + close + 2, "%c %d", state, &ppid);
  return ppid;
}

std::vector<pid_t> childrenOf(pid_t parent) {
  std::vector<pid_t> pids;
  for (const auto &e : fs::directory_iterator("/proc")) {
    char state = 0;
    pid_t pid = static_cast<pid_t>(atoi(e.path().filename().c_str()));
    if (pid > 0 && parentOf(pid, &state) == parent) pids.push_back(pid);
  }
  return pids;
}

bool running(pid_t pid) {
  char state = 'Z';
  return parentOf(pid, &state) >= 0 && state != 'Z';
}

// True once a file whose name starts with prefix has received data.
bool startsWithFile(const fs::path &dir, const std::string &prefix) {
  std::error_code ec;
  for (const auto &e : fs::directory_iterator(dir))
    if (e.path().filename().string().starts_with(prefix) && e.file_size(ec) > 0) return true;
  return false;
}

// Every ID 1..n exactly once over the lines of files (lines not starting
// with a digit are not rows).
void expectIdsOnce(const fs::path &dir, const std::vector<std::string> &files, size_t n) {
  std::vector<int> seen(n + 1, 0);
  for (const std::string &f : files) {
    std::istringstream in(readFile(dir / f));
    for (std::string line; std::getline(in, line);)
      if (!line.empty() && isdigit(static_cast<unsigned char>(line[0]))) {
        size_t id = std::stoul(line);
        ASSERT_LE(id, n);
        seen[id]++;
      }
  }
  for (size_t id = 1; id <= n; ++id) ASSERT_EQ(seen[id], 1) << "ID " << id;
}

class FilesProcesses : public ::testing::Test {
 protected:
  static inline fs::path base;
  static inline std::string db;
  static void SetUpTestSuite() {
    base = testsupport::makeTempDir("q2fp");
    db = (base / "t.db").string();
    for (std::vector<std::string> a : {std::vector<std::string>{"--demo"}, {"--generate", "BIG", "300000"},
                                       {"--generate", "HUGE", "2000000"}}) {
      a.insert(a.begin(), {OCILITE_BIN, db});
      ASSERT_EQ(testsupport::runProgram(a).status, 0);
    }
    testsupport::writeFile(base / "bf1", "hello");
    ASSERT_EQ(testsupport::runProgram({OCILITE_BIN, db, "-"},
                                      "CREATE TABLE DOCS (ID NUMBER(4), DOC BLOB);\n"
                                      "INSERT INTO DOCS VALUES (1, HEXTORAW('41'));\n"
                                      "INSERT INTO DOCS VALUES (2, randomblob(100000));\n"
                                      "INSERT INTO DOCS VALUES (3, HEXTORAW('42'));\n"
                                      "CREATE TABLE BF (ID NUMBER, F BFILE);\n"
                                      "INSERT INTO BF VALUES (1, '" + (base / "bf1").string() + "');\n"
                                      "INSERT INTO BF VALUES (2, '/nonexistent/gone');\n").status, 0);
  }
  static void TearDownTestSuite() { fs::remove_all(base); }

  Outcome launch(const Case &c, const fs::path &dir) {
    std::string fault = c.fault;
    if (size_t at = fault.find("@DIR@"); at != std::string::npos) fault.replace(at, 5, dir.string());
    int fds[2] = {-1, -1};
    if (c.pipeBytes > 0 && pipe(fds) != 0) return {-1, "", "", {}};
    pid_t pid = fork();
    if (pid == 0) {
      if (chdir(dir.c_str()) != 0) _exit(126);
      if (fault.starts_with("OCILITE_")) putenv(fault.data());
      else setenv("OCILITE_FAULT", fault.c_str(), 1);
      if (c.fsize > 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit rl = {c.fsize, c.fsize};
        setrlimit(RLIMIT_FSIZE, &rl);
      }
      int out = c.pipeBytes > 0 ? fds[1] : open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int err = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(out, 1);
      dup2(err, 2);
      if (fds[0] >= 0) close(fds[0]);
      std::vector<std::string> args = {QUILLET2_BIN, "user=scott/tiger@" + db};
      args.insert(args.end(), c.args.begin(), c.args.end());
      std::vector<char *> argv;
      for (std::string &a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    Outcome o{0, "", "", {}};
    if (c.pipeBytes > 0) {
      close(fds[1]);
      std::vector<char> buf(c.pipeBytes);
      size_t got = 0;
      while (got < c.pipeBytes) {
        ssize_t n = read(fds[0], buf.data() + got, c.pipeBytes - got);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
      }
      close(fds[0]);
    }
    if (c.signal != 0) {
      for (int i = 0; i < 3000 && !startsWithFile(dir, c.waitFor); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      o.workers = childrenOf(pid);
      kill(pid, c.signal);
    }
    int ws = 0;
    waitpid(pid, &ws, 0);
    o.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
    o.out = readFile(dir / "stdout.txt");
    o.err = readFile(dir / "stderr.txt");
    return o;
  }
};

void expectPieceSizes(const fs::path &dir, const Outcome &) {
  std::vector<std::string> pieces;
  for (int k = 1; fs::exists(dir / ("s_" + std::to_string(k) + ".csv")); ++k) pieces.push_back("s_" + std::to_string(k) + ".csv");
  ASSERT_GT(pieces.size(), 10u);
  for (size_t k = 0; k + 1 < pieces.size(); ++k) {
    auto size = fs::file_size(dir / pieces[k]);
    EXPECT_GE(size, 1048576u) << pieces[k];
    EXPECT_LT(size, 1048576u + 200) << pieces[k];  // one row past the size at most
  }
  expectIdsOnce(dir, pieces, 300000);
}

void expectWorkersGone(const fs::path &, const Outcome &o) {
  EXPECT_EQ(o.workers.size(), 4u);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  for (pid_t pid : o.workers) EXPECT_FALSE(running(pid)) << "worker " << pid;
}

void expectNoLeftovers(const fs::path &dir, const Outcome &) {
  for (const auto &e : fs::directory_iterator(dir)) {
    EXPECT_EQ(e.path().string().find(".partial"), std::string::npos) << e.path();
    EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
  }
}

// Compressed pieces are cut by the bytes before compression: as many as the
// plain run's (each megabyte of CSV compresses to far less).
void expectCompressedPieces(const fs::path &dir, const Outcome &) {
  int pieces = 0;
  while (fs::exists(dir / ("g_" + std::to_string(pieces + 1) + ".csv.gz"))) ++pieces;
  EXPECT_GT(pieces, 10);
}

// A LOB failure at row 2 keeps row 1 and its value: stem.txt.partial holds
// its reference, stem.lob.partial the value and the record separator.
std::function<void(const fs::path &, const Outcome &)> firstLobRowKept(const std::string &stem, const std::string &value) {
  return [=](const fs::path &d, const Outcome &) {
    EXPECT_EQ(readFile(d / (stem + ".txt.partial")), "1," + stem + ".lob.1." + std::to_string(value.size()) + "/\n");
    EXPECT_EQ(readFile(d / (stem + ".lob.partial")), value + "\n");
  };
}

const std::vector<std::string> P4 = {"p_1.csv", "p_2.csv", "p_3.csv", "p_4.csv"};
const char *KILL_ONCE = "SIGKILL:BIG:200000:@DIR@/killed";

const Case CASES[] = {
    {"FatalFetchKeepsPartial", {"query=big", "file=d.csv"}, 7, {"d.csv.partial"}, {"d.csv"},
     "incomplete: kept as d.csv.partial", "ORA-01555:BIG:150000"},
    {"GzipFatalKeepsPartial", {"query=big", "file=d.csv.gz"}, 7, {"d.csv.gz.partial"}, {"d.csv.gz"},
     "kept as d.csv.gz.partial", "ORA-01555:BIG:150000"},
    {"FatalFetchRemovesTheEarlierFile", {"query=big", "file=a.csv"}, 7, {"a.csv.partial"}, {"a.csv"},
     "incomplete: kept as a.csv.partial, the earlier file removed", "ORA-01555:BIG:150000"},
    {"ZstdFatalKeepsPartial", {"query=big", "file=d.csv.zst"}, 7, {"d.csv.zst.partial"}, {"d.csv.zst"},
     "kept as d.csv.zst.partial", "ORA-01555:BIG:150000"},
    {"LobFatalKeepsPartial", {"query=select * from alltypes", "file=b.csv", "lobfile=b.lob"}, 7,
     {"b.csv.partial", "b.lob.partial"}, {"b.csv", "b.lob"}, "b.lob is incomplete: kept as b.lob.partial",
     "ORA-01555:ALLTYPES:5"},
    {"GzipAppendFatalRemoves", {"query=big", "file=+n.csv.gz"}, 7, {}, {"n.csv.gz", "n.csv.gz.partial"},
     "n.csv.gz is incomplete: removed", "ORA-01555:BIG:150000"},
    {"AppendFatalCutsBack", {"query=big", "file=+a.csv"}, 7, {"a.csv"}, {"a.csv.partial"},
     "incomplete: cut back to 4 bytes", "ORA-01555:BIG:150000",
     0, "", 0, 0, [](const fs::path &d, const Outcome &) { EXPECT_EQ(readFile(d / "a.csv"), "old\n"); }},
    {"DevFullNamesItself", {"query=big", "file=/dev/full"}, 2, {}, {},
     "ERROR -- Cannot write to file : /dev/full: No space left on device (at ", "", 0, "", 0, 0,
     [](const fs::path &, const Outcome &o) {
       EXPECT_EQ(o.out.find("closed at"), std::string::npos);
       struct stat st;
       EXPECT_TRUE(stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode));
     }},
    {"DevFullSmallSaysRows", {"query=emp", "file=/dev/full"}, 2, {}, {},
     "ERROR -- Cannot write to file : /dev/full: No space left on device (at 14 rows)\n", "", 0, "", 0, 0,
     [](const fs::path &, const Outcome &o) { EXPECT_EQ(o.out.find("closed at"), std::string::npos); }},
    {"GzipFileSizeLimit", {"query=big", "file=u.csv.gz"}, 2, {"u.csv.gz.partial"}, {"u.csv.gz"},
     "u.csv.gz: File too large (at ", "", 0, "", 262144},
    {"FileSizeLimit", {"query=big", "file=u.csv"}, 2, {"u.csv.partial"}, {"u.csv"}, "File too large", "",
     0, "", 1048576},
    {"LobReadErrorKeepsTheSideFileConsistent", {"query=select * from docs order by id", "file=d.txt", "lobfile=d.lob"}, 7,
     {}, {"d.txt", "d.lob"}, "ERROR -- Cannot read LOB column DOC of row 2 for file d.lob (at 1 rows)\n",
     "OCILITE_LOB_FAULT=40000", 0, "", 0, 0, firstLobRowKept("d", "A")},
    {"MissingBfileStops", {"query=select * from bf order by id", "file=b.txt", "lobfile=b.lob"}, 7, {}, {"b.txt", "b.lob"},
     "Cannot read LOB column F of row 2 for file b.lob", "", 0, "", 0, 0, firstLobRowKept("b", "hello")},
    {"LobFileOnDevFull", {"query=select * from docs", "file=f.txt", "lobfile=/dev/full"}, 2, {}, {"f.txt", "f.txt.partial"},
     "ERROR -- Cannot write to file : /dev/full: No space left on device (LOB column DOC of row 1, at 0 rows)\n"},
    {"LobFileSizeLimit", {"query=select * from docs order by id", "file=u.txt", "lobfile=u.lob"}, 2, {}, {"u.txt", "u.lob"},
     "u.lob: File too large (LOB column DOC of row 2, at 1 rows)", "", 0, "", 65536, 0, firstLobRowKept("u", "A")},
    {"OpenFailureSaysWhy", {"query=emp", "file=nodir/x.csv"}, 6, {}, {},
     "ERROR -- Cannot write to file : nodir/x.csv\nERROR -- nodir/x.csv: No such file or directory\n"},
    {"ControlFileUnopenable", {"query=emp", "file=e.csv", "control=/nonexist/x.ctl"}, 6, {}, {"e.csv"},
     "ERROR -- Cannot write to file : /nonexist/x.ctl\nERROR -- /nonexist/x.ctl: No such file or directory\n"},
    {"ControlFileUnwritable", {"query=emp", "file=e.csv", "control=/dev/full"}, 6, {}, {"e.csv"},
     "ERROR -- /dev/full: No space left on device\n"},
    {"LogUnopenable", {"query=emp", "file=e.csv", "log=/nonexist/q_%p.log"}, 6, {}, {"e.csv"},
     "ERROR -- Cannot write to file : /nonexist/q_1.log\n"},
    {"SizePiecesCloseAtTheirSize", {"query=big", "file=s_%b.csv", "size=1"}, 0, {}, {}, "", "",
     0, "", 0, 0, expectPieceSizes},
    {"CompressedSizePiecesCountPlainBytes", {"query=big", "file=g_%b.csv.gz", "size=1"}, 0, {}, {}, "", "",
     0, "", 0, 0, expectCompressedPieces},
    {"SizeZeroIsNoLimit", {"query=big", "file=z_%b.csv", "size=0"}, 0, {"z_1.csv"}, {"z_2.csv"}},
    {"SizeNotANumberIsNoLimit", {"query=big", "file=z_%b.csv", "size=abc"}, 0, {"z_1.csv"}, {"z_2.csv"}},
    {"RowsMultipleLeavesNoEmptyPiece", {"query=big", "file=r_%b.csv", "batch=yes", "rows=100000"}, 0,
     {"r_3.csv"}, {"r_4.csv"}},
    {"AppendRerunStartsFromBefore", {"split=big", "degree=4", "file=+p_%p.csv", "sleep=0"}, 0, P4, {}, "",
     KILL_ONCE, 0, "", 0, 0, [](const fs::path &d, const Outcome &) {
       EXPECT_TRUE(fs::exists(d / "killed"));
       expectIdsOnce(d, P4, 300000);
       EXPECT_EQ(readFile(d / "p_2.csv").substr(0, 4), "old\n");
     }},
    {"RerunAfterKillLeavesNoPartial", {"split=big", "degree=4", "file=p_%p.csv", "sleep=0"}, 0, P4, {}, "",
     KILL_ONCE, 0, "", 0, 0, [](const fs::path &d, const Outcome &o) {
       EXPECT_TRUE(fs::exists(d / "killed"));
       expectIdsOnce(d, P4, 300000);
       expectNoLeftovers(d, o);
     }},
    {"FailedRangeIsNamed", {"split=big", "degree=4", "file=p_%p.csv", "sleep=0"}, 1, {"p_3.csv.partial"},
     {"p_3.csv"}, "ERROR -- Range 3 of 4 (ROWID ", "ORA-01555:BIG:200000", 0, "", 0, 0,
     [](const fs::path &, const Outcome &o) {
       EXPECT_NE(o.err.find(") failed: exit status 7; files: p_3.csv.partial.\n"), std::string::npos) << o.err;
       EXPECT_EQ(o.err.find("Range 1 of"), std::string::npos);
     }},
    {"SigtermKeepsPartial", {"query=huge", "file=h.csv"}, 143, {"h.csv.partial"}, {"h.csv"},
     "interrupted by signal 15", "", SIGTERM, "h.csv.tmp"},
    {"SigintKeepsPartial", {"query=huge", "file=h.csv"}, 130, {"h.csv.partial"}, {"h.csv"},
     "interrupted by signal 2", "", SIGINT, "h.csv.tmp"},
    {"SigtermGzipKeepsPartial", {"query=huge", "file=h.csv.gz"}, 143, {"h.csv.gz.partial"}, {"h.csv.gz"},
     "interrupted by signal 15", "", SIGTERM, "h.csv.gz.tmp"},
    {"SigtermStopsWorkers", {"split=huge", "degree=4", "file=w_%p.csv"}, 143,
     {"w_4.csv.partial"}, {"w_4.csv"}, "", "", SIGTERM, "w_4.csv.tmp", 0, 0,
     expectWorkersGone},
    {"KilledParentTakesWorkers", {"split=huge", "degree=4", "file=w_%p.csv"}, 137, {}, {"w_4.csv"},
     "", "", SIGKILL, "w_4.csv.tmp", 0, 0, expectWorkersGone},
    {"ClosedPipeIsAWriteError", {"query=huge", "file=-"}, 2, {}, {}, "", "", 0, "", 0, 65536,
     [](const fs::path &, const Outcome &o) {
       EXPECT_LE(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err.substr(0, 500);
     }},
};

class FilesProcessesCase : public FilesProcesses, public ::testing::WithParamInterface<Case> {};

TEST_P(FilesProcessesCase, Run) {
  const Case &c = GetParam();
  fs::path dir = base / c.name;
  fs::create_directory(dir);
  testsupport::writeFile(dir / "a.csv", "old\n");
  testsupport::writeFile(dir / "p_2.csv", "old\n");
  Outcome o = launch(c, dir);
  EXPECT_EQ(o.status, c.status) << o.out.substr(0, 1000) << o.err.substr(0, 1000);
  EXPECT_NE((o.out + o.err).find(c.must), std::string::npos) << o.out.substr(0, 1000) << o.err;
  EXPECT_EQ((o.out + o.err).find("Sanitizer"), std::string::npos) << o.err.substr(0, 2000);
  for (const std::string &f : c.present) EXPECT_TRUE(fs::exists(dir / f)) << f;
  for (const std::string &f : c.absent) EXPECT_FALSE(fs::exists(dir / f)) << f;
  if (c.check) c.check(dir, o);
}

INSTANTIATE_TEST_SUITE_P(Cases, FilesProcessesCase, ::testing::ValuesIn(CASES),
                         [](const ::testing::TestParamInfo<Case> &i) { return std::string(i.param.name); });

}  // namespace
