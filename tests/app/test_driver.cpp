// Option collection of the driver: arguments, parameter files, bind variables
// and SQL text, including inputs far beyond every buffer.
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/driver.h"
#include "support/process.h"

namespace {

std::string str(const text *t) { return reinterpret_cast<const char *>(t); }

struct Collected {
  CMDOPTIONS o;
  COLLECTNOTES notes;
  explicit Collected(std::vector<std::string> args) {
    resetCommandOptions(&o);
    args.insert(args.begin(), "quillet2");
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    collectOptions(&o, static_cast<int>(args.size()), argv.data(), &notes);
  }
};

// A stream over a copy of content, for the readers that take standard input.
struct MemStream {
  std::string content;
  FILE *fp;
  explicit MemStream(std::string c) : content(std::move(c)) {
    fp = fmemopen(content.data(), content.size(), "r");
  }
  ~MemStream() { fclose(fp); }
};

// Runs check without write permission on read-only files: as root (who may
// write anyway) in a child process that has dropped to the nobody user.
bool withoutWriteAccess(bool (*check)(const std::string &), const std::string &arg) {
  if (getuid() != 0) return check(arg);
  pid_t pid = fork();
  if (pid == 0) {
    const uid_t nobody = 65534;
    if (setgid(nobody) != 0 || setuid(nobody) != 0) _exit(2);
    _exit(check(arg) ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class TempDir : public ::testing::Test {
 protected:
  std::filesystem::path dir = [] {
    std::filesystem::path d = testsupport::makeTempDir("q2cli");
    chmod(d.c_str(), 0755);  // readable by the unprivileged child
    return d;
  }();
  ~TempDir() override { std::filesystem::remove_all(dir); }
  // A read-only file: the readers must not need write access.
  std::string file(const std::string &name, const std::string &content) {
    std::filesystem::path p = dir / name;
    testsupport::writeFile(p, content);
    chmod(p.c_str(), 0444);
    return p.string();
  }
};

TEST(ArgumentPass, ConnectStringAndOrder) {
  struct Case {
    std::vector<std::string> args;
    std::string username;
  };
  const Case cases[] = {
      {{"scott/tiger@orcl", "query=x"}, "scott/tiger@orcl"},
      {{"query=x", "scott/tiger@orcl"}, ""},  // bare text later on is ignored
      {{"foo=bar"}, "foo=bar"},
      {{"-si", "user=a/b"}, "a/b"},
      {{"user=a/b", "-SI"}, "/"},
      {{"scott/tiger", "user=u/p"}, "u/p"},
      {{":deptno=10"}, ":deptno=10"},
      {{std::string(100000, 'u')}, std::string(CONNECT_ARG_MAX, 'u')},
  };
  for (const Case &c : cases) EXPECT_EQ(str(Collected(c.args).o.username), c.username) << c.args[0].substr(0, 20);
}

// Oversized values are cut in the record, never past a buffer, and each is refused.
TEST(ArgumentPass, OversizedArgumentsAreCutAndRefused) {
  const std::string big(100000, 'q');
  Collected c({"user=x", "query=" + big, "file=" + big, "field=" + big, "parfile=" + big, "sql=" + big});
  EXPECT_EQ(strlen(reinterpret_cast<char *>(c.o.query)), 8191u);
  EXPECT_EQ(strlen(reinterpret_cast<char *>(c.o.fname)), 255u);
  EXPECT_EQ(c.o.flen, 131);
  EXPECT_EQ(strlen(reinterpret_cast<char *>(c.o.sqlfname)), 255u);
  EXPECT_EQ(c.notes.refusals.size(), 6u);  // the cut sql= name is also a file that cannot be read
}

TEST(BindVariablePass, NamesAndValues) {
  Collected c({"user=x", ":deptno=10", ":=5", ":", ":Name=a=b", ":empty=", ":bare", std::string(":").append(300, 'n').append("=v"),
               ":long=" + std::string(1000, 'v')});
  struct Expected {
    std::string name, value;
  };
  const Expected expected[] = {{"deptno", "10"},
                               {"Name", "a=b"},
                               {"empty", ""},
                               {"bare", ""},
                               {std::string(BIND_NAME_MAX, 'n'), ""},  // '=' lies beyond the 256 bytes looked at
                               {"long", std::string(BIND_VALUE_MAX, 'v')}};
  ASSERT_EQ(c.o.sqlargc, static_cast<int>(std::size(expected)));
  for (int i = 0; i < c.o.sqlargc; i++) {
    const SQLPARAM &p = c.o.sqlargv[i];
    EXPECT_EQ(std::string(p.pname), expected[i].name);
    EXPECT_EQ(p.nlen, static_cast<sb4>(expected[i].name.size()));
    EXPECT_EQ(std::string(p.pval), expected[i].value);
    EXPECT_EQ(p.vlen, static_cast<sb4>(expected[i].value.size()));
    EXPECT_EQ(p.ob, nullptr);
  }
}

TEST(BindVariablePass, StopsAtEighteen) {
  std::vector<std::string> args{"user=x"};
  for (int i = 0; i < 50; i++) args.push_back(":b" + std::to_string(i) + "=" + std::to_string(i));
  Collected c(args);
  ASSERT_EQ(c.o.sqlargc, MAX_CMDLINE_PARAMS);
  EXPECT_EQ(std::string(c.o.sqlargv[17].pname), "b17");
}

TEST(ParameterStream, LineHandling) {
  struct Case {
    std::string content;
    std::string fname, username;
  };
  const Case cases[] = {
      {"file=select *\n   from emp\n\nuser=u\n", "select *   from emp", "u"},  // continuation, blank line
      {"file=select *\n\tfrom emp\n", "select *\tfrom emp", ""},  // a tab continues too
      {"file=a\n\n  b\n", "a  b", ""},                        // a blank line inside the option
      {"file=a.txt  \t\r\n", "a.txt", ""},                    // trailing white space dropped
      {"#file=a.txt\nfile=b.txt", "b.txt", ""},               // no line end at the end of the file
      {"# comment\n  file=x.txt\nuser=u", "qletdata_%p.txt", "u"},  // continuation of an unknown line
      {"\tfile=c.txt\n", "c.txt", ""},                        // leading continuation
      {"parfile=other\n-si\n:x=1\nuser=v", "qletdata_%p.txt", "v"},
      {"file=d.txt\r\n user=\r\n", "d.txt user=", ""},
      {"", "qletdata_%p.txt", ""},
  };
  for (const Case &c : cases) {
    MemStream in(c.content);
    CMDOPTIONS o;
    resetCommandOptions(&o);
    COLLECTNOTES notes;
    readParameterStream(&o, in.fp, "p.par", &notes);
    EXPECT_EQ(str(o.fname), c.fname) << c.content;
    EXPECT_EQ(str(o.username), c.username) << c.content;
  }
}

// A physical line is one piece however long: its tail never becomes an
// option of its own. An option longer than the accumulator is refused, and
// the next option is read as usual.
TEST(ParameterStream, LongLinesStayOneOption) {
  std::string content = "file=" + std::string(600 - 5, 'f') + "\n" + "width=" + std::string(1 << 20, 'w') +
                        "\n" + "alter=a\n";
  for (int i = 0; i < 100000; i++) content += " x\n";
  content += "sort=7\n";
  MemStream in(content);
  CMDOPTIONS o;
  resetCommandOptions(&o);
  COLLECTNOTES notes;
  readParameterStream(&o, in.fp, "p.par", &notes);
  EXPECT_EQ(str(o.fname), std::string(255, 'f'));
  EXPECT_EQ(o.width[0], 0);
  EXPECT_EQ(o.ssize, 7);
  ASSERT_EQ(notes.refusals.size(), 3u);
  EXPECT_NE(notes.refusals[0].find("file= value of 595 bytes is longer than its limit of 255"), std::string::npos);
  EXPECT_NE(notes.refusals[1].find("p.par, line 2: the option is longer than its limit of 32767"), std::string::npos);
  EXPECT_NE(notes.refusals[2].find("p.par, line 3:"), std::string::npos);
  EXPECT_TRUE(notes.warnings.empty());
}

TEST(SqlStream, LinesAreFollowedByABlank) {
  struct Case {
    std::string query, content;
    bool stopAtSlash;
    std::string expected;
  };
  const Case cases[] = {
      {"select * ", "from emp\nwhere 1=1\n", false, "select * from emp\n where 1=1\n "},
      {"", "select 1\n/\nselect 2\n", true, "select 1\n "},
      {"", "select 1\n/\nselect 2\n", false, "select 1\n /\n select 2\n "},
      {"", "/\nselect 1\n", true, ""},
      {"", "select 1", true, "select 1 "},
      {"", std::string(1500, 's') + "/x\n", true, std::string(1500, 's') + "/x\n "},
  };
  for (const Case &c : cases) {
    CMDOPTIONS o;
    resetCommandOptions(&o);
    strcpy(reinterpret_cast<char *>(o.query), c.query.c_str());
    MemStream in(c.content);
    appendSqlStream(&o, in.fp, c.stopAtSlash);
    EXPECT_EQ(str(o.query), c.expected) << c.content.substr(0, 20);
  }
}

TEST(SqlStream, TextBeyondTheQueryIsCut) {
  CMDOPTIONS o;
  resetCommandOptions(&o);
  std::string content;
  for (int i = 0; i < 4000; i++) content += "select 123456789 from dual\n";
  MemStream in(content);
  appendSqlStream(&o, in.fp, false);
  EXPECT_EQ(strnlen(reinterpret_cast<char *>(o.query), sizeof o.query), sizeof o.query - 1);
}

bool readsReadOnlyFiles(const std::string &dir) {
  Collected c({"user=x", "query=/* q */ ", "parfile=" + dir + "/opts.par", "file=o.txt"});
  return c.o.flen == 1 && c.o.field[0] == '\t' && str(c.o.fname) == "o.txt" &&
         str(c.o.query) == "/* q */ select *\n   from emp\n ";
}

TEST_F(TempDir, ReadOnlyParameterAndSqlFilesAreRead) {
  file("opts.par", "field=0x09\nsql=" + (dir / "q.sql").string() + "\n");
  file("q.sql", "select *\n  from emp\n");
  EXPECT_TRUE(readsReadOnlyFiles(dir.string()));
  EXPECT_TRUE(withoutWriteAccess(readsReadOnlyFiles, dir.string()));
}

TEST_F(TempDir, ParameterFileAppliesAtItsPosition) {
  std::string par = file("p.par", "file=from_par.txt\n");
  EXPECT_EQ(str(Collected({"file=first.txt", "ParFile=" + par}).o.fname), "from_par.txt");
  EXPECT_EQ(str(Collected({"parfile=" + par, "file=last.txt"}).o.fname), "last.txt");
}

TEST_F(TempDir, MissingFilesAreRefused) {
  Collected c({"user=x", "parfile=" + (dir / "none.par").string(), "sql=" + (dir / "none.sql").string(),
               "query=q"});
  EXPECT_EQ(str(c.o.query), "q");
  ASSERT_EQ(c.notes.refusals.size(), 2u);
  EXPECT_NE(c.notes.refusals[0].find("none.par: No such file or directory"), std::string::npos);
  EXPECT_NE(c.notes.refusals[1].find("none.sql: No such file or directory"), std::string::npos);
}

// The defaults written beside each module's settings are the option
// defaults: mapping the reset options changes no byte of them.
TEST(JobSettings, DeclaredDefaultsAreTheOptionDefaults) {
  static CMDOPTIONS o;  // static: zero-filled, padding included
  resetCommandOptions(&o);
  strcpy(reinterpret_cast<char *>(o.username), "/");  // as the driver sets it
  static JOBSPEC got, want;
  static SPLITSPEC gotSplit, wantSplit;
  mapJobSettings(o, &got);
  mapSplitSettings(o, &gotSplit);
  EXPECT_EQ(memcmp(&got.session, &want.session, sizeof want.session), 0);
  EXPECT_EQ(memcmp(&got.fetch, &want.fetch, sizeof want.fetch), 0);
  EXPECT_EQ(memcmp(&got.format, &want.format, sizeof want.format), 0);
  EXPECT_EQ(memcmp(&got.output, &want.output, sizeof want.output), 0);
  EXPECT_EQ(memcmp(&got.control, &want.control, sizeof want.control), 0);
  EXPECT_EQ(memcmp(&got, &want, sizeof want), 0);
  EXPECT_EQ(memcmp(&gotSplit, &wantSplit, sizeof wantSplit), 0);
}

}  // namespace
