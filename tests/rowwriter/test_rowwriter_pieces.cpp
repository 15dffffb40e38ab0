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
  // One statement per array of 300, and one more for each array a piece
  // boundary cuts (rows 901-1200 and 1801-2100).
  size_t rows = 0, statements = 0;
  for (size_t p = 0; (p = all.find("unhex(", p)) != std::string::npos; ++p) ++rows;
  for (size_t p = 0; (p = all.find("INSERT  INTO", p)) != std::string::npos; ++p) ++statements;
  EXPECT_EQ(rows, 2500u);
  EXPECT_EQ(statements, 11u);
}

// Scrambled gzip pieces are restored by the program itself in the end-to-end
// tests.
TEST_F(Pieces, SizePiecesOfGzipOutput) {
  Cursor c;
  c.specs = {fake::varchar("V", 4000)};
  for (int i = 0; i < 3000; ++i) c.rows.push_back({Value(std::string(3000, static_cast<char>('a' + i % 26)))});
  // About 9 MB in pieces of 4 MB: a piece ends at the first row end after each
  // 4 MiB flush crosses the size.
  fake::Run run = fake::unload(&c, {"size=4"}, path("z_%b.gz"));
  ASSERT_EQ(run.status, 0) << run.messages;
  std::string restored;
  int pieces = 0;
  for (int b = 1; fs::exists(path("z_" + std::to_string(b) + ".gz")); ++b, ++pieces)
    restored += testsupport::gunzip(path("z_" + std::to_string(b) + ".gz"));
  EXPECT_GE(pieces, 2);
  ASSERT_EQ(lines(restored), 3000u);
  EXPECT_EQ(restored.substr(0, 3001), std::string(3000, 'a') + "\n");
  EXPECT_EQ(restored.substr(restored.size() - 3001), std::string(3000, 'a' + 2999 % 26) + "\n");
}

TEST_F(Pieces, OutputFailures) {
  Cursor big;
  big.specs = {fake::varchar("V", 4000)};
  for (int i = 0; i < 2000; ++i) big.rows.push_back({Value(std::string(4000, 'x'))});
  Cursor small = numbered(3), missing = numbered(3);
  EXPECT_EQ(fake::unload(&big, {}, "/dev/full").status, 2);
  EXPECT_EQ(fake::unload(&small, {}, "/dev/full").status, 2);
  fake::Run run = fake::unload(&missing, {}, path("no/such/x.txt"));
  EXPECT_EQ(run.status, 6);
  EXPECT_EQ(run.messages, "ERROR -- Cannot write to file : " + path("no/such/x.txt") + "\nERROR -- " +
                              path("no/such/x.txt") + ": No such file or directory\n");
  EXPECT_EQ(missing.fetches, 0);
}

// A LONG of the largest size whose every byte needs an escape (or becomes
// two hex digits) is twice the size of half the buffer: it is written whole,
// in parts, and the parts never split a double-byte character, also where a
// part ends among double-byte pairs.
TEST_F(Pieces, FieldLargerThanTheBufferIsWrittenWhole) {
  const size_t big = 2097152 - 4, pairs = (2097152 - 8 + 2) / 3;
  const std::string backslashes(big, '\\'), lineFeeds(big, '\n');
  const std::string quotedBackslashes = "\"" + repeat("\\\\", big) + "\"\n", quotedLineFeeds = "\"" + repeat("\\n", big) + "\"\n";
  struct Case {
    const char *what;
    std::vector<std::string> values, options;
    ub2 charset;
    std::string want;
  } cases[] = {
      {"backslashes", {backslashes, backslashes}, {"text=MYSQL", "long=2097152"}, 873,
       quotedBackslashes + quotedBackslashes},
      {"line feeds", {lineFeeds, lineFeeds}, {"text=MYSQL", "long=2097152"}, 873, quotedLineFeeds + quotedLineFeeds},
      {"hex digits", {std::string(big, '\xab'), "z"}, {"text=MYSQLINS"}, 873,
       "INSERT  INTO `T` (`L`) VALUES \n(unhex('" + repeat("ab", big) + "')),\n(unhex('7a'));\n"},
      // pairs with trail byte '\\', each followed by a '\\'
      {"double-byte pairs", {repeat("\xd5\x5c\\", pairs)}, {"text=MYSQL", "long=2097152"}, 852,
       "\"" + repeat("\xd5\x5c\\\\", pairs) + "\"\n"},
      // escaped backslashes that fill more than the buffer, then pairs: the
      // part boundary falls among the pairs, at an odd and at an even offset
      {"pairs at a part boundary", {std::string(2096900, '\\') + repeat("\xd5\x5c", 124),
                                    std::string(2096901, '\\') + repeat("\xd5\x5c", 123)},
       {"text=MYSQL", "long=2097152"}, 852,
       "\"" + repeat("\\\\", 2096900) + repeat("\xd5\x5c", 124) + "\"\n\"" + repeat("\\\\", 2096901) +
           repeat("\xd5\x5c", 123) + "\"\n"},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(k.what);
    Cursor c;
    c.specs = {fake::longcol("L", 2097152)};
    for (const std::string &v : k.values) c.rows.push_back({Value(v)});
    c.charset = k.charset;
    ASSERT_EQ(fake::unload(&c, k.options, path("long.txt")).status, 0);
    const std::string got = readFile(path("long.txt"));
    EXPECT_EQ(got.size(), k.want.size());
    EXPECT_TRUE(got == k.want);
  }
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

}  // namespace
