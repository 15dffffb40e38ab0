// Records of a data file and the fields of a record, by SQL*Loader's rules.
#ifndef OCILITE_TOOL_RECORDS_H
#define OCILITE_TOOL_RECORDS_H

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ctlfile.h"

namespace loader {

// A record is held whole in memory; a longer one is refused.
constexpr size_t kMaxRecordBytes = 64u << 20;
// Longest delimited field without a length (CHAR, DATE), as SQL*Loader has it.
constexpr size_t kDefaultMaxField = 255;

struct FileCloser {
  void operator()(FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Reads the records of one data file in turn.
class RecordReader {
 public:
  enum class Next { Record, End, Short, TooLong };

  // False when the file cannot be opened (errno tells why).
  bool open(const DataFile &file);
  // The next record into *record: Short for a last FIX record of fewer
  // bytes (it is in *record), TooLong past kMaxRecordBytes (the rest of the
  // file is not read).
  Next next(std::string *record);

 private:
  bool fill();  // reads more of the file; false at its end

  File file_;
  DataFile spec_;
  std::string buf_;
  size_t pos_ = 0;
  bool eof_ = false;
};

// The fields of a record, in the order of cf.fields: the text of each
// (trimmed as the rules say), or nothing when it is missing at the end of a
// record with TRAILING NULLCOLS. False with *why when the record is to be
// rejected.
bool splitRecord(const ControlFile &cf, std::string_view record, std::vector<std::optional<std::string>> *fields,
                 std::string *why);

}  // namespace loader

#endif  // OCILITE_TOOL_RECORDS_H
