// The conventional flags (--help, -h, --version) and the password of a
// connect string given without one: from QUILLET2_PASSWORD, from a prompt at
// a terminal (a pseudo terminal here), and no prompt without a terminal.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "options/cmdoptions.h"
#include "support/process.h"

namespace {

using testsupport::runChecked;

std::set<std::string> keywordsOnScreen(const std::string &screen) {
  std::set<std::string> names;
  const std::regex line(R"((^|\n)   ([a-z]+)(/t)? *=)");
  for (auto it = std::sregex_iterator(screen.begin(), screen.end(), line); it != std::sregex_iterator(); ++it) {
    const std::string name = (*it)[2];
    names.insert(name);
    if ((*it)[3].matched) names.insert(name.substr(0, name.size() - 1) + "t");
  }
  return names;
}

TEST(ConventionalFlags, HelpIsTheExtendedScreenAndALineForEveryKeywordItLeavesOut) {
  const std::string screen = testsupport::readFile(TEST_DATA_DIR + std::string("/cli/help_extended.txt"));
  std::set<std::string> missing;
  const std::set<std::string> listed = keywordsOnScreen(screen);
  for (std::string_view k : optionKeywords()) {
    if (!listed.contains(std::string(k))) missing.insert(std::string(k));
  }
  EXPECT_TRUE(missing.contains("retry") && missing.contains("client") && missing.contains("part")) << missing.size();
  for (const std::vector<std::string> &args :
       std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"query=emp", "--help", "file=x"}}) {
    std::vector<std::string> argv = args;
    argv.insert(argv.begin(), QUILLET2_BIN);
    auto r = runChecked(argv);
    EXPECT_EQ(r.status, 0);
    const std::string out = testsupport::withBannerTokens(r.out);
    ASSERT_EQ(out.substr(0, screen.size()), screen);
    EXPECT_EQ(keywordsOnScreen(out.substr(screen.size())), missing) << out.substr(screen.size());
  }
}

TEST(ConventionalFlags, VersionNamesTheProgramAndItsClient) {
  auto r = runChecked({QUILLET2_BIN, "--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(std::regex_match(r.out, std::regex("quillet2 [0-9]+\\.[0-9]+\\.[0-9]+\nclient: (ocilite [0-9.]+, the "
                                                 "embedded Oracle stand-in, over SQLite 3\\.[0-9.]+|Oracle .*)\n")))
      << r.out;
  // The banner of the help screen and of control files names the same release.
  const std::string version = r.out.substr(9, r.out.find('\n') - 9);
  EXPECT_NE(runChecked({QUILLET2_BIN}).out.find("Release " + version + " "), std::string::npos) << version;
}

struct TerminalRun {
  std::string shown;  // what the terminal showed
  int status;         // exit status, or 128 + signal number
  bool echoes;        // the terminal echoes again after the run
};

// Runs the program on a pseudo terminal and types `typed` once it asks for a
// password.
TerminalRun runOnTerminal(const std::vector<std::string> &args, const std::string &cwd, const std::string &typed) {
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(126);
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  std::string shown;
  bool answered = false;
  char buf[4096];
  pollfd p = {master, POLLIN, 0};
  while (poll(&p, 1, 20000) > 0) {
    const ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) break;
    shown.append(buf, static_cast<size_t>(n));
    if (!answered && shown.find("Enter password: ") != std::string::npos) {
      answered = write(master, typed.data(), typed.size()) == static_cast<ssize_t>(typed.size());
    }
  }
  int w = 0;
  if (waitpid(pid, &w, WNOHANG) == 0) {  // silent for 20 s: stuck, not done
    kill(pid, SIGKILL);
    waitpid(pid, &w, 0);
  }
  termios after = {};
  tcgetattr(master, &after);
  close(master);
  return {shown, WIFEXITED(w) ? WEXITSTATUS(w) : 128 + WTERMSIG(w), (after.c_lflag & ECHO) != 0};
}

struct Password : testsupport::DemoDbTest {
  std::vector<std::string> args() const { return {QUILLET2_BIN, "user=scott@" + db, "query=dept", "file=dept.txt"}; }
  std::string unloaded() const { return testsupport::readFile(dir / "dept.txt"); }
};

TEST_F(Password, TypedAtATerminalWithoutEcho) {
  const TerminalRun right = runOnTerminal(args(), dir, "tiger\n");
  EXPECT_EQ(right.status, 0) << right.shown;
  EXPECT_EQ(right.shown.find("tiger"), std::string::npos) << right.shown;
  EXPECT_TRUE(right.echoes);
  EXPECT_EQ(unloaded().substr(0, 22), "10,ACCOUNTING,NEW YORK");
  const TerminalRun wrong = runOnTerminal(args(), dir, "lion\n");
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.shown.find("ORA-01017"), std::string::npos) << wrong.shown;
  // Ctrl-C at the prompt ends the run and gives the terminal its echo back.
  const TerminalRun interrupted = runOnTerminal(args(), dir, "\x03");
  EXPECT_EQ(interrupted.status, 128 + SIGINT);
  EXPECT_TRUE(interrupted.echoes);
}

TEST_F(Password, WithoutATerminalNoPromptAndTheLogonFails) {
  auto r = runChecked(args(), "tiger\n", dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.find("password:"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ORA-01017"), std::string::npos) << r.out;
}

TEST_F(Password, FromTheEnvironmentNeverPrinted) {
  struct Case {
    std::string user, variable;
    int status;
  };
  const Case cases[] = {
      {"scott", "tiger", 0},
      {"scott/tiger", "wrong", 0},  // a password in the connect string wins
      {"scott", "wrong", 1},
      {"scott", "ti@ger", 1},       // cannot be written into the connect string
      {"scott", std::string(200, 'p'), 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.user + " " + c.variable.substr(0, 20));
    setenv("QUILLET2_PASSWORD", c.variable.c_str(), 1);
    std::vector<std::string> a = args();
    a[1] = "user=" + c.user + "@" + db;
    auto r = runChecked(a, "", dir);
    unsetenv("QUILLET2_PASSWORD");
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_EQ(r.out.find(c.variable), std::string::npos) << r.out;
  }
}

}  // namespace
