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

const std::vector<KeywordCase> &keywordCases() {
  static const std::vector<KeywordCase> cases = [] {
    std::vector<KeywordCase> all = {
      {"array=1", NUM(DEFAULT_ARRAY_SIZE), "5"},
      {"array=4", NUM(DEFAULT_ARRAY_SIZE), "5"},
      {"array=5000", NUM(DEFAULT_ARRAY_SIZE), "2000"},
      {"array=-1", NUM(DEFAULT_ARRAY_SIZE), "2000"},
      {"batch=yes", NUM(batch), "1"},
      {"buffer=4", NUM(buffer), "8388608"},
      {"buffer=32", NUM(buffer), "33554432"},
      {"buffer=500", NUM(buffer), "104857600"},
      {"buffer=-9", NUM(buffer), "8388608"},
      {"client=ON", NUM(clientnum), "1"},
      {"colsep=0x20:0x20", CONV(colsep, colseplen), " : "},
      {"crack=0x41bcdefgh", TXT(crackkey), "Abcdefgh"},
      {"crypt=Yes", NUM(crypt), "1"},
      {"data=NO", NUM(data), "0"},
      {"data=off", NUM(data), "0"},
      {"data=None", NUM(data), "0"},
      {"data=YES", NUM(data), "1"},
      {"data=0", NUM(data), "1"},
      {"degree=0", NUM(degree), "1"},
      {"degree=500", NUM(degree), "128"},
      {"error=1405", NUM(oerrcount), "1"},
      {"escape=0x5c", NUM(escape), num('\\')},
      {"escape=", NUM(escape), "0"},
      {"escape=0", NUM(escape), num(' ')},
      {"escape=" + LONG_VALUE, NUM(escape), num('v')},
      {"escf=0x0d0x0a", TXT(escf), "\r\n"},
      {"exec=0x0a/", CONV(exec, execlen), "\n/"},
      {"exec=", CONV(exec, execlen), ""},
      {"fast=YES", NUM(bsize), "128"},
      {"fast=no", NUM(bsize), "0"},
      {"FIELD=0x7C", CONV(field, flen), "|"},
      {"field = |", CONV(field, flen), "|"},
      {"FiElD=,", CONV(field, flen), ","},
      {"form=YES", TXT(fname), "-"},
      {"form=NO", TXT(fname), "qletdata_%p.txt"},
      {"text=CSV ", NUM(header), "0"},  // an unmatched preset changes nothing
      {"text=json", NUM(format), "3"},
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
      {"long=64", NUM(DEFAULT_LONG_SIZE), "65536"},
      {"long=0", NUM(DEFAULT_LONG_SIZE), "0"},
      {"long=9999999", NUM(DEFAULT_LONG_SIZE), "2097152"},
      {"long=-5", NUM(DEFAULT_LONG_SIZE), "2097152"},
      {"null=0x5cN", CONV(snull, lnull), "\\N"},
      {"query=select * ", TXT(query), "select * "},
      {"quote=0x22", TXT(quote), "\""},
      {"quote=", TXT(quote), ""},
      {"read=128", NUM(bsize), "128"},
      {"read=1000", NUM(bsize), "512"},
      {"record=0x0d0x0a", CONV(record, rlen), "\r\n"},
      {"record=", CONV(record, rlen), ""},
      {"retry=1000", NUM(pretry), "128"},
      {"retry=65537", NUM(pretry), "1"},
      {"rows=10", NUM(rows), "1000"},
      {"rows=-1", NUM(rows), "4294967295"},
      {"safe=yes", NUM(safemode), "1"},
      {"serial=on", NUM(serial), "1"},
      {"size=-1", NUM(piece), "268435455"},
      {"size=0", NUM(piece), "0"},
      {"sleep=200", NUM(sleep), "180"},
      {"sort=-3", NUM(ssize), "0"},
      {"text=CSV", NUM(header), "1"},
      {"threads=3", NUM(threads), "3"},
      {"threads=-2", NUM(threads), "0"},
      {"threads=500", NUM(threads), "32"},
      {"trace=-7", NUM(trace), "-7"},
      {"unique=id", NUM(update), "1"},
      {"unique=", NUM(update), "0"},
      {"update=YES", NUM(update), "1"},
      {"user=", TXT(username), ""},
    };
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

TEST(ParseCommandOption, QueryClearsOnlyItsOwnPart) {
  Options opts;
  opts.o.query[9000] = 'x';  // text a SQL file appended beyond the option's part
  opts.parse("query=select 1");
  EXPECT_EQ(str(opts.o.query), "select 1");
  EXPECT_EQ(opts.o.query[9000], 'x');
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
