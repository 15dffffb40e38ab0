// The output stream: flushes, scrambling, gzip, pieces, failures.
#include <string.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/process.h"
#include "unload/outstream.h"

namespace fs = std::filesystem;
using testsupport::gunzip;
using testsupport::readFile;

namespace {

const text *T(const char *s) { return reinterpret_cast<const text *>(s); }

struct OutStream : ::testing::Test {
  fs::path dir = testsupport::makeTempDir("q2out");
  DATABASE db{};
  std::string messages;
  OUTSTREAM out{};

  void SetUp() override {
    db.sink = {testsupport::appendMessage, &messages};
  }
  void TearDown() override {
    abortOutput(&out, 0);
    fs::remove_all(dir);
  }
  std::string path(const char *name) { return (dir / name).string(); }
  JobStatus open(const std::string &pattern, const std::string &lob = "", const char *key = "") {
    pattern_ = pattern;
    lob_ = lob;
    return openOutput(&out, &db, T(pattern_.c_str()), T(lob_.c_str()), 1, T(key), 268435455, 0);
  }
  void append(const std::string &s) {
    ASSERT_EQ(ensureSpace(&out, s.size()), JobStatus::Done);
    memcpy(out.iobuf + out.iopos, s.data(), s.size());
    out.iopos += static_cast<int>(s.size());
  }
  std::string pattern_, lob_;
};

// A block of text that is not a repeat of 8 bytes, so misaligned scrambling shows.
std::string sample(size_t n) {
  std::string s(n, ' ');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 13) % 26);
  return s;
}

std::string scrambled(std::string s, const char *key, size_t scrambledBytes) {
  for (size_t i = 0; i < scrambledBytes; ++i) s[i] = static_cast<char>(s[i] ^ key[i % 8]);
  return s;
}

TEST(OutStreamNames, CompressedEndings) {
  struct Case {
    const char *name;
    Codec codec;
  } cases[] = {{"data.gz", Codec::gzip}, {"DATA.GZ", Codec::gzip}, {"x.Gz", Codec::gzip}, {".gz", Codec::none},
               {"a.gzip", Codec::none},  {"-", Codec::none},       {"agz", Codec::none},  {"%p.gz", Codec::gzip},
               {"d.zst", Codec::zstd},   {"D.ZsT", Codec::zstd},   {".zst", Codec::none}, {"a.zstd", Codec::none}};
  for (const Case &c : cases) EXPECT_EQ(codecForName(T(c.name)), c.codec) << c.name;
}

TEST_F(OutStream, PlainFileAcrossFlushesReplacesTheOldOne) {
  testsupport::writeFile(path("a.txt"), "old content, longer than nothing");
  ASSERT_EQ(open(path("a.txt")), JobStatus::Done);
  std::string data = sample(IOBUF_SIZE + 12345);
  for (size_t i = 0; i < data.size(); i += 100000) append(data.substr(i, 100000));
  out.trows = 7;
  EXPECT_EQ(closeOutput(&out, &db, 1000000), JobStatus::Done);
  EXPECT_EQ(readFile(path("a.txt")), data);
  EXPECT_NE(messages.find("           7 rows exported at "), std::string::npos);
  EXPECT_NE(messages.find("         output file " + path("a.txt") + " closed at 7 rows, size 4 MB.\n"),
            std::string::npos);
  EXPECT_EQ(out.iobuf, nullptr);
}

// Scrambled output: every byte but the last 1 to 8 of a piece is XORed with
// the key at its offset in the file, whatever the flush boundaries.
TEST_F(OutStream, ScramblingKeepsKeyAlignedAndTailPlain) {
  const char *key = "K3y!abcd";
  struct Case {
    size_t size;
    size_t scrambledBytes;
  } cases[] = {{20, 16}, {8, 0}, {9, 8}, {16, 8}, {17, 16}, {IOBUF_SIZE + 5, IOBUF_SIZE}};
  for (const Case &c : cases) {
    std::string file = path(std::string("s").append(std::to_string(c.size)).c_str());
    ASSERT_EQ(open(file, "", key), JobStatus::Done);
    std::string data = sample(c.size);
    for (size_t i = 0; i < data.size(); i += 65539) append(data.substr(i, 65539));
    closeOutput(&out, &db, 1000000);
    EXPECT_EQ(readFile(file), scrambled(data, key, c.scrambledBytes)) << c.size;
  }
}

TEST_F(OutStream, PiecesGetTheirOwnFilesAndEmptyLobFilesGo) {
  ASSERT_EQ(open(path("p_%b.txt"), path("l_%b.lob")), JobStatus::Done);
  append("first\n");
  fputs("lobdata", out.lobfp);
  out.trows = 1;
  ASSERT_EQ(switchOutputPiece(&out, &db), JobStatus::Done);
  EXPECT_EQ(out.bcount, 2);
  EXPECT_EQ(out.trows, 0u);
  append("second\n");
  out.trows = 1;
  closeOutput(&out, &db, 1000000);
  EXPECT_EQ(readFile(path("p_1.txt")), "first\n");
  EXPECT_EQ(readFile(path("p_2.txt")), "second\n");
  EXPECT_EQ(readFile(path("l_1.lob")), "lobdata");
  EXPECT_FALSE(fs::exists(path("l_2.lob")));
  EXPECT_NE(messages.find("output file " + path("p_1.txt") + " closed at 1 rows"), std::string::npos);
}

TEST_F(OutStream, AppendPatternKeepsEarlierContent) {
  testsupport::writeFile(path("app.txt"), "old\n");
  ASSERT_EQ(open(std::string("+").append(path("app.txt"))), JobStatus::Done);
  append("new\n");
  closeOutput(&out, &db, 1000000);
  EXPECT_EQ(readFile(path("app.txt")), "old\nnew\n");
  EXPECT_NE(messages.find("output file +" + path("app.txt") + " closed"), std::string::npos);
}

TEST_F(OutStream, OpenFailuresReportAndLeaveNothingOpen) {
  struct Case {
    std::string data, lob;
    std::string named;
  } cases[] = {
      {path("missing/x.txt"), "", path("missing/x.txt")},
      {path("ok.txt"), path("missing/x.lob"), path("missing/x.lob")},
      {path("missing/x.gz"), path("l.lob"), path("missing/x.gz")},
  };
  for (const Case &c : cases) {
    messages.clear();
    EXPECT_EQ(open(c.data, c.lob), JobStatus::Open);
    EXPECT_EQ(messages, "ERROR -- Cannot write to file : " + c.named + "\nERROR -- " + c.named +
                            ": No such file or directory\n");
    EXPECT_EQ(out.iobuf, nullptr);
    EXPECT_FALSE(fs::exists(path("ok.txt")));
  }
}

// A full device: small writes fail at the close, large ones at once (a
// compressed stream writes its blocks later, at the close at the latest);
// plain, gzip and zstd alike, with the reason said once.
TEST_F(OutStream, WriteErrorsSetStatus2) {
  fs::create_symlink("/dev/full", dir / "full.gz");
  fs::create_symlink("/dev/full", dir / "full.zst");
  for (std::string name : {std::string("/dev/full"), path("full.gz"), path("full.zst")}) {
    for (int size : {1, IOBUF_SIZE - 1}) {
      messages.clear();
      ASSERT_EQ(open(name), JobStatus::Done);
      unsigned x = 12345;  // incompressible bytes, so a compressor must write too
      for (int i = 0; i < size; ++i) out.iobuf[i] = static_cast<ub1>((x = x * 1103515245 + 12345) >> 24);
      out.iopos = size;
      JobStatus flushed = flushIoBuffer(&out);
      if (size > 1 && name == "/dev/full") {
        EXPECT_EQ(flushed, JobStatus::Write);
      }
      EXPECT_EQ(closeOutput(&out, &db, 1000000), JobStatus::Write) << name << " " << size;
      size_t said = messages.find("ERROR -- Cannot write to file : " + name + ": No space left on device (at 0 rows)\n");
      EXPECT_NE(said, std::string::npos) << messages;
      EXPECT_EQ(messages.rfind("ERROR"), said) << messages;
    }
  }
}

// An error path flushes what was formatted and gives a gzip file its
// trailer; the file is kept under a name that says it is incomplete.
TEST_F(OutStream, AbortFlushes) {
  std::string file = path("e.gz");
  ASSERT_EQ(open(file), JobStatus::Done);
  append("rows before the error\n");
  abortOutput(&out, 1);
  EXPECT_EQ(out.iobuf, nullptr);
  EXPECT_EQ(gunzip(file + ".partial"), "rows before the error\n");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_NE(messages.find("ERROR -- Output file " + file + " is incomplete: kept as " + file + ".partial.\n"),
            std::string::npos) << messages;
}

}  // namespace
