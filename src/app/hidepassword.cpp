// Blanking the password in argv, so that ps and /proc/PID/cmdline of the
// program and of every worker forked later no longer show it.
#include "app/hidepassword.h"

#include <ctype.h>
#include <string.h>

#include "options/optbytes.h"

namespace {

// The byte that replaces each secret byte.
constexpr char HIDDEN = 'x';

bool allHexDigits(const char *s) {
  if (*s == 0) return false;
  for (; *s != 0; ++s)
    if (!isxdigit(static_cast<unsigned char>(*s))) return false;
  return true;
}

}  // namespace

void hidePassword(char *arg, bool withKeyword) {
  char *s = arg;
  if (withKeyword) {
    char *equals = strchr(arg, '=');
    if (equals == nullptr) return;
    s = equals + 1;
    while (isOptionSpace(static_cast<unsigned char>(*s))) s++;
  }
  if (allHexDigits(s)) {
    memset(s, HIDDEN, strlen(s));
    return;
  }
  // The rule of splitConnectString: the user name ends at the first '/' or
  // unquoted '@'; after a '/' the password runs to the next unquoted '@'.
  bool inquote = false;
  size_t i = 0;
  for (; s[i] != 0; i++) {
    if (s[i] == '"') inquote = !inquote;
    else if (s[i] == '/' || (s[i] == '@' && !inquote)) break;
  }
  if (s[i] != '/') return;
  for (size_t j = i + 1; s[j] != 0; j++) {
    if (s[j] == '"') inquote = !inquote;
    else if (s[j] == '@' && !inquote) break;
    s[j] = HIDDEN;
  }
}
