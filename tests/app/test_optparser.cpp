// The option record defaults, the keyword table, the presets and the text
// functions of the option parser.
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/cmdline.h"
#include "options/cmdoptions.h"

using namespace std::string_literals;

namespace {

const text *T(const std::string &s) { return reinterpret_cast<const text *>(s.c_str()); }
std::string str(const text *t) { return reinterpret_cast<const char *>(t); }
std::string bytes(const text *t, int len) { return std::string(reinterpret_cast<const char *>(t), len); }

struct Options {
  CMDOPTIONS o;
  Options() { resetCommandOptions(&o); }
  int parse(const std::string &line) { return parseCommandOption(&o, T(line)); }
};

TEST(ResetCommandOptions, StoresEveryDefault) {
  CMDOPTIONS o;
  memset(&o, 0x5a, sizeof o);
  resetCommandOptions(&o);
  EXPECT_EQ(bytes(o.field, o.flen), ",");
  EXPECT_EQ(bytes(o.record, o.rlen), "\n");
  EXPECT_EQ(bytes(o.exec, o.execlen), ";");
  EXPECT_EQ(o.escape, ' ');
  EXPECT_EQ(str(o.tabmode), "INSERT");
  EXPECT_EQ(str(o.fname), "qletdata_%p.txt");
  EXPECT_EQ(o.rows, 1000000u);
  EXPECT_EQ(o.DEFAULT_ARRAY_SIZE, 1000u);
  EXPECT_EQ(o.DEFAULT_LONG_SIZE, 32768u);
  EXPECT_EQ(o.buffer, 2097152);
  EXPECT_EQ(o.piece, 268435455);
  EXPECT_EQ(o.degree, 1);
  EXPECT_EQ(o.pretry, 3);
  EXPECT_EQ(o.sleep, 3);
  EXPECT_EQ(o.data, 1);
  for (int v : {o.rplen, o.rslen, o.hsize, o.ssize, o.bsize, o.serial, o.trace, o.batch, o.header, o.safemode,
                o.crypt, o.lnull, o.format, o.update, o.colseplen, o.preheadlen, o.sqlargc, o.oerrcount})
    EXPECT_EQ(v, 0);
  EXPECT_EQ(o.charsetid + o.ncharsetid + o.clientnum + o.help, 0);
  // Every text field without a default is empty and zero-filled.
  for (const text *t : {o.username, o.tabname, o.query, o.logfile, o.sqlfname, o.lobfname, o.ctlfname, o.width,
                        o.altses, o.sedf, o.sedt, o.escf, o.esct, o.quote, o.rowpre, o.rowsuf, o.snull, o.colsep,
                        o.presql, o.postsql, o.prehead, o.owner, o.partition, o.tabsplit, o.charset, o.ncharset,
                        o.sqlhint, o.unique, o.crackkey, o.uncrackkey})
    EXPECT_EQ(t[0], 0);
  EXPECT_EQ(o.query[sizeof o.query - 1], 0);
}

// One option text, the field it sets as bytes, and the bytes expected.
struct KeywordCase {
  std::string option;
  std::function<std::string(const CMDOPTIONS &)> field;
  std::string expected;
};

std::string num(long long v) { return std::to_string(v); }

#define TXT(f) [](const CMDOPTIONS &o) { return str(o.f); }
#define CONV(f, len) [](const CMDOPTIONS &o) { return bytes(o.f, o.len); }
#define NUM(f) [](const CMDOPTIONS &o) { return num(o.f); }

const std::string LONG_VALUE(100000, 'v');

// A text option, its field, and the bytes the field holds: a longer value
// is cut there.
struct FieldBound {
  const char *keyword;
  std::function<std::string(const CMDOPTIONS &)> field;
  size_t max;
};

const std::vector<KeywordCase> &keywordCases() {
  static const std::vector<KeywordCase> cases = [] {
    const FieldBound bounds[] = {
      {"alter", TXT(altses), 2047}, {"charset", TXT(charset), 63}, {"colsep", CONV(colsep, colseplen), 63},
      {"control", TXT(ctlfname), 255}, {"crack", TXT(crackkey), 31}, {"escf", TXT(escf), 60}, {"esct", TXT(esct), 60},
      {"exec", CONV(exec, execlen), 60}, {"field", CONV(field, flen), 131}, {"file", TXT(fname), 255},
      {"hint", TXT(sqlhint), 255}, {"lobfile", TXT(lobfname), 255}, {"log", TXT(logfile), 255},
      {"mode", TXT(tabmode), 128}, {"ncharset", TXT(ncharset), 63}, {"null", CONV(snull, lnull), 127},
      {"part", TXT(partition), 128}, {"postsql", TXT(postsql), 1023}, {"prehead", CONV(prehead, preheadlen), 63},
      {"presql", TXT(presql), 1023}, {"query", TXT(query), 8191}, {"quote", TXT(quote), 40},
      {"record", CONV(record, rlen), 131}, {"rowpre", CONV(rowpre, rplen), 63}, {"rowsuf", CONV(rowsuf, rslen), 63},
      {"sedf", TXT(sedf), 40}, {"sedt", TXT(sedt), 40}, {"split", TXT(tabsplit), 128}, {"sql", TXT(sqlfname), 255},
      {"table", TXT(tabname), 128}, {"uncrack", TXT(uncrackkey), 31}, {"unique", TXT(unique), 255},
      {"user", TXT(username), 128}, {"width", TXT(width), 2047},
    };
    std::vector<KeywordCase> all = {
      {"alter=sort_area_size=1;x=2", TXT(altses), "sort_area_size=1;x=2"},
      {"array=1", NUM(DEFAULT_ARRAY_SIZE), "5"},
      {"array=4", NUM(DEFAULT_ARRAY_SIZE), "5"},
      {"array=5000", NUM(DEFAULT_ARRAY_SIZE), "2000"},
      {"array=-1", NUM(DEFAULT_ARRAY_SIZE), "2000"},
      {"array=300", NUM(DEFAULT_ARRAY_SIZE), "300"},
      {"batch=yes", NUM(batch), "1"},
      {"buffer=4", NUM(buffer), "8388608"},
      {"buffer=32", NUM(buffer), "33554432"},
      {"buffer=500", NUM(buffer), "104857600"},
      {"buffer=-9", NUM(buffer), "8388608"},
      {"charset=AL32UTF8", TXT(charset), "AL32UTF8"},
      {"client=ON", NUM(clientnum), "1"},
      {"colsep=0x20:0x20", CONV(colsep, colseplen), " : "},
      {"control=emp.ctl", TXT(ctlfname), "emp.ctl"},
      {"crack=0x41bcdefgh", TXT(crackkey), "Abcdefgh"},
      {"crypt=Yes", NUM(crypt), "1"},
      {"data=NO", NUM(data), "0"},
      {"data=off", NUM(data), "0"},
      {"data=None", NUM(data), "0"},
      {"data=YES", NUM(data), "1"},
      {"data=0", NUM(data), "1"},
      {"degree=0", NUM(degree), "1"},
      {"degree=500", NUM(degree), "128"},
      {"degree=8", NUM(degree), "8"},
      {"error=1405", NUM(oerrcount), "1"},
      {"escape=0x5c", NUM(escape), num('\\')},
      {"escape=", NUM(escape), "0"},
      {"escape=0", NUM(escape), num(' ')},
      {"escape=" + LONG_VALUE, NUM(escape), num('v')},
      {"escf=0x0d0x0a", TXT(escf), "\r\n"},
      {"esct=rn", TXT(esct), "rn"},
      {"exec=0x0a/", CONV(exec, execlen), "\n/"},
      {"exec=", CONV(exec, execlen), ""},
      {"fast=YES", NUM(bsize), "128"},
      {"fast=no", NUM(bsize), "0"},
      {"FIELD=0x7C", CONV(field, flen), "|"},
      {"field = |", CONV(field, flen), "|"},
      {"FiElD=,", CONV(field, flen), ","},
      {"file=out_%p.csv", TXT(fname), "out_%p.csv"},
      {"form=YES", TXT(fname), "-"},
      {"form=NO", TXT(fname), "qletdata_%p.txt"},
      {"format=mysql", NUM(format), "1"},
      {"format=SQL", NUM(format), "2"},
      {"format=sq", NUM(format), "2"},
      {"format=oracle", NUM(format), "0"},
      {"hash=600", NUM(hsize), "512"},
      {"hash=-1", NUM(hsize), "0"},
      {"head=yes", NUM(header), "1"},
      {"head=ON", NUM(header), "1"},
      {"head=One", NUM(header), "1"},
      {"head=Y", NUM(header), "0"},
      {"head=1", NUM(header), "0"},
      {"head", NUM(header), "0"},
      {"help=YES", NUM(help), "1"},
      {"help=ON", NUM(help), "0"},
      {"hint=IGNORE", TXT(sqlhint), "IGNORE"},
      {"lobfile=lobs.dat", TXT(lobfname), "lobs.dat"},
      {"log=+run.log", TXT(logfile), "+run.log"},
      {"long=64", NUM(DEFAULT_LONG_SIZE), "65536"},
      {"long=0", NUM(DEFAULT_LONG_SIZE), "0"},
      {"long=5000", NUM(DEFAULT_LONG_SIZE), "5000"},
      {"long=9999999", NUM(DEFAULT_LONG_SIZE), "2097152"},
      {"long=-5", NUM(DEFAULT_LONG_SIZE), "2097152"},
      {"mode=APPEND", TXT(tabmode), "APPEND"},
      {"ncharset=AL16UTF16", TXT(ncharset), "AL16UTF16"},
      {"null=0x5cN", CONV(snull, lnull), "\\N"},
      {"part=P2024", TXT(partition), "P2024"},
      {"postsql=commit", TXT(postsql), "commit"},
      {"prehead=0x23", CONV(prehead, preheadlen), "#"},
      {"presql=begin null; end;", TXT(presql), "begin null; end;"},
      {"query=select * ", TXT(query), "select * "},
      {"quote=0x22", TXT(quote), "\""},
      {"quote=", TXT(quote), ""},
      {"read=128", NUM(bsize), "128"},
      {"read=1000", NUM(bsize), "512"},
      {"record=0x0d0x0a", CONV(record, rlen), "\r\n"},
      {"record=", CONV(record, rlen), ""},
      {"retry=1000", NUM(pretry), "128"},
      {"retry=65537", NUM(pretry), "1"},
      {"rowpre=<DOC>", CONV(rowpre, rplen), "<DOC>"},
      {"rows=10", NUM(rows), "1000"},
      {"rows=50000", NUM(rows), "50000"},
      {"rows=-1", NUM(rows), "4294967295"},
      {"rowsuf=</DOC>", CONV(rowsuf, rslen), "</DOC>"},
      {"safe=yes", NUM(safemode), "1"},
      {"sedf=abc", TXT(sedf), "abc"},
      {"sedt=xyz", TXT(sedt), "xyz"},
      {"serial=on", NUM(serial), "1"},
      {"size=-1", NUM(piece), "268435455"},
      {"size=0", NUM(piece), "0"},
      {"size=1024", NUM(piece), "1024"},
      {"sleep=200", NUM(sleep), "180"},
      {"sleep=7", NUM(sleep), "7"},
      {"sort=-3", NUM(ssize), "0"},
      {"sort=64", NUM(ssize), "64"},
      {"split=scott.emp", TXT(tabsplit), "scott.emp"},
      {"sql=q.sql", TXT(sqlfname), "q.sql"},
      {"table=EMP", TXT(tabname), "EMP"},
      {"text=CSV", NUM(header), "1"},
      {"threads=3", NUM(threads), "3"},
      {"threads=-2", NUM(threads), "0"},
      {"threads=500", NUM(threads), "32"},
      {"trace=12", NUM(trace), "12"},
      {"trace=-7", NUM(trace), "-7"},
      {"uncrack=secretkey", TXT(uncrackkey), "secretkey"},
      {"unique=id", NUM(update), "1"},
      {"unique=", NUM(update), "0"},
      {"update=YES", NUM(update), "1"},
      {"user=scott/tiger@orcl", TXT(username), "scott/tiger@orcl"},
      {"user=", TXT(username), ""},
      {"width=10:20", TXT(width), "10:20"},
    };
    for (const FieldBound &b : bounds)
      all.push_back({std::string(b.keyword) + "=" + LONG_VALUE, b.field, std::string(b.max, 'v')});
    return all;
  }();
  return cases;
}

TEST(ParseCommandOption, KeywordTable) {
  for (const KeywordCase &c : keywordCases()) {
    Options opts;
    EXPECT_EQ(opts.parse(c.option), 1) << c.option.substr(0, 40);
    EXPECT_EQ(c.field(opts.o), c.expected) << c.option.substr(0, 40);
  }
}

TEST(ParseCommandOption, UnknownKeywordsChangeNothing) {
  for (const char *line : {"fields=,", "fiel=,", "parfile=x", "-si", ":x=1", "#user=x", "=value", "", "   "}) {
    Options opts;
    CMDOPTIONS before = opts.o;
    EXPECT_EQ(opts.parse(line), 0) << line;
    EXPECT_EQ(memcmp(&before, &opts.o, sizeof before), 0) << line;
  }
}

// Options applied one after the other: later ones win, fields are cleared
// whole before they are set, presets set several fields.
TEST(ParseCommandOption, Sequences) {
  struct Case {
    std::vector<std::string> options;
    std::function<std::string(const CMDOPTIONS &)> field;
    std::string expected;
  };
  const Case cases[] = {
      {{"head=yes", "head=no"}, NUM(header), "0"},
      {{"file=a_much_longer_name.txt", "file=b"}, [](const CMDOPTIONS &o) { return bytes(o.fname, 6); }, "b\0\0\0\0\0"s},
      {{"update=yes", "unique="}, NUM(update), "1"},
      {{"update=yes", "unique="}, TXT(unique), ""},
      {{"fast=YES"}, NUM(hsize), "128"},
      {{"fast=YES"}, NUM(ssize), "128"},
      {{"fast=YES"}, NUM(DEFAULT_ARRAY_SIZE), "2000"},
      {{"fast=YES"}, NUM(serial), "1"},
      {{"text=csv", "field=0x09"}, CONV(field, flen), "\t"},
      {{"field=0x09", "text=csv"}, CONV(field, flen), ","},
      {{"text=MYSQLINS", "file=out.sql"}, TXT(fname), "out.sql"},
      {{"file=out.sql", "text=MYSQLINS"}, TXT(fname), "-"},
      {{"form=yes", "file=f.txt", "field=;"}, TXT(fname), "f.txt"},
      {{"form=yes", "file=f.txt", "field=;"}, CONV(field, flen), ";"},
      // The JSON preset puts back what an earlier preset or option set.
      {{"text=MYSQL", "head=yes", "text=JSON"},
       [](const CMDOPTIONS &o) {
         return std::string(1, o.escape) + "|" + str(o.escf) + "|" + bytes(o.snull, o.lnull) + "|" + str(o.quote) +
                "|" + num(o.header);
       },
       " ||||0"},
      {{"text=JSON", "text=CSV"}, NUM(format), "0"},
      {{"text=JSON", "quote=0x22"}, NUM(format), "3"},
  };
  for (const Case &c : cases) {
    Options opts;
    for (const std::string &line : c.options) opts.parse(line);
    EXPECT_EQ(c.field(opts.o), c.expected) << testing::PrintToString(c.options);
  }
}

TEST(ParseCommandOption, ErrorListKeepsDistinctNumbersUpToItsSize) {
  Options opts;
  for (const char *line : {"error=1405", "error=1405", "error=1406"}) opts.parse(line);
  ASSERT_EQ(opts.o.oerrcount, 2);
  EXPECT_EQ(opts.o.oerrorno[0], 1405);
  EXPECT_EQ(opts.o.oerrorno[1], 1406);

  Options full;
  for (int i = 0; i < 40; i++) full.parse("error=" + std::to_string(1000 + i));
  ASSERT_EQ(full.o.oerrcount, MAX_SKIP_ERRORS);
  EXPECT_EQ(full.o.oerrorno[MAX_SKIP_ERRORS - 1], 1000 + MAX_SKIP_ERRORS - 1);
}

TEST(ParseCommandOption, QueryClearsOnlyItsOwnPart) {
  Options opts;
  opts.o.query[9000] = 'x';  // text a SQL file appended beyond the option's part
  opts.parse("query=select 1");
  EXPECT_EQ(str(opts.o.query), "select 1");
  EXPECT_EQ(opts.o.query[9000], 'x');
}

// Presets -----------------------------------------------------------------

struct Layout {
  char escape;
  std::string field, record, escf, esct, snull, quote, fname, colsep, rowpre, rowsuf;
  int header, format;
  bool operator==(const Layout &) const = default;
};

Layout layoutOf(const CMDOPTIONS &o) {
  return {o.escape,
          bytes(o.field, o.flen),
          bytes(o.record, o.rlen),
          str(o.escf),
          str(o.esct),
          bytes(o.snull, o.lnull),
          str(o.quote),
          str(o.fname),
          bytes(o.colsep, o.colseplen),
          bytes(o.rowpre, o.rplen),
          bytes(o.rowsuf, o.rslen),
          o.header,
          o.format};
}

TEST(Presets, TextLayouts) {
  struct Case {
    const char *option;
    Layout expected;
  };
  const std::string dflt = "qletdata_%p.txt";
  const Case cases[] = {
      {"text=MYSQL", {'\\', ",", "\n", "\r\n\"'", "rn\"'", "\\N", "\"", dflt, "", "", "", 0, 0}},
      {"text=csv", {'"', ",", "\n", "", "", "", "\"", dflt, "", "", "", 1, 0}},
      {"text=MySqlIns", {'\\', ",", "\n", "\r\n\"'", "rn\"'", "null", "'", "-", "", "", "", 0, 1}},
      {"text=ORACLEINS", {'\'', ",", "\n", "", "", "null", "'", "-", "", "", "", 0, 2}},
      {"text=FORM", {' ', "\n", "\n\n", "", "", "(null)", "", "-", " : ", "", "", 0, 0}},
      {"text=search",
       {' ', "\x01\n", "\x01\n", "", "", "", "", dflt, "=", "<DOC>\x01\n", "\x01\n</DOC>", 0, 0}},
      {"text=json", {' ', ",", "\n", "", "", "", "", dflt, "", "", "", 0, FORMAT_JSON}},
      {"form=yes", {' ', "\n", "\n\n", "", "", "", "", "-", " : ", "", "", 0, 0}},
      // Unmatched preset values change nothing, but the keyword is known.
      {"text=CSV ", {' ', ",", "\n", "", "", "", "", dflt, "", "", "", 0, 0}},
      {"text=TSV", {' ', ",", "\n", "", "", "", "", dflt, "", "", "", 0, 0}},
      {"form=no", {' ', ",", "\n", "", "", "", "", dflt, "", "", "", 0, 0}},
  };
  for (const Case &c : cases) {
    Options opts;
    EXPECT_EQ(opts.parse(c.option), 1);
    EXPECT_TRUE(layoutOf(opts.o) == c.expected) << c.option;
  }
}

// Text functions ------------------------------------------------------------

TEST(GetCommandValue, SplitsKeywordAndValue) {
  struct Case {
    std::string buf, name, val;
  };
  const Case cases[] = {
      {"field = 0x7c", "field", "0x7c"},
      {"user=", "user", ""},
      {" \t query=select * ", "query", "select * "},
      {"head", "head", "head"},
      {"  head  ", "head", "head  "},
      {"=value", "", "value"},
      {"a=b=c", "a", "b=c"},
      {"", "", ""},
  };
  for (const Case &c : cases) {
    std::string buf = c.buf;
    OPTIONPOS pos;
    getCommandValue(reinterpret_cast<text *>(buf.data()), &pos);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(pos.name), pos.nlen), c.name) << c.buf;
    EXPECT_EQ(std::string(reinterpret_cast<char *>(pos.val), pos.vlen), c.val) << c.buf;
  }
}

TEST(ConvertOption, EscapeRules) {
  struct Case {
    std::string src;
    int mlen;
    std::string out;  // every output byte, the fill byte '#' where none was written
  };
  const Case cases[] = {
      {",", 131, ","},                      // 1: plain bytes are copied
      {"0x2c", 131, ","},                   // 4: hex pair
      {"0X2C", 131, ","},
      {"0xaF0xFa0x9A", 131, "\xaf\xfa\x9a"},  // digits of either case
      {"0x0d0x0a", 131, "\r\n"},
      {"|0x7c|", 131, "|||"},
      {"0xZZ", 131, "\0"s},                 // non-digits count as 0
      {"10", 131, "1#"},                    // 2: trailing 0 leaves the fill byte
      {"100", 131, "10"},                   // 3: 0 quotes the next byte
      {"0a", 131, "a"},
      {"00", 131, "0"},
      {"0xA", 131, "A"},                    // 5: one byte after 0x is copied
      {"ab0x", 131, "ab#"},                 // 6: 0x at the end
      {"0x2c", 1, ","},                     // the escape reads past the cut
      {"abcdef", 3, "abc"},
      {"", 131, ""},
      {"abc", 0, ""},
  };
  for (const Case &c : cases) {
    text dst[140];
    memset(dst, '#', sizeof dst);
    int len = convertOption(T(c.src), dst, c.mlen);
    EXPECT_EQ(bytes(dst, len), c.out) << c.src;
    EXPECT_EQ(dst[len], 0) << c.src;
  }
}

std::vector<std::string> scanAll(CMDLINE &cl, char sep, int calls) {
  std::vector<std::string> tokens;
  for (int i = 0; i < calls; i++) {
    int n = scanNextString(&cl, sep);
    EXPECT_EQ(static_cast<unsigned int>(n), cl.epos - cl.spos);
    tokens.push_back(std::string(reinterpret_cast<char *>(cl.buf + cl.spos), n));
  }
  return tokens;
}

TEST(ScanNextString, Tokens) {
  struct Case {
    std::string text;
    int calls;
    std::vector<std::string> tokens;
  };
  const Case cases[] = {
      {"id,name,,dept", 5, {"id", "name", "", "dept", ""}},
      {"single", 2, {"single", ""}},
      {"", 1, {""}},
      // A leading separator gives an empty token with epos 0: the scan restarts.
      {",a", 2, {"", ""}},
  };
  for (const Case &c : cases) {
    CMDLINE cl{};
    memcpy(cl.buf, c.text.data(), c.text.size());
    cl.length = static_cast<unsigned int>(c.text.size());
    EXPECT_EQ(scanAll(cl, ',', c.calls), c.tokens) << c.text;
  }
}

TEST(ScanNextString, LengthBeyondTheBufferIsCut) {
  CMDLINE cl{};
  memset(cl.buf, 'a', sizeof cl.buf);
  cl.length = 100000;
  EXPECT_EQ(scanNextString(&cl, ','), static_cast<int>(CMDLINE_BUFSIZE));
  EXPECT_EQ(scanNextString(&cl, ','), 0);
}

}  // namespace
