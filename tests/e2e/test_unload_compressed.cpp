// Compressed output through the real program and the real readers: every
// .gz and .zst file decompresses to exactly what the plain run wrote, for one
// file, pieces, scrambled and appended output; failing writes end with the
// write status and a reason.
#include <string>
#include <vector>

#include "unload_support.h"

namespace {

using testsupport::RunResult;
using testsupport::runProgram;
using unloadtest::Unload;

// Generated rows: about 6.5 MB of text, so a file spans many compression
// blocks and size=2 cuts pieces.
constexpr int TABLE_ROWS = 60000;

struct Reader {
  const char *ext;                  // the files it reads
  std::vector<std::string> check;   // integrity check; empty for none
  std::vector<std::string> expand;  // writes the plain content to standard output
};

const Reader READERS[] = {
    {"gz", {"/bin/gzip", "-t"}, {"/bin/gzip", "-dc"}},
    {"gz", {}, {"/bin/zcat"}},
    {"gz", {}, {"/usr/bin/python3", "-c", "import gzip, sys; sys.stdout.buffer.write(gzip.open(sys.argv[1]).read())"}},
    {"zst", {"/usr/bin/zstd", "-q", "-t"}, {"/usr/bin/zstd", "-q", "-dc"}},
};

struct Case {
  const char *what;
  std::vector<std::string> args;  // "EXT" in file= becomes txt, gz or zst
  const char *output;             // output file name before EXT; %b counts pieces
  const char *key;                // crack= key of the compressed runs, "" for none
  int runs;
};

const Case CASES[] = {
    {"one file", {"file=one.EXT"}, "one.EXT", "", 1},
    {"one worker", {"threads=1", "file=w.EXT"}, "w.EXT", "", 1},
    {"batch pieces", {"text=CSV", "batch=YES", "rows=25000", "file=b_%b.EXT"}, "b_%b.EXT", "", 1},
    {"size pieces", {"size=2", "file=s_%b.EXT"}, "s_%b.EXT", "", 1},
    {"scrambled pieces", {"batch=YES", "rows=25000", "file=c_%b.EXT"}, "c_%b.EXT", "k3y", 1},
    {"appended twice", {"file=+a.EXT"}, "a.EXT", "", 2},
};

std::string withExt(std::string s, const std::string &ext) {
  size_t at = s.find("EXT");
  return at == std::string::npos ? s : s.replace(at, 3, ext);
}

std::string piece(std::string pattern, int b) {
  size_t at = pattern.find("%b");
  return at == std::string::npos ? pattern : pattern.replace(at, 2, std::to_string(b));
}

class Compressed : public Unload {
 protected:
  // Runs the case with output extension ext (and the key when compressed).
  void unload(const Case &c, const std::string &ext) {
    std::vector<std::string> args = {"query=big"};
    for (const std::string &a : c.args) args.push_back(withExt(a, ext));
    if (ext != "txt" && c.key[0] != '\0') args.push_back(std::string("crack=") + c.key);
    for (int k = 0; k < c.runs; ++k) ASSERT_EQ(q2(args).status, 0) << c.what << " " << ext;
  }
  // The plain content of a compressed file through reader r, unscrambled with key.
  std::string expand(const Reader &r, const std::string &file, const char *key) {
    std::string name = path(file);
    if (!r.check.empty()) {
      std::vector<std::string> check = r.check;
      check.push_back(name);
      EXPECT_EQ(runProgram(check).status, 0) << check[0] << " rejects " << file;
    }
    std::vector<std::string> expand = r.expand;
    expand.push_back(name);
    RunResult out = runProgram(expand);
    EXPECT_EQ(out.status, 0) << expand[0] << " " << file;
    if (key[0] == '\0') return out.out;
    std::string raw = write(file + ".raw", out.out);
    return run({std::string("uncrack=") + key, "file=" + raw}).out;
  }
};

TEST_F(Compressed, EveryReaderGetsThePlainOutput) {
  admin({"--generate", "BIG", std::to_string(TABLE_ROWS)});
  for (const Case &c : CASES) {
    unload(c, "txt");
    for (const char *ext : {"gz", "zst"}) unload(c, ext);
    bool numbered = std::string(c.output).find("%b") != std::string::npos;
    int pieces = 1;
    while (numbered && unloadtest::fs::exists(path(piece(withExt(c.output, "txt"), pieces + 1)))) ++pieces;
    EXPECT_GE(pieces, numbered ? 2 : 1) << c.what;
    for (int b = 1; b <= pieces; ++b) {
      std::string plain = read(piece(withExt(c.output, "txt"), b));
      for (const Reader &r : READERS) {
        std::string file = piece(withExt(c.output, r.ext), b);
        EXPECT_TRUE(expand(r, file, c.key) == plain) << c.what << ": " << r.expand[0] << " " << file;
      }
    }
    for (const char *ext : {"gz", "zst"}) {
      EXPECT_FALSE(numbered && unloadtest::fs::exists(path(piece(withExt(c.output, ext), pieces + 1)))) << c.what;
    }
  }
}

// A full device or the file size limit: status 2 and the reason, plain and
// compressed, with every worker thread stopped (the run ends).
TEST_F(Compressed, WriteFailuresEndWithStatus2) {
  admin({"--generate", "BIG", std::to_string(TABLE_ROWS)});
  for (const char *ext : {"txt", "gz", "zst"}) {
    std::string full = std::string("full.") + ext;
    unloadtest::fs::create_symlink("/dev/full", path(full));
    RunResult r = q2({"query=big", "file=" + full});
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_NE(r.out.find("ERROR -- Cannot write to file : " + full + ": No space left on device (at "),
              std::string::npos)
        << r.out;
    // 200 blocks of 512 bytes: far below the output of every codec.
    std::string big = std::string("big.") + ext;
    r = testsupport::runChecked({"/bin/sh", "-c", "ulimit -f 200 && exec \"$0\" \"$@\"", QUILLET2_BIN,
                                 "user=scott/tiger@" + db, "query=big", "file=" + big},
                                "", dir);
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_NE(r.out.find("ERROR -- Cannot write to file : " + big + ": File too large (at "), std::string::npos)
        << r.out;
  }
}

}  // namespace
