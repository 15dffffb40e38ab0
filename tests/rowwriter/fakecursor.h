// A scripted result set behind the row writer's cursor seam, so the writer's
// layouts can be checked byte for byte without a database.
#ifndef QUILLET2_TESTS_ROWWRITER_FAKECURSOR_H
#define QUILLET2_TESTS_ROWWRITER_FAKECURSOR_H

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "oracle/database.h"
#include "unload/column.h"

#include <gtest/gtest.h>

#include "support/process.h"

namespace fake {

using Value = std::optional<std::string>;  // nullopt is NULL

struct ColumnSpec {
  std::string name;
  sb2 oldtype;  // described type
  sb2 dbtype;   // define type
  int dsize;
  int dsize2;
  ub1 raw;
  sb2 quote;
};

// Common column kinds, as the describe defines them.
ColumnSpec varchar(const std::string &name, int size);
ColumnSpec number(const std::string &name, int width);
ColumnSpec date(const std::string &name);
ColumnSpec longcol(const std::string &name, int size);  // LONG as SQLT_LVC
ColumnSpec clobLocator(const std::string &name);      // CLOB with a LOB file

struct Cursor {
  std::vector<ColumnSpec> specs;
  std::vector<std::vector<Value>> rows;
  // A fetch error: the fetch that would deliver row failRow delivers the rows
  // before it and returns failStatus with failCode; the next fetch resumes.
  size_t failRow = SIZE_MAX;
  sword failStatus = OCI_ERROR;
  int failCode = 0;
  bool failOnce = true;
  ub2 charset = 873;

  // Runtime state.
  COLUMN head{};
  std::vector<std::unique_ptr<COLUMN>> cols;
  std::vector<std::vector<ub1>> buffers;
  std::vector<std::string> lobs;  // contents behind the fake locators
  size_t pos = 0;
  ub4 total = 0;
  int pendingError = 0;
  int fetches = 0;
};

// Builds the COLUMN list of c for an array of arraysize rows; the columns
// named in the comma-separated unique list are key columns.
void describe(Cursor *c, ub4 arraysize, const char *unique);

// Output of a text=... layout and extra options, run over c into file. The
// options are applied as the option parser applies them; "charsetid:N" sets
// the character-set id the driver would have looked up.
struct Run {
  int status;
  std::string messages;
};
Run unload(Cursor *c, const std::vector<std::string> &options, const std::string &file = "-");

const Value NUL = std::nullopt;

using FolderTest = testsupport::FolderTest;

}  // namespace fake

#endif  // QUILLET2_TESTS_ROWWRITER_FAKECURSOR_H
