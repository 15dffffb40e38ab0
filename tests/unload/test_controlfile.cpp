// The loader control file, compared byte for byte with golden files.
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/driver.h"
#include "crypto/password.h"
#include "support/process.h"
#include "unload/columntype.h"
#include "unload/controlfile.h"

namespace {

namespace fs = std::filesystem;

struct ColSpec {
  const char *name;
  sb2 type;
  ub1 csfm;
  sb4 size;
  sb2 precision, scale;
};

// A column list described as the describe would build it.
class ColumnList {
 public:
  ColumnList(const std::vector<ColSpec> &specs, const JOBSPEC &o) {
    memset(&head_, 0, sizeof head_);
    COLUMN *last = &head_;
    for (const ColSpec &s : specs) {
      cols_.push_back(std::make_unique<COLUMN>());
      COLUMN *c = cols_.back().get();
      memset(c, 0, sizeof *c);
      strncpy(reinterpret_cast<char *>(c->buf), s.name, COLUMN_NAME_SIZE - 1);
      c->oldtype = s.type;
      c->csfm = s.csfm;
      c->dbsize = s.size;
      c->precision = s.precision;
      c->scale = s.scale;
      FETCHMODE m{0, o.fetch.safemode != 0, o.fetch.clientnum != 0, o.output.lobfname[0] != 0,
                  o.fetch.DEFAULT_LONG_SIZE};
      m.hexbinary = writesBinaryAsHex(o.format);
      FETCHPLAN p = planColumnFetch(DESCRIBED{s.type, s.size, s.precision, s.scale}, m);
      c->dbtype = p.dbtype;
      c->dsize = p.dsize;
      c->dsize2 = p.dsize2;
      last->next = c;
      last = c;
    }
  }
  const COLUMN *head() const { return &head_; }

 private:
  COLUMN head_;
  std::vector<std::unique_ptr<COLUMN>> cols_;
};

const std::vector<ColSpec> kEmp = {
    {"EMPNO", 2, 1, 22, 4, 0},     {"ENAME", 1, 1, 10, 0, 0},
    {"HIREDATE", 12, 1, 7, 0, 0},  {"SAL", 2, 1, 22, 7, 2},
    {"RATIO", 2, 1, 22, 5, 5},     {"ANYNUM", 2, 1, 22, 0, -127},
    {"CREATED", 187, 1, 11, 6, 0}, {"STAMPED", 188, 1, 13, 3, 0},
    {"SEEN", 232, 1, 11, 0, 0},    {"NOTE", 1, 2, 40, 0, 0},
};

void setText(text *field, size_t size, const char *value) {
  memset(field, 0, size);
  strncpy(reinterpret_cast<char *>(field), value, size - 1);
}
#define SET(field, value) setText(field, sizeof field, value)

class ControlFile : public ::testing::Test {
 protected:
  void SetUp() override {
    db_.sink = {testsupport::appendMessage, &messages_};
    dir_ = testsupport::makeTempDir("q2ctl");
    ctl_ = (dir_ / "out.ctl").string();
    reset();
  }
  void TearDown() override { fs::remove_all(dir_); }
  DATABASE db_{};
  std::string messages_;
  void reset() {
    resetCommandOptions(&o_);
    SET(o_.tabname, "EMP");
    SET(o_.ctlfname, ctl_.c_str());
    slaveid_ = 1;
  }

  // Writes the control file of worker slaveid_ as the driver's settings of
  // o_ ask; the result of writeControlFile.
  int tryWrite(const std::vector<ColSpec> &specs, int fixlen) {
    mapJobSettings(o_, &spec_);
    const JOBSTATE job{slaveid_, 0, spec_.tabname};
    ColumnList cols(specs, spec_);
    return writeControlFile(&db_, {&spec_.control, &spec_.format, &spec_.output, &job}, cols.head(), fixlen,
                            &formats_);
  }

  std::string write(const std::vector<ColSpec> &specs, int fixlen = 0) {
    EXPECT_EQ(tryWrite(specs, fixlen), 1);
    return testsupport::readFile(ctl_);
  }

  fs::path dir_;
  std::string ctl_;
  CMDOPTIONS o_;
  JOBSPEC spec_;
  int slaveid_ = 1;
  SESSIONFORMATS formats_ = defaultSessionFormats();
};

TEST_F(ControlFile, Goldens) {
  const std::vector<ColSpec> lobs = {{"ID", 2, 1, 22, 6, 0},
                                     {"DOC", 112, 1, 4000, 0, 0},
                                     {"NDOC", 112, 2, 4000, 0, 0},
                                     {"PIC", 113, 1, 4000, 0, 0},
                                     {"EXT", 114, 1, 530, 0, 0}};
  struct Case {
    const char *golden;
    std::vector<std::string> options;
    std::vector<ColSpec> cols;
    int fixlen;
  } cases[] = {
      {"delimited.ctl", {"record=0x0d0x0a", "field=|", "head=YES"}, kEmp, 0},
      {"csv_header.ctl", {"quote=0x22", "head=YES", "file=emp_%p_%b.csv", "mode=APPEND", "buffer=16"},
       {{"ID", 2, 1, 22, 10, 0}, {"NAME", 1, 1, 30, 0, 0}}, 0},
      {"fixed.ctl", {"field=0x20", "quote=0x22", "head=YES"},
       {{"A", 1, 1, 10, 0, 0}, {"B", 1, 1, 19, 0, 0}, {"C", 1, 1, 5, 0, 0}, {"D", 12, 1, 7, 0, 0},
        {"T", 187, 1, 11, 6, 0}, {"Z", 188, 1, 13, 6, 0}},
       1},
      {"lobfile.ctl", {"lobfile=emp.lob"}, lobs, 0},
      {"lobfile_fixed.ctl", {"lobfile=emp.lob"}, lobs, 1},
  };
  for (const Case &c : cases) {
    reset();
    for (const std::string &line : c.options) parseCommandOption(&o_, reinterpret_cast<const text *>(line.c_str()));
    EXPECT_EQ(testsupport::withBannerTokens(write(c.cols, c.fixlen), "-- "),
              testsupport::readFile(fs::path(TEST_DATA_DIR) / "controlfile" / c.golden))
        << c.golden;
  }
}

// The default name, '+', %p and %b are pinned by the goldens here and by the
// describe-only runs of the program (which also write the default control
// file name into the current folder).
TEST_F(ControlFile, InfileNamesTheFirstDataFile) {
  struct Case {
    const char *fname, *infile;
  } cases[] = {
      {"-", "-- INFILE '-' "},  // commented out: no such file
      {"x%%y.dat", "INFILE 'x%y.dat' "},
      {"+x.csv.gz", "INFILE 'x.csv' "},  // read through a pipe of that name
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.fname);
    SET(o_.fname, c.fname);
    std::string got = write({{"ID", 2, 1, 22, 6, 0}});
    EXPECT_NE(got.find(std::string("\n") + c.infile), std::string::npos) << got;
  }
}

// Each clause says what the row writer wrote with these options.
TEST_F(ControlFile, ClausesFollowTheData) {
  const std::vector<ColSpec> cols = {{"N", 2, 1, 22, 0, 0},     {"D", 12, 1, 7, 0, 0},
                                     {"L", 232, 1, 11, 6, 0},   {"R", 23, 1, 16, 0, 0},
                                     {"F", 2, 1, 22, 126, -127}, {"C", 96, 1, 6, 0, 0},
                                     {"G", 8, 1, 0, 0, 0}};
  struct Case {
    std::vector<std::string> options;
    int fixlen;
    std::vector<std::string> lines;
  } cases[] = {
      {{"null=NULL"}, 0, {"  \"N\" CHAR(46) NULLIF \"N\"='NULL' ,", "  \"D\" DATE \"YYYY-MM-DD HH24:MI:SS\" NULLIF \"D\"='NULL',"}},
      {{"null=0x27-0x27"}, 0, {"  \"N\" CHAR(46) NULLIF \"N\"=X'272d27' ,"}},
      {{"quote=0x27", "field=0x00"}, 0, {"FIELDS TERMINATED BY X'00' OPTIONALLY ENCLOSED BY X'27'  TRAILING NULLCOLS "}},
      {{"charset=WE8ISO8859P1"}, 0, {"LOAD DATA", "CHARACTERSET WE8ISO8859P1", "INFILE 'qletdata_1.txt' \"STR X'0a'\""}},
      {{}, 0, {"  \"L\" TIMESTAMP \"YYYY-MM-DD HH24:MI:SSXFF\" NULLIF \"L\"=BLANKS,", "  \"R\" CHAR(32) NULLIF \"R\"=BLANKS ,",
               "--    F FLOAT(126),", "--    C CHAR(6),", "--    R RAW(16),", "--    G LONG"}},
      // 46 + 19 + 33 + 32 (hex) + 129 + 6 + 32768, the prefix, suffix and separator
      {{"field=0x20", "rowpre=[", "rowsuf=]"}, 1, {"INFILE 'qletdata_1.txt' \"FIX 33036\"",
                                                     "  \"N\" POSITION(2:47) CHAR(46) NULLIF \"N\"=BLANKS ,"}},
      {{"field=0x20", "client=YES"}, 1, {"  \"N\" POSITION(1:171) CHAR(171) NULLIF \"N\"=BLANKS ,",
                                          "  \"D\" POSITION(172:190) DATE \"YYYY-MM-DD HH24:MI:SS\" NULLIF \"D\"=BLANKS ,"}},
  };
  for (const Case &c : cases) {
    reset();
    for (const std::string &line : c.options) parseCommandOption(&o_, reinterpret_cast<const text *>(line.c_str()));
    std::string got = write(cols, c.fixlen);
    for (const std::string &line : c.lines) EXPECT_NE(got.find("\n" + line + "\n"), std::string::npos) << line << "\n" << got;
  }
}

TEST_F(ControlFile, NotWritten) {
  struct Case {
    const char *what;
    const char *tabname;
    int format, slaveid;
    int result;  // of writeControlFile
  } cases[] = {
      {"no table name", "", 0, 1, 0},
      {"MySQL inserts", "EMP", 1, 1, 0},
      {"Oracle inserts", "EMP", 2, 1, 0},
      {"worker 2", "EMP", 0, 2, 0},
      {"unopenable file", "EMP", 0, 1, -1},
      {"backslash escapes", "EMP", 0, 1, 0},
      {"column names", "EMP", 0, 1, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    SET(o_.tabname, c.tabname);
    o_.format = c.format;
    slaveid_ = c.slaveid;
    if (c.what == std::string("unopenable file")) SET(o_.ctlfname, "/nonexistent-q2/out.ctl");
    if (c.what == std::string("backslash escapes")) parseCommandOption(&o_, reinterpret_cast<const text *>("text=MYSQL"));
    if (c.what == std::string("column names")) parseCommandOption(&o_, reinterpret_cast<const text *>("text=FORM"));
    messages_.clear();
    EXPECT_EQ(tryWrite({{"ID", 2, 1, 22, 6, 0}}, 0), c.result);
    EXPECT_EQ(messages_.find("No such file or directory") != std::string::npos, c.result < 0) << messages_;
    EXPECT_FALSE(fs::exists(ctl_));
  }
}

}  // namespace
