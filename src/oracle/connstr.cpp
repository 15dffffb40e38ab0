#include "oracle/connstr.h"

#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <time.h>

#include "base/chars.h"
#include "oracle/database.h"

namespace {

void copyCut(text *dest, size_t cap, const text *src, size_t n) {
  dest[0] = 0;
  appendCut(dest, cap, {chars(src), n});
}

void setExternal(LOGONPARTS *parts, ub4 mode) {
  parts->user[0] = parts->pass[0] = parts->tns[0] = 0;
  parts->authmode = OCI_CRED_EXT;
  parts->mode = mode;
}

}  // namespace

void splitConnectString(const text *connstr, LOGONPARTS *parts) {
  memset(parts, 0, sizeof *parts);
  const char *s = reinterpret_cast<const char *>(connstr);
  size_t len = strlen(s);
  bool inquote = false;
  size_t i = 0;
  for (; i < len; i++) {
    if (s[i] == '"') inquote = !inquote;
    else if (s[i] == '/' || (s[i] == '@' && !inquote)) break;
  }
  if (i == len) {  // no password and no connect text (the empty string too)
    setExternal(parts, OCI_DEFAULT);
    return;
  }
  size_t userlen = i;
  const char *connect = nullptr;
  if (s[i] == '/') {
    size_t p = i + 1;
    size_t j = p;
    for (; j < len; j++) {
      if (s[j] == '"') inquote = !inquote;
      else if (s[j] == '@' && !inquote) break;
    }
    copyCut(parts->pass, sizeof parts->pass, connstr + p, j - p);
    if (j < len) connect = s + j + 1;
  } else {
    connect = s + i + 1;
  }
  if (userlen == 0) {
    setExternal(parts, OCI_DEFAULT);
    return;
  }
  if (userlen == 3 && strncasecmp(s, "SYS", 3) == 0) {
    setExternal(parts, OCI_SYSDBA);
    return;
  }
  copyCut(parts->user, sizeof parts->user, connstr, userlen);
  if (connect != nullptr && *connect != 0)
    copyTnsname(parts->tns, reinterpret_cast<const text *>(connect));
  parts->authmode = OCI_CRED_RDBMS;
  parts->mode = OCI_DEFAULT;
}

void copyTnsname(text *dest, const text *src) {
  const char *s = reinterpret_cast<const char *>(src);
  const char *first = strchr(s, ':');
  const char *second = first ? strchr(first + 1, ':') : nullptr;
  if (first == nullptr || second == nullptr || strchr(second + 1, ':') != nullptr) {
    appendCut(dest, LOGON_TNS_SIZE, s);
    return;
  }
  text hostlist[HOSTLIST_SIZE] = {0};
  copyCut(hostlist, sizeof hostlist, src, static_cast<size_t>(first - s));
  text host[HOSTLIST_SIZE] = {0};
  int hostlen = copyHostname(host, hostlist);
  appendCut(dest, LOGON_TNS_SIZE, "(DESCRIPTION=(ADDRESS_LIST=(ADDRESS=(HOST=");
  appendCut(dest, LOGON_TNS_SIZE, {chars(host), static_cast<size_t>(hostlen)});
  appendCut(dest, LOGON_TNS_SIZE, ")(PROTOCOL=TCP)(PORT=");
  appendCut(dest, LOGON_TNS_SIZE, {first + 1, static_cast<size_t>(second - first - 1)});
  appendCut(dest, LOGON_TNS_SIZE, ")))(CONNECT_DATA=(SID=");
  appendCut(dest, LOGON_TNS_SIZE, second + 1);
  appendCut(dest, LOGON_TNS_SIZE, ")(SERVER=DEDICATED)))");
}

int copyHostnameSeeded(text *dest, const text *hostlist, unsigned int seed) {
  const char *s = reinterpret_cast<const char *>(hostlist);
  size_t len = strlen(s);
  if (len == 0) return 0;
  // A comma ends a host; it starts another unless it is the list's last byte.
  int count = 1;
  for (size_t i = 0; i + 1 < len; i++)
    if (s[i] == ',') count++;
  if (count == 1) {
    size_t n = (s[len - 1] == ',') ? len - 1 : len;
    memcpy(dest, s, n);
    return static_cast<int>(n);
  }
  srand(seed);
  int pick = rand() % count;
  const char *start = s;
  for (int k = 0; k < pick; k++) start = strchr(start, ',') + 1;
  const char *end = strchr(start, ',');
  size_t n = end ? static_cast<size_t>(end - start) : strlen(start);
  memcpy(dest, start, n);
  return static_cast<int>(n);
}

int copyHostname(text *dest, const text *hostlist) {
  return copyHostnameSeeded(dest, hostlist, static_cast<unsigned int>(time(nullptr)));
}
