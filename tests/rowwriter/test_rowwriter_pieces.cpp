// Pieces, large fields and LOB export of the row writer.
#include <string.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "fakecursor.h"
#include "support/process.h"

namespace fs = std::filesystem;
using fake::Cursor;
using fake::Value;
using testsupport::readFile;

namespace {

const Value N = fake::NUL;

using Pieces = fake::FolderTest;

Cursor numbered(int rows) {
  Cursor c;
  c.specs = {fake::number("ID", 12), fake::varchar("NAME", 10)};
  for (int i = 1; i <= rows; ++i) c.rows.push_back({Value(std::to_string(i)), Value(std::string("n").append(std::to_string(i)))});
  return c;
}

size_t lines(const std::string &s) { return static_cast<size_t>(std::count(s.begin(), s.end(), '\n')); }

std::string repeat(const std::string &s, size_t n) {
  std::string r;
  r.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i) r += s;
  return r;
}

// A piece boundary inside a MySQL statement closes it and opens a new one,
// so each piece is a complete script.
TEST_F(Pieces, MysqlStatementsNeverSpanPieces) {
  Cursor c = numbered(2500);
  fake::Run run =
      fake::unload(&c, {"text=MYSQLINS", "batch=YES", "rows=1000", "array=300", "unique=ID"}, path("s_%b.sql"));
  ASSERT_EQ(run.status, 0) << run.messages;
  std::string all;
  for (int b = 1; b <= 3; ++b) {
    std::string piece = readFile(path("s_" + std::to_string(b) + ".sql"));
    EXPECT_EQ(piece.substr(0, 12), "INSERT  INTO") << b;
    EXPECT_EQ(piece.substr(piece.size() - 3), ");\n") << b;
    EXPECT_EQ(piece.find("VALUES \n,"), std::string::npos);
    all += piece;
  }
  // Row 1000 ends piece 1 inside the fourth array (rows 901-1200).
  EXPECT_NE(all.find("(1000,unhex('6e31303030'))\nON DUPLICATE KEY UPDATE \n    `NAME`=VALUES(`NAME`);\n"
                     "INSERT  INTO `T` (`ID`,`NAME`) VALUES \n(1001,"),
            std::string::npos);
  size_t rows = 0;
  for (size_t p = 0; (p = all.find("unhex(", p)) != std::string::npos; ++p) ++rows;
  EXPECT_EQ(rows, 2500u);
}

TEST_F(Pieces, SizePiecesAndScrambledGzipPieces) {
  Cursor c;
  c.specs = {fake::varchar("V", 4000)};
  for (int i = 0; i < 3000; ++i) c.rows.push_back({Value(std::string(3000, static_cast<char>('a' + i % 26)))});
  // About 9 MB in pieces of 4 MB: a piece ends at the first row end after each
  // 4 MiB flush crosses the size.
  fake::Run run = fake::unload(&c, {"size=4", "crack=secret12"}, path("z_%b.gz"));
  ASSERT_EQ(run.status, 0) << run.messages;
  std::string restored;
  int pieces = 0;
  for (int b = 1; fs::exists(path("z_" + std::to_string(b) + ".gz")); ++b, ++pieces) {
    std::string f = path("z_" + std::to_string(b) + ".gz");
    std::string s = testsupport::gunzip(f);
    size_t scrambled = s.size() < 9 ? 0 : 8 * ((s.size() - 9) / 8 + 1);
    for (size_t i = 0; i < scrambled; ++i) s[i] = static_cast<char>(s[i] ^ "secret12"[i % 8]);
    restored += s;
  }
  EXPECT_GE(pieces, 2);
  ASSERT_EQ(lines(restored), 3000u);
  EXPECT_EQ(restored.substr(0, 3001), std::string(3000, 'a') + "\n");
  EXPECT_EQ(restored.substr(restored.size() - 3001), std::string(3000, 'a' + 2999 % 26) + "\n");
}

TEST_F(Pieces, OutputFailuresAndStandardOutput) {
  Cursor big;
  big.specs = {fake::varchar("V", 4000)};
  for (int i = 0; i < 2000; ++i) big.rows.push_back({Value(std::string(4000, 'x'))});
  Cursor small = numbered(3), missing = numbered(3), out = numbered(3);
  EXPECT_EQ(fake::unload(&big, {}, "/dev/full").status, 2);
  EXPECT_EQ(fake::unload(&small, {}, "/dev/full").status, 2);
  fake::Run run = fake::unload(&missing, {}, path("no/such/x.txt"));
  EXPECT_EQ(run.status, 6);
  EXPECT_EQ(run.messages, "ERROR -- Cannot write to file : " + path("no/such/x.txt") + "\n");
  EXPECT_EQ(missing.fetches, 0);
  run = fake::unload(&out, {"rows=1000"}, "-");  // standard output carries no messages
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.messages, "");
}

// A LONG of the largest size whose every byte needs an escape is twice the
// size of half the buffer: it is written whole, in parts.
TEST_F(Pieces, FieldLargerThanTheBufferIsWrittenWhole) {
  const size_t big = 2097152 - 4;
  for (const std::string &escaped : {std::string("\\\\"), std::string("\\n")}) {
    Cursor c;
    c.specs = {fake::longcol("L", 2097152)};
    const std::string value(big, escaped == "\\n" ? '\n' : '\\');
    c.rows = {{Value(value)}, {Value(value)}};
    ASSERT_EQ(fake::unload(&c, {"text=MYSQL", "long=2097152"}, path("long.txt")).status, 0);
    const std::string want = "\"" + repeat(escaped, big) + "\"\n";
    std::string out = readFile(path("long.txt"));
    EXPECT_EQ(out.size(), 2 * want.size());
    EXPECT_TRUE(out == want + want);
  }
  // Hex output of the same LONG in MySQL INSERT form: 4 MiB of digits a row.
  Cursor h;
  h.specs = {fake::longcol("L", 2097152)};
  h.rows = {{Value(std::string(big, '\xab'))}, {Value("z")}};
  ASSERT_EQ(fake::unload(&h, {"text=MYSQLINS"}, path("hex.sql")).status, 0);
  std::string want = "INSERT  INTO `T` (`L`) VALUES \n(unhex('" + repeat("ab", big) + "')),\n(unhex('7a'));\n";
  std::string got = readFile(path("hex.sql"));
  EXPECT_EQ(got.size(), want.size());
  EXPECT_TRUE(got == want);
}

// A field cut into parts never splits a double-byte character.
TEST_F(Pieces, PartsKeepDoubleBytePairsWhole) {
  const size_t n = (2097152 - 8 + 2) / 3;
  const std::string v = repeat("\xd5\x5c\\", n);  // pair with trail '\\', then a '\\'
  Cursor c;
  c.specs = {fake::longcol("L", 2097152)};
  c.rows = {{Value(v)}};
  c.charset = 852;
  ASSERT_EQ(fake::unload(&c, {"text=MYSQL", "long=2097152"}, path("gbk.txt")).status, 0);
  std::string want = "\"" + repeat("\xd5\x5c\\\\", n) + "\"\n";
  std::string got = readFile(path("gbk.txt"));
  EXPECT_EQ(got.size(), want.size());
  EXPECT_TRUE(got == want);
}

TEST_F(Pieces, LobSideFileAndReferences) {
  const std::string ten(10 * 1024 * 1024, 'L');
  Cursor c;
  c.specs = {fake::number("ID", 12), fake::clobLocator("DOC")};
  c.rows = {{Value("1"), N},
            {Value("2"), Value("")},
            {Value("3"), Value("x")},
            {Value("4"), Value(std::string(32768, 'y'))},
            {Value("5"), Value(ten)}};
  std::string lob = path("d.lob");
  fake::Run run = fake::unload(&c, {"lobfile=" + lob, "quote=0x22"}, path("d.txt"));
  ASSERT_EQ(run.status, 0) << run.messages;
  EXPECT_EQ(readFile(path("d.txt")),
            "1," + lob + ".1.-1/\n"
            "2,\"" + lob + ".2.0/\"\n"
            "3,\"" + lob + ".3.1/\"\n"
            "4,\"" + lob + ".5.32768/\"\n"
            "5,\"" + lob + ".32774.10485760/\"\n");
  std::string side = readFile(lob);
  EXPECT_TRUE(side == "\n\nx\n" + std::string(32768, 'y') + "\n" + ten + "\n");
}

TEST_F(Pieces, LobReferencesDropTheAppendMarkAndEmptyFilesGo) {
  Cursor c;
  c.specs = {fake::number("ID", 12), fake::clobLocator("DOC")};
  c.rows = {{Value("1"), Value("ab")}};
  testsupport::writeFile(path("a.lob"), "old");
  ASSERT_EQ(fake::unload(&c, {"lobfile=+" + path("a.lob"), "field=0x20"}, path("a.txt")).status, 0);
  std::string rec = readFile(path("a.txt"));
  EXPECT_EQ(rec, "1           " + (path("a.lob") + ".4.2/") + std::string(256 - path("a.lob").size() - 5, ' ') + "\n");
  EXPECT_EQ(readFile(path("a.lob")), "oldab\n");
  Cursor none;
  none.specs = {fake::number("ID", 12), fake::clobLocator("DOC")};
  ASSERT_EQ(fake::unload(&none, {"lobfile=" + path("e.lob")}, path("e.txt")).status, 0);
  EXPECT_FALSE(fs::exists(path("e.lob")));
}

TEST_F(Pieces, InternalNumbersAndDates) {
  Cursor c;
  c.specs = {fake::internalNumber("N"), fake::internalDate("D")};
  c.rows = {{Value(std::string("\xc1\x02\x33", 3)), Value(std::string("\x78\x7c\x03\x05\x0e\x08\x0a", 7))},
            {Value(std::string("\x80", 1)), N},
            {Value(std::string("\x3e\x64\x66", 3)), Value(std::string("\x64\x65\x01\x01\x01\x01\x01", 7))}};
  EXPECT_EQ(fake::unload(&c, {"text=CSV"}, path("n.csv")).status, 0);
  EXPECT_EQ(readFile(path("n.csv")), "N,D\n1.50,\"2024-03-05 13:07:09\"\n0,\n-1,\"0001-01-01 00:00:00\"\n");
}

}  // namespace
