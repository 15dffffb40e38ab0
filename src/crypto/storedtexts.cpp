// Deciphering the stored texts: the banners once, in place; a query template
// into the caller's buffer each time it is needed.
#include <string.h>

#include "crypto/password.h"
#include "crypto/storedtexts.h"

namespace {
bool bannersPlain = false;  // deciphering twice would scramble them again
}  // namespace

void prepareBanners() {
  if (bannersPlain) return;
  for (ub1 *line : storedBanners) korvex_decrypt_sqlstmt(line);
  bannersPlain = true;
}

const text *bannerLine(int which) { return storedBanners[which != 0 ? 1 : 0]; }

void decipherQueryTemplate(int which, ub1 *buf) {
  if (which < 1 || which > QUERY_TEMPLATE_COUNT) {  // no such template: an empty text
    memset(buf, 0, LONGSQL_BUFSIZE);
    return;
  }
  memcpy(buf, storedQueryTemplates[which - 1], LONGSQL_BUFSIZE);
  korvex_decrypt_longsql(buf);
}
