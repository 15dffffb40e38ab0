#include "app/loadchecks.h"

#include <strings.h>

#include <initializer_list>

#include "base/chars.h"
#include "unload/jobrunner.h"

namespace {


bool isLoadMode(const char *mode) {
  for (const char *known : {"INSERT", "APPEND", "REPLACE", "TRUNCATE"})
    if (strcasecmp(mode, known) == 0) return true;
  return false;
}

}  // namespace

int refuseUnloadableOptions(const CMDOPTIONS *o, const MESSAGESINK &sink) {
  if (!isLoadMode(chars(o->tabmode))) {
    sendMessage(sink, MsgKind::Error,
                "ERROR -- mode=%s is not a load mode: use mode=INSERT, APPEND, REPLACE or TRUNCATE.\n",
                chars(o->tabmode));
    return 1;
  }
  if ((o->format == 1 || o->format == 2) && o->tabname[0] == 0 && isQueryStatement(chars(o->query))) {
    sendLine(sink, MsgKind::Error,
             "ERROR -- INSERT output of a query needs the table to insert into: add table=NAME.\n");
    return 1;
  }
  if (o->crackkey[0] != 0 && o->fname[0] == '+') {
    sendLine(sink, MsgKind::Error,
             "ERROR -- crack= cannot append (file=+...): uncrack cannot tell where one run ended; "
             "write each run to a file of its own.\n");
    return 1;
  }
  return 0;
}
