// Reading SQLite function arguments and setting results, for the SQL
// functions the stand-in registers.
#ifndef OCILITE_SQLVALUES_H
#define OCILITE_SQLVALUES_H

#include <sqlite3.h>

#include <string>

namespace ocilite {

// Oracle holds no empty strings: '' (and an empty blob) is NULL.
inline bool isNull(sqlite3_value *v) {
  const int t = sqlite3_value_type(v);
  return t == SQLITE_NULL || ((t == SQLITE_TEXT || t == SQLITE_BLOB) && sqlite3_value_bytes(v) == 0);
}

inline std::string textOf(sqlite3_value *v) {
  const unsigned char *t = sqlite3_value_text(v);
  return t ? std::string(reinterpret_cast<const char *>(t), static_cast<size_t>(sqlite3_value_bytes(v))) : std::string();
}

inline void resultText(sqlite3_context *ctx, const std::string &s) {
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

}  // namespace ocilite

#endif  // OCILITE_SQLVALUES_H
