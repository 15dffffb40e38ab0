// JSON Lines through the real program and the real readers: Python's json
// module finds every value of the demo type table, typed, where the CSV
// unload of the same table has it; jq reads whole files, pieces, compressed
// and parallel output and finds every row once.
#include <string>
#include <vector>

#include "unload_support.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RunResult;
using testsupport::runProgram;
using unloadtest::Unload;

// Reads the JSON Lines file argv[1] and the CSV file argv[2] of the same
// rows: every line is one object with the CSV header's keys in order; an
// empty CSV field is null; number columns are JSON numbers of the same
// value; dates and timestamps are the CSV's in ISO 8601; the rest are the
// same strings. Prints the row count.
constexpr const char *COMPARE_WITH_CSV = R"PY(
import csv, decimal, json, re, sys
NUMBERS = {'ID', 'C_NUMBER', 'C_NUMBER_P', 'C_NUMBER_PS', 'C_FLOAT', 'C_BINARY_FLOAT', 'C_BINARY_DOUBLE'}
TIMES = {'C_DATE', 'C_TIMESTAMP', 'C_TIMESTAMP_TZ', 'C_TIMESTAMP_LTZ'}
def iso(t):
    t = t.replace(' ', 'T', 1).replace(' ', '')
    return re.sub(r'\.(\d*?)0*(?=[+-]|$)', lambda m: '.' + m[1] if m[1] else '', t)
rows = list(csv.reader(open(sys.argv[2], newline='', encoding='utf-8')))
lines = open(sys.argv[1], 'rb').read().split(b'\n')
assert lines.pop() == b'', 'no line feed at the end'
assert len(lines) == len(rows) - 1, (len(lines), len(rows))
for line, row in zip(lines, rows[1:]):
    obj = json.loads(line, parse_float=decimal.Decimal, parse_int=decimal.Decimal)
    assert list(obj) == rows[0], list(obj)
    for key, text in zip(rows[0], row):
        got = obj[key]
        if text == '':
            assert got is None, (key, got)
        elif key in NUMBERS:
            assert isinstance(got, decimal.Decimal) and got == decimal.Decimal(text), (key, got, text)
        else:
            assert isinstance(got, str) and got == (iso(text) if key in TIMES else text), (key, got, text)
print(len(lines), 'rows')
)PY";

class JsonUnload : public Unload {
 protected:
  // Runs a shell command line in the test folder.
  RunResult sh(const std::string &line) { return runProgram({"/bin/sh", "-c", "cd '" + dir.string() + "' && " + line}); }
};

TEST_F(JsonUnload, DemoTypesReadByPythonAndJq) {
  ASSERT_EQ(q2({"query=alltypes", "text=CSV", "file=all.csv"}).status, 0);
  const struct {
    const char *what;
    std::vector<std::string> args;
  } cases[] = {
      {"text numbers", {}},
      {"internal numbers and dates", {"client=YES"}},
      {"ISO whatever alter= set", {"alter=SET NLS_DATE_FORMAT='DD.MM.YYYY' NLS_TIMESTAMP_FORMAT='HH24:MI'"}},
  };
  for (const auto &c : cases) {
    std::vector<std::string> args = {"query=alltypes", "text=JSON", "file=all.jsonl"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    RunResult r = q2(args);
    ASSERT_EQ(r.status, 0) << c.what << r.out;
    EXPECT_NE(r.out.find("Control file not written: SQL*Loader cannot read JSON Lines (text=JSON).\n"),
              std::string::npos) << r.out;
    RunResult py = runProgram({"/usr/bin/python3", "-c", COMPARE_WITH_CSV, path("all.jsonl"), path("all.csv")});
    EXPECT_EQ(py.out, "7 rows\n") << c.what;
    EXPECT_EQ(sh("jq -s length all.jsonl").out, "7\n") << c.what;
  }
  q2({"query=alltypes", "text=JSON", "file=all.jsonl"});
  expectGolden("alltypes.jsonl", read("all.jsonl"));
}

// Every row once, whatever the files: jq reads them all as one stream.
TEST_F(JsonUnload, PiecesCompressedAndParallelHoldEveryRow) {
  numberedTable("NUMS", 2500);
  const struct {
    const char *what;
    std::vector<std::string> args;
    const char *files;  // shell words that write the files' JSON to standard output
  } cases[] = {
      {"batch pieces", {"query=NUMS", "batch=YES", "rows=1000", "file=b_%b.jsonl"}, "cat b_1.jsonl b_2.jsonl b_3.jsonl"},
      {"gzip", {"query=NUMS", "file=g.jsonl.gz"}, "gzip -dc g.jsonl.gz"},
      {"zstd pieces", {"query=NUMS", "batch=YES", "rows=1000", "file=z_%b.jsonl.zst"}, "zstd -q -dc z_*.jsonl.zst"},
      {"parallel", {"split=NUMS", "degree=3", "file=p_%p.jsonl"}, "cat p_*.jsonl"},
  };
  for (const auto &c : cases) {
    std::vector<std::string> args = {"text=JSON"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    RunResult r = q2(args);
    ASSERT_EQ(r.status, 0) << c.what << r.out;
    RunResult all = sh(std::string(c.files) + " | jq -s 'length, (map(.ID) | sort == [range(1; 2501)])'");
    EXPECT_EQ(all.out, "2500\ntrue\n") << c.what;
  }
  EXPECT_EQ(sh("ls b_*.jsonl | wc -l").out, "3\n");
}

TEST_F(JsonUnload, BytesNoValidUtf8AreReplacedAndCounted) {
  RunResult r = q2({"query=select id, c_nclob from alltypes", "text=JSON", "charset=WE8ISO8859P1", "file=l.jsonl"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("WARNING -- text=JSON: 1 bytes that are no valid UTF-8 written as U+FFFD; "), std::string::npos)
      << r.out;
  EXPECT_NE(read("l.jsonl").find("{\"ID\":1,\"C_NCLOB\":\"nclob \xef\xbf\xbd\"}\n"), std::string::npos);
  EXPECT_EQ(sh("jq -s length l.jsonl").out, "7\n");
}

TEST_F(JsonUnload, OptionsThatCannotApplyAreRefused) {
  RunResult r = q2({"query=alltypes", "text=JSON", "field=0x7c", "quote=0x22", "head=YES", "lobfile=x.lob", "file=x.jsonl"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.out.find("ERROR -- text=JSON writes its own separators, quotes, escapes, null and LOB values, so "
                       "field=, quote=, head=, lobfile= cannot apply to it: leave them out.\n"),
            std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(path("x.jsonl")));
  // Given before the preset, they are its to replace.
  EXPECT_EQ(q2({"query=alltypes", "field=0x7c", "head=YES", "text=JSON", "file=y.jsonl"}).status, 0);
  EXPECT_EQ(sh("jq -s length y.jsonl").out, "7\n");
}

}  // namespace
