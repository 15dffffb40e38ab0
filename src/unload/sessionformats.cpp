#include "unload/sessionformats.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>

#include <string_view>

#include "oracle/database.h"
#include "oracle/ocicalls.h"

namespace {

struct ELEMENT {
  std::string_view name;
  int width;
};

// Format elements, longer names before the shorter ones they start with.
constexpr ELEMENT ELEMENTS[] = {
    {"SYYYY", 5}, {"Y,YYY", 5}, {"YYYY", 4}, {"YYY", 3}, {"YY", 2}, {"Y", 1},
    {"RRRR", 4},  {"RR", 2},    {"IYYY", 4}, {"IYY", 3}, {"IY", 2}, {"IW", 2},
    {"MONTH", 9}, {"MON", 3},   {"MM", 2},   {"MI", 2},  {"RM", 4}, {"DDD", 3},
    {"DAY", 9},   {"DD", 2},    {"DY", 3},   {"D", 1},   {"HH24", 2}, {"HH12", 2},
    {"HH", 2},    {"SSSSS", 5}, {"SS", 2},   {"FF1", 1}, {"FF2", 2}, {"FF3", 3},
    {"FF4", 4},   {"FF5", 5},   {"FF6", 6},  {"FF7", 7}, {"FF8", 8}, {"FF9", 9},
    {"FF", 6},    {"A.M.", 4},  {"P.M.", 4}, {"AM", 2},  {"PM", 2}, {"A.D.", 4},
    {"B.C.", 4},  {"AD", 2},    {"BC", 2},   {"TZH", 3}, {"TZM", 2}, {"TZR", 32},
    {"TZD", 6},   {"SCC", 3},   {"CC", 2},   {"WW", 2},  {"W", 1},  {"J", 7},
    {"Q", 1},     {"FM", 0},    {"FX", 0},   {"X", 1},
};

constexpr std::string_view NAMES[] = {"NLS_DATE_FORMAT", "NLS_TIMESTAMP_FORMAT",
                                      "NLS_TIMESTAMP_TZ_FORMAT"};

bool startsWithIgnoringCase(const char *s, std::string_view prefix) {
  return strncasecmp(s, prefix.data(), prefix.size()) == 0;
}

// Frees the statement and the defines of one session query.
struct FORMATQUERY {
  DATABASE *db;
  OCIStmt *stmt = nullptr;
  OCIDefine *def[2] = {};
  ~FORMATQUERY() {
    for (OCIDefine *d : def)
      if (d != nullptr) freeDefine8(d);
    if (stmt != nullptr) releaseStmt8(db, stmt);
  }
};

}  // namespace

SESSIONFORMATS defaultSessionFormats() {
  SESSIONFORMATS f{};
  snprintf(f.date, sizeof f.date, "YYYY-MM-DD HH24:MI:SS");
  snprintf(f.timestamp, sizeof f.timestamp, "YYYY-MM-DD HH24:MI:SSXFF");
  snprintf(f.timestamptz, sizeof f.timestamptz, "YYYY-MM-DD HH24:MI:SSXFF TZH:TZM");
  return f;
}

SESSIONFORMATS jsonSessionFormats() {
  SESSIONFORMATS f{};
  snprintf(f.date, sizeof f.date, "YYYY-MM-DD HH24:MI:SS");
  snprintf(f.timestamp, sizeof f.timestamp, "YYYY-MM-DD HH24:MI:SS.FF");
  snprintf(f.timestamptz, sizeof f.timestamptz, "YYYY-MM-DD HH24:MI:SS.FF TZH:TZM");
  return f;
}

void readSessionFormats(DATABASE *db, SESSIONFORMATS *formats) {
  char *targets[] = {formats->date, formats->timestamp, formats->timestamptz};
  FORMATQUERY q{db};
  const text *sql = reinterpret_cast<const text *>(
      "SELECT PARAMETER, VALUE FROM NLS_SESSION_PARAMETERS WHERE PARAMETER IN "
      "('NLS_DATE_FORMAT', 'NLS_TIMESTAMP_FORMAT', 'NLS_TIMESTAMP_TZ_FORMAT')");
  if (prepareStmt8(db, &q.stmt, sql) != 0 || executeQuery8(db, q.stmt) != 0) return;
  char name[32], value[NLS_FORMAT_SIZE];
  sb2 ind = 0;
  if (defineByPos8(db, q.stmt, &q.def[0], 1, name, sizeof name, SQLT_STR, nullptr, nullptr, nullptr) != 0 ||
      defineByPos8(db, q.stmt, &q.def[1], 2, value, sizeof value, SQLT_STR, &ind, nullptr, nullptr) != 0)
    return;
  // A value cut to the buffer (success with info) is no mask to use.
  while (fetchRows8(db, q.stmt, 1) == OCI_SUCCESS) {
    for (int k = 0; k < 3; k++)
      if (ind == 0 && NAMES[k] == name) snprintf(targets[k], NLS_FORMAT_SIZE, "%s", value);
  }
}

int formatWidth(const char *mask) {
  int width = 0;
  const char *p = mask;
  while (*p != 0) {
    if (*p == '"') {  // quoted literal text
      const char *end = strchr(p + 1, '"');
      if (end == nullptr) end = p + strlen(p);
      width += static_cast<int>(end - p - 1);
      p = *end != 0 ? end + 1 : end;
      continue;
    }
    const ELEMENT *hit = nullptr;
    for (const ELEMENT &e : ELEMENTS) {
      if (startsWithIgnoringCase(p, e.name)) {
        hit = &e;
        break;
      }
    }
    width += hit != nullptr ? hit->width : 1;
    p += hit != nullptr ? hit->name.size() : 1;
  }
  return width;
}
