// The option record of one run, and the small records the option code shares.
#ifndef QUILLET2_OPTIONS_CMDOPTIONS_H
#define QUILLET2_OPTIONS_CMDOPTIONS_H

#include <oci.h>

#include <string_view>
#include <vector>

#include "base/hexdigit.h"
#include "base/limits.h"
#include "base/sqlparam.h"

struct CMDOPTIONS {
  text username[132];
  text tabname[132];
  text tabmode[132];
  text query[32768];
  text field[132];
  text logfile[256];
  text record[132];
  text sqlfname[256];
  text fname[256];
  text lobfname[256];
  text manifest[256];  // manifest= file name; empty (default): none
  text ctlfname[256];
  text width[2048];
  text altses[2048];
  text sedf[64];
  text sedt[64];
  text escf[64];
  text esct[64];
  text exec[64];
  text quote[64];
  text rowpre[64];
  text rowsuf[64];
  text snull[128];
  text colsep[64];
  char escape;
  text presql[1024];
  text postsql[1024];
  text prehead[64];
  text owner[132];
  text partition[132];
  text tabsplit[132];
  text charset[64];
  text ncharset[64];
  text sqlhint[256];
  text unique[256];
  text crackkey[32];
  text uncrackkey[32];
  unsigned int rows;
  int data;
  int flen;
  int rlen;
  int rplen;
  int rslen;
  int buffer;
  int hsize;
  int ssize;
  int bsize;
  int serial;
  int trace;
  int batch;
  int header;
  int safemode;
  int crypt;
  int lnull;
  int format;
  int update;
  int piece;
  int colseplen;
  int execlen;
  int preheadlen;
  int degree;
  int threads;  // compression worker threads per output stream; 0 (default) = every core
  ub2 charsetid;
  ub2 ncharsetid;
  ub1 clientnum;
  ub2 pretry;
  ub2 sleep;
  ub4 DEFAULT_ARRAY_SIZE;
  ub4 DEFAULT_LONG_SIZE;
  ub1 help;
  int sqlargc;
  SQLPARAM sqlargv[MAX_SQL_PARAMS];
  int oerrcount;
  int oerrorno[MAX_SKIP_ERRORS];
};

// Where the keyword and the value lie inside one option text.
struct OPTIONPOS {
  text *name;
  int nlen;
  text *val;
  int vlen;
};

// Puts every field of cmdopts at its default.
void resetCommandOptions(CMDOPTIONS *cmdopts);

// Applies one keyword=value text. Returns 1 if the keyword is known, else 0.
// Never prints. REQUIRES: line is NUL-terminated.
int parseCommandOption(CMDOPTIONS *cmdopt, const text *line);
// The same; *limit receives the byte limit of the value when the value was
// longer and was cut to it, else 0. The caller refuses such an option.
int parseCommandOption(CMDOPTIONS *cmdopt, const text *line, int *limit);

// The keywords parseCommandOption knows, in its table's (alphabetical) order.
std::vector<std::string_view> optionKeywords();

// Splits buf into keyword and value. REQUIRES: buf is NUL-terminated.
void getCommandValue(text *buf, OPTIONPOS *optpos);

// Converts at most mlen bytes of src (with 0x hex escapes) into dst and
// returns the output length. REQUIRES: dst has room for mlen + 1 bytes.
int convertOption(const text *src, text *dst, int mlen);

// Position of the first escape in src that convertOption turns into a NUL
// byte although it does not spell one (a lone 0 at the end, 0x at the end,
// 0x with a non-hexadecimal digit giving 0); -1 when there is none. 0x00 and
// 00 are not such escapes. REQUIRES: src is NUL-terminated.
int findNulEscape(const text *src);

// Value of one hexadecimal digit of an option value (getAsciiHexValue, as a
// byte); any other byte gives 0.
ub1 getHexIndex(char c);

#endif  // QUILLET2_OPTIONS_CMDOPTIONS_H
