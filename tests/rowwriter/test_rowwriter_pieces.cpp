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

struct Pieces : fake::FolderTest {
};

Cursor numbered(int rows) {
  Cursor c;
  c.specs = {fake::number("ID", 12), fake::varchar("NAME", 10)};
  for (int i = 1; i <= rows; ++i) c.rows.push_back({Value(std::to_string(i)), Value(std::string("n").append(std::to_string(i)))});
  return c;
}

size_t lines(const std::string &s) { return static_cast<size_t>(std::count(s.begin(), s.end(), '\n')); }

TEST_F(Pieces, BatchPiecesWithHeaderOnEach) {
  Cursor c = numbered(2500);
  fake::Run run = fake::unload(&c, {"text=CSV", "batch=YES", "rows=1000"}, path("out_%b.csv"));
  ASSERT_EQ(run.status, 0) << run.messages;
  size_t want[] = {1000, 1000, 500};
  for (int b = 1; b <= 3; ++b) {
    std::string piece = readFile(path("out_" + std::to_string(b) + ".csv"));
    EXPECT_EQ(piece.substr(0, 8), "ID,NAME\n") << b;
    EXPECT_EQ(lines(piece), want[b - 1] + 1) << b;
  }
  EXPECT_FALSE(fs::exists(path("out_4.csv")));
  EXPECT_NE(run.messages.find("output file " + path("out_1.csv") + " closed at 1000 rows"), std::string::npos);
  EXPECT_NE(run.messages.find("output file " + path("out_3.csv") + " closed at 500 rows"), std::string::npos);
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
    EXPECT_EQ(system(("gzip -t " + f).c_str()), 0);
    std::string s = testsupport::runProgram({"/bin/gzip", "-dc", f}).out;
    size_t scrambled = s.size() < 9 ? 0 : 8 * ((s.size() - 9) / 8 + 1);
    for (size_t i = 0; i < scrambled; ++i) s[i] = static_cast<char>(s[i] ^ "secret12"[i % 8]);
    restored += s;
  }
  EXPECT_GE(pieces, 2);
  ASSERT_EQ(lines(restored), 3000u);
  EXPECT_EQ(restored.substr(0, 3001), std::string(3000, 'a') + "\n");
  EXPECT_EQ(restored.substr(restored.size() - 3001), std::string(3000, 'a' + 2999 % 26) + "\n");
}

TEST_F(Pieces, StandardOutputHasNoMessages) {
  Cursor c = numbered(3);
  fake::Run run = fake::unload(&c, {"rows=1000"}, "-");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.messages, "");
}

TEST_F(Pieces, MissingFolderIsStatus6) {
  Cursor c = numbered(3);
  fake::Run run = fake::unload(&c, {}, path("no/such/x.txt"));
  EXPECT_EQ(run.status, 6);
  EXPECT_EQ(run.messages, "ERROR -- Cannot write to file : " + path("no/such/x.txt") + "\n");
  EXPECT_EQ(c.fetches, 0);
}

TEST_F(Pieces, FullDeviceIsStatus2) {
  Cursor c;
  c.specs = {fake::varchar("V", 4000)};
  for (int i = 0; i < 2000; ++i) c.rows.push_back({Value(std::string(4000, 'x'))});
  EXPECT_EQ(fake::unload(&c, {}, "/dev/full").status, 2);
  Cursor small = numbered(3);
  EXPECT_EQ(fake::unload(&small, {}, "/dev/full").status, 2);
}

// A LONG of the largest size whose every byte needs an escape is twice the
// size of half the buffer: it is written whole, in parts.
TEST_F(Pieces, FieldLargerThanTheBufferIsWrittenWhole) {
  const size_t big = 2097152 - 4;
  struct Case {
    std::vector<std::string> options;
    std::string value;
    std::string want;
  } cases[] = {
      {{"text=MYSQL", "long=2097152"}, std::string(big, '\\'), "\"" + std::string(2 * big, '\\') + "\"\n"},
      {{"text=MYSQL", "long=2097152"}, std::string(big, '\n'), "\"" + [&] {
         std::string s;
         for (size_t i = 0; i < big; ++i) s += "\\n";
         return s;
       }() + "\"\n"},
  };
  for (const Case &k : cases) {
    Cursor c;
    c.specs = {fake::longcol("L", 2097152)};
    c.rows = {{Value(k.value)}, {Value(k.value)}};
    fake::Run run = fake::unload(&c, k.options, path("long.txt"));
    ASSERT_EQ(run.status, 0);
    std::string out = readFile(path("long.txt"));
    EXPECT_EQ(out.size(), 2 * k.want.size());
    EXPECT_TRUE(out == k.want + k.want);
  }
  // Hex output of the same LONG in MySQL INSERT form: 4 MiB of digits a row.
  Cursor h;
  h.specs = {fake::longcol("L", 2097152)};
  h.rows = {{Value(std::string(big, '\xab'))}, {Value("z")}};
  ASSERT_EQ(fake::unload(&h, {"text=MYSQLINS"}, path("hex.sql")).status, 0);
  std::string want = "INSERT  INTO `T` (`L`) VALUES \n(unhex('" + [&] {
    std::string s;
    for (size_t i = 0; i < big; ++i) s += "ab";
    return s;
  }() + "')),\n(unhex('7a'));\n";
  std::string got = readFile(path("hex.sql"));
  EXPECT_EQ(got.size(), want.size());
  EXPECT_TRUE(got == want);
}

// A field cut into parts never splits a double-byte character.
TEST_F(Pieces, PartsKeepDoubleBytePairsWhole) {
  std::string v;
  while (v.size() < 2097152 - 8) v += "\xd5\x5c\\";  // pair with trail '\\', then a '\\'
  Cursor c;
  c.specs = {fake::longcol("L", 2097152)};
  c.rows = {{Value(v)}};
  c.charset = 852;
  ASSERT_EQ(fake::unload(&c, {"text=MYSQL", "long=2097152"}, path("gbk.txt")).status, 0);
  std::string want = "\"";
  for (size_t i = 0; i < v.size(); i += 3) want += "\xd5\x5c\\\\";
  want += "\"\n";
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
