// From a field's text to the value a column of the stand-in stores, as
// Oracle converts a SQL*Loader field for its column.
#ifndef OCILITE_TOOL_LOADVALUE_H
#define OCILITE_TOOL_LOADVALUE_H

#include <map>
#include <string>

#include "charset.h"
#include "ctlfile.h"
#include "datetime.h"
#include "records.h"
#include "types.h"

namespace loader {

// SQLite holds a blob of at most this many bytes (its default length limit).
constexpr long long kMaxLobBytes = 1000000000;

// A column of the loaded table.
struct TargetColumn {
  std::string name;  // as the table declares it
  std::string declaration;
  ocilite::ColumnType type;
};

// What a value is bound as.
struct Value {
  enum Kind { Null, Text, Blob } kind = Null;
  std::string bytes;
};

// The session formats a field without a mask is read by: NLS_DATE_FORMAT,
// NLS_TIMESTAMP_FORMAT and NLS_TIMESTAMP_TZ_FORMAT of the environment, else
// Oracle's defaults.
struct SessionFormats {
  ocilite::DateFormat date, timestamp, timestampTz;
};
// False with *why naming the variable whose format is not understood.
bool sessionFormats(SessionFormats *out, std::string *why);

// How one field is loaded, fixed before the first record.
struct Conversion {
  const FieldSpec *field = nullptr;
  const TargetColumn *column = nullptr;
  ocilite::DateFormat format;  // the mask, or the session format that applies
};

// Sets up the conversion of field into column. False with *why when the
// field cannot load that column (a mask the stand-in does not know, LLS for
// a column that is no LOB).
bool prepareConversion(const FieldSpec &field, const TargetColumn &column, const SessionFormats &formats,
                       Conversion *out, std::string *why);

// The side files LLS fields point into, kept open while a load runs.
class LobFiles {
 public:
  // The LOB that reference "name.offset.length/" names (offset from 1; a
  // length of -1 is NULL). False with *why for a reference that is no LLS,
  // a negative offset or length, a file that cannot be read, or a length
  // past its end.
  bool read(const std::string &reference, Value *out, std::string *why);

 private:
  std::map<std::string, File> open_;
};

// Converts the (non-empty) text of a field into *out. False with *why (an
// Oracle or SQL*Loader error text) when the value cannot be loaded.
bool convertField(const Conversion &c, const std::string &text, const ocilite::Transcoder &fromData, LobFiles *lobs,
                  Value *out, std::string *why);

}  // namespace loader

#endif  // OCILITE_TOOL_LOADVALUE_H
