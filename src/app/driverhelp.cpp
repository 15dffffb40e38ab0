// The help screen.
#include <stdio.h>

#include "app/driver.h"
#include "crypto/password.h"

namespace {

constexpr const char *BASIC_LINES[] = {
    "   user    = username/password@tnsname",
    "   sql     = SQL file name",
    "   query   = select statement",
    "   field   = separator string between fields",
    "   record  = separator string between records",
    "   rows    = print progress for every given rows (default, 1000000) ",
    "   file    = output file name (default: qletdata_%p.txt)",
    "   lobfile = output file name for lob LLS storage (default: none)",
    "   log     = log file name, prefix with + to append mode",
    "   fast    = auto tuning the session level parameters(YES)",
    "   text    = output type (MYSQL, CSV, MYSQLINS, ORACLEINS, FORM, SEARCH).",
    "   charset = character set name of the target database.",
    "   ncharset= national character set name of the target database.",
    "   parfile = read command option from parameter file ",
};

constexpr const char *EXTENDED_LINES[] = {
    "   read    = set DB_FILE_MULTIBLOCK_READ_COUNT at session level",
    "   sort    = set SORT_AREA_SIZE at session level (UNIT:MB) ",
    "   hash    = set HASH_AREA_SIZE at session level (UNIT:MB) ",
    "   array   = array fetch size",
    "   head    = print row header(Yes|No)",
    "   batch   = save to new file for every rows batch (Yes/No)",
    "   size    = maximum output file piece size (UNIB:MB)",
    "   serial  = set _serial_direct_read to TRUE at session level",
    "   trace   = set event 10046 to given level at session level",
    "   table   = table name in the sqlldr control file",
    "   control = sqlldr control file and path.",
    "   mode    = sqlldr option, INSERT or APPEND or REPLACE or TRUNCATE ",
    "   buffer  = sqlldr READSIZE and BINDSIZE, default 16 (MB)",
    "   long    = maximum long field size",
    "   width   = customized max column width (w1:w2:...) ",
    "   quote   = optional quote string ",
    "   data    = disable real data unload (NO, OFF) ",
    "   alter   = alter session SQLs to be execute before unload ",
    "   safe    = use large buffer to avoid ORA-24345 error (Yes|No) ",
    "   crypt   = encrypted user information only (Yes|No) ",
    "   sedf/t  = enable character translation function ",
    "   null    = replace null with given value ",
    "   escape  = escape character for special characters",
    "   escf/t  = escape from/to characters list ",
    "   format  = MYSQL: MySQL Insert SQLs, SQL: Insert SQLs.",
    "   exec    = the command to execute the SQLs.",
    "   prehead = column name prefix for head line.",
    "   rowpre  = row prefix string for each line.",
    "   rowsuf  = row sufix string for each line.",
    "   colsep  = separator string between column name and value.",
    "   presql  = SQL or scripts to be executed before data unload.",
    "   postsql = SQL or scripts to be executed after data unload.",
    "   split   = table name for automatically parallelization.",
    "   degree  = parallelize data copy degree (2-128).",
    "   hint    = MySQL SQL hint for the Insert, for example IGNORE.",
    "   unique  = Unique Column List for the MySQL target table.",
    "   update  = Enable MySQL ON DUPLICATE SQL statement(YES/NO).",
    "   crack   = The crack key for the content protection.",
    "   uncrack = The uncrack key for the content protection.",
};

}  // namespace

std::vector<std::string_view> helpScreenLines() {
  std::vector<std::string_view> lines(std::begin(BASIC_LINES), std::end(BASIC_LINES));
  lines.insert(lines.end(), std::begin(EXTENDED_LINES), std::end(EXTENDED_LINES));
  return lines;
}

void printHelpScreen(const MESSAGESINK &sink, const CMDOPTIONS *cmdopts) {
  auto line = [&](const char *text) { sendMessage(sink, MsgKind::Result, "%s\n", text); };
  line("");
  line(reinterpret_cast<const char *>(bannerLine(0)));
  line(reinterpret_cast<const char *>(bannerLine(1)));
  line("");
  line("Usage: QUILLET2 keyword=value [,keyword=value,...]");
  line("");
  line("Valid Keywords:");
  for (const char *text : BASIC_LINES) line(text);
  if (cmdopts->help) {
    for (const char *text : EXTENDED_LINES) line(text);
  }
  line("");
  line("  for field and record, you can use '0x' to specify hex character code,");
  sendMessage(sink, MsgKind::Result,
              "  \\r=0x%02x \\n=0x%02x |=0x%0x ,=0x%02x, \\t=0x%02x, :=0x%02x, #=0x%02x, \"=0x%02x '=0x%02x \n",
              13, 10, 124, 44, 9, 58, 35, 34, 39);
  line("");
}
