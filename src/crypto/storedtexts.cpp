// Deciphering the stored texts: all of them once, on first use, into a
// read-only copy that every reader shares.
#include <string.h>

#include "crypto/password.h"
#include "crypto/storedtexts.h"

namespace {

struct PLAINTEXTS {
  ub1 banners[BANNER_LINE_COUNT][SQLSTMT_BUFSIZE];
  ub1 templates[QUERY_TEMPLATE_COUNT][LONGSQL_BUFSIZE];
};

PLAINTEXTS decipherAll() {
  PLAINTEXTS plain;
  memcpy(plain.banners, storedBanners, sizeof plain.banners);
  for (ub1 *line : plain.banners) korvex_decrypt_sqlstmt(line);
  memcpy(plain.templates, storedQueryTemplates, sizeof plain.templates);
  for (ub1 *tmpl : plain.templates) korvex_decrypt_longsql(tmpl);
  return plain;
}

// A function-local constant: deciphered by the first caller, thread-safe.
const PLAINTEXTS &plainTexts() {
  static const PLAINTEXTS plain = decipherAll();
  return plain;
}

}  // namespace

const text *bannerLine(int which) { return plainTexts().banners[which != 0 ? 1 : 0]; }

const char *queryTemplate(int which) {
  if (which < 1 || which > QUERY_TEMPLATE_COUNT) return "";
  return reinterpret_cast<const char *>(plainTexts().templates[which - 1]);
}
