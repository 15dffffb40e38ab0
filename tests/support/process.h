// Running the built programs from tests, and small file and text helpers.
#ifndef QUILLET2_TESTS_SUPPORT_PROCESS_H
#define QUILLET2_TESTS_SUPPORT_PROCESS_H

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/messages.h"

namespace testsupport {

struct RunResult {
  int status;       // exit status, or 128 + signal number
  std::string out;  // standard output and standard error, interleaved
};

inline std::string readFile(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeFile(const std::filesystem::path &path, const std::string &content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

// A fresh empty folder under the system temp folder; removed by the caller
// (or left for inspection when a test fails).
inline std::filesystem::path makeTempDir(const std::string &tag = "q2test") {
  std::string pattern = (std::filesystem::temp_directory_path() / (tag + "-XXXXXX")).string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data()) == nullptr) return {};
  return std::filesystem::path(buf.data());
}

// Runs args[0] with args, in folder cwd (empty: the current one), with
// stdinText on standard input; waits for it.
inline RunResult runProgram(const std::vector<std::string> &args, const std::string &stdinText = "",
                            const std::filesystem::path &cwd = {}) {
  std::filesystem::path dir = makeTempDir("q2run");
  std::filesystem::path inPath = dir / "stdin", outPath = dir / "stdout";
  writeFile(inPath, stdinText);
  pid_t pid = fork();
  if (pid == 0) {
    int in = open(inPath.c_str(), O_RDONLY);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  RunResult r{WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus), readFile(outPath)};
  std::filesystem::remove_all(dir);
  return r;
}

// The content of the gzip file at path; the test fails unless `gzip -t`
// finds the file whole.
inline std::string gunzip(const std::string &path) {
  EXPECT_EQ(runProgram({"/bin/gzip", "-t", path}).status, 0) << path << " is not a whole gzip file";
  return runProgram({"/bin/gzip", "-dc", path}).out;
}

// A message callback that appends each line to the std::string at ctx.
inline void appendMessage(void *ctx, MsgKind, const char *line) {
  *static_cast<std::string *>(ctx) += line;
}

// runProgram, failing the test on a sanitizer report (which may come with
// any exit status).
inline RunResult runChecked(const std::vector<std::string> &args, const std::string &stdinText = "",
                            const std::filesystem::path &cwd = {}) {
  RunResult r = runProgram(args, stdinText, cwd);
  EXPECT_EQ(r.out.find("Sanitizer"), std::string::npos) << r.out.substr(0, 3000);
  EXPECT_EQ(r.out.find("runtime error"), std::string::npos) << r.out.substr(0, 3000);
  return r;
}

// Upper-case hexadecimal digits of s.
inline std::string hex(const std::string &s) {
  static const char digits[] = "0123456789ABCDEF";
  std::string h;
  for (unsigned char c : s) {
    h += digits[c >> 4];
    h += digits[c & 15];
  }
  return h;
}

// The banner lines are the program's own text, so golden files hold the
// tokens prefix@BANNER0@ and prefix@BANNER1@ in lines 2 and 3 instead; this
// puts the tokens into out (unchanged when those lines are missing or empty).
inline std::string withBannerTokens(const std::string &out, const std::string &prefix = "") {
  size_t first = out.find('\n');
  size_t second = first == std::string::npos ? first : out.find('\n', first + 1);
  size_t third = second == std::string::npos ? second : out.find('\n', second + 1);
  if (third == std::string::npos || second - first < 2 || third - second < 2) return out;
  return out.substr(0, first + 1) + prefix + "@BANNER0@\n" + prefix + "@BANNER1@" + out.substr(third);
}

// A test with a fresh temp folder of its own, removed unless the test
// failed (then it is left for inspection).
class FolderTest : public ::testing::Test {
 protected:
  std::filesystem::path dir = makeTempDir();
  void TearDown() override {
    if (!HasFailure()) std::filesystem::remove_all(dir);
  }
  std::string path(const std::string &name) const { return (dir / name).string(); }
  std::string read(const std::string &name) const { return readFile(dir / name); }
  // Writes a file of the folder; returns its path.
  std::string write(const std::string &name, const std::string &content) const {
    writeFile(dir / name, content);
    return path(name);
  }
};

// A FolderTest with a fresh stand-in demo database, demo.db, in its folder.
class DemoDbTest : public FolderTest {
 protected:
  std::string db = path("demo.db");
  void SetUp() override { admin({"--demo"}); }
  // Runs the stand-in's admin tool on the database with args, in on its
  // standard input; fails the test unless it succeeds.
  void admin(std::vector<std::string> args, const std::string &in = "") const {
    args.insert(args.begin(), {OCILITE_BIN, db});
    RunResult r = runProgram(args, in);
    ASSERT_EQ(r.status, 0) << r.out;
  }
  void script(const std::string &sql) const { admin({"-"}, sql); }
};

}  // namespace testsupport

#endif  // QUILLET2_TESTS_SUPPORT_PROCESS_H
