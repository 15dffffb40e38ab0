// Word scrambling of output streams and the reader that restores them.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "crypto/scramble.h"
#include "support/process.h"

namespace {

using Bytes = std::vector<ub1>;

// A key as the option parser stores it: 32 bytes, zero-filled.
struct Key {
  ub1 bytes[32] = {};
  explicit Key(const std::string &s) { memcpy(bytes, s.data(), s.size()); }
};

Bytes randomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto &c : b) c = static_cast<ub1>(rng());
  return b;
}

// The stored layout, from its definition: every byte before the last 1 to 8
// is XORed with key byte (i mod 8). The output stream's tests check that the
// writer's flushes give this layout.
Bytes layout(const Bytes &plain, const Key &key) {
  Bytes out = plain;
  size_t n = plain.size() <= 8 ? 0 : 8 * ((plain.size() - 1) / 8);
  for (size_t i = 0; i < n; i++) out[i] ^= key.bytes[i % 8];
  return out;
}

TEST(CrackBuffer, LeadingWordsOnly) {
  // A short key scrambles with its own bytes only (the rest of the 8 are 0);
  // an empty key changes nothing and reports the whole buffer done.
  struct Case { const char *key; size_t len; int result; };
  const Case cases[] = {{"K3y!word", 0, 0},  {"K3y!word", 1, 0},   {"K3y!word", 8, 0},   {"K3y!word", 9, 8},
                        {"K3y!word", 16, 8}, {"K3y!word", 17, 16}, {"K3y!word", 24, 16}, {"K3y!word", 25, 24},
                        {"abc", 17, 16},     {"", 17, 17},         {"", 3, 3}};
  for (const auto &c : cases) {
    const Key key(c.key);
    Bytes plain = randomBytes(c.len, static_cast<unsigned>(c.len));
    Bytes buf = plain;
    EXPECT_EQ(doCrackBuffer(buf.data(), static_cast<int>(c.len), key.bytes), c.result) << c.key << c.len;
    EXPECT_EQ(buf, layout(plain, key)) << c.key << c.len;
    EXPECT_EQ(doUncrackBuffer(buf.data(), static_cast<int>(c.len), key.bytes), c.result) << c.key << c.len;
    EXPECT_EQ(buf, plain) << "twice restores, " << c.key << c.len;
  }
}

class UncrackFile : public ::testing::Test {
 protected:
  std::string dir = testsupport::makeTempDir();
  ~UncrackFile() override { std::filesystem::remove_all(dir); }

  // Runs doUncrackFile in a child whose standard output goes to a file;
  // stdinFile, when given, becomes its standard input.
  std::string uncrack(const std::string &fname, const Key &key, const std::string &stdinFile = "") {
    std::string outname = dir + "/out";
    fflush(stdout);  // or the child writes this process's pending output too
    pid_t pid = fork();
    if (pid == 0) {
      int out = open(outname.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (out < 0 || dup2(out, 1) < 0) _exit(2);
      if (!stdinFile.empty()) {
        int in = open(stdinFile.c_str(), O_RDONLY);
        if (in < 0 || dup2(in, 0) < 0) _exit(3);
      }
      doUncrackFile(reinterpret_cast<const text *>(fname.c_str()), key.bytes);
      fflush(stdout);
      _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return testsupport::readFile(outname);
  }

  static std::string str(const Bytes &b) { return std::string(b.begin(), b.end()); }
};

TEST_F(UncrackFile, RestoresEveryLengthByteForByteFromAFileOrStandardInput) {
  const Key key("s3cr3t!!");
  for (size_t len : {0, 1, 8, 9, 16383, 16384, 16385, 16392, 16393, 32768, 40000}) {
    Bytes plain = randomBytes(len, static_cast<unsigned>(len) * 31);
    std::string fname = dir + "/data";
    testsupport::writeFile(fname, str(layout(plain, key)));
    EXPECT_EQ(uncrack(fname, key), str(plain)) << len;
  }
  // "-" reads standard input.
  EXPECT_EQ(uncrack("-", key, dir + "/data"), str(randomBytes(40000, 40000 * 31)));
}

TEST_F(UncrackFile, EmptyKeyCopiesWrongKeyKeepsTheLengthMissingFileWritesNothing) {
  Bytes plain = randomBytes(17000, 6);
  std::string fname = dir + "/data";
  testsupport::writeFile(fname, str(plain));
  EXPECT_EQ(uncrack(fname, Key("")), str(plain));
  testsupport::writeFile(fname, str(layout(plain, Key("right"))));
  std::string got = uncrack(fname, Key("wrong"));
  EXPECT_EQ(got.size(), plain.size());
  EXPECT_NE(got, str(plain));
  EXPECT_EQ(uncrack(dir + "/missing", Key("k")), "");
}

}  // namespace
