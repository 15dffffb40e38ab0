// parseCommandOption: the keyword table and the presets.
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "base/chars.h"
#include "options/cmdoptions.h"

namespace {

// Number values are read from a copy of at most this many bytes.
constexpr int NUMBER_SCRATCH = 512;
// `escape` converts its value into a blank-filled scratch of this size.
constexpr int ESCAPE_SCRATCH = 132;
// Only the start of `query` is cleared by query=: a value holds at most 8191
// bytes, so the text stays terminated.
constexpr int QUERY_VALUE_MAX = 8191;


// Where the value limit of the option being applied goes when its value is
// longer (the field keeps the cut value); null outside parseCommandOption's
// reporting form. The program is single-threaded.
int *cutLimit = nullptr;

// Notes that a value of vlen bytes was cut at limit bytes.
void noteCut(int vlen, int limit) {
  if (vlen > limit && cutLimit != nullptr && *cutLimit == 0) *cutLimit = limit;
}

bool startsWith(const text *val, const char *prefix) {
  return strncasecmp(chars(val), prefix, strlen(prefix)) == 0;
}

// Text (N): the field is cleared, then takes the first N bytes of the value.
template <int N, size_t S>
void setText(text (&field)[S], const text *val, int vlen) {
  static_assert(N < static_cast<int>(S), "a text value must leave room for its terminator");
  memset(field, 0, S);
  noteCut(vlen, N);
  memcpy(field, val, static_cast<size_t>(std::clamp(vlen, 0, N)));
}

// Converted (N): the field is cleared, then takes the conversion of at most N
// bytes; returns the number of bytes produced.
template <int N, size_t S>
int setConverted(text (&field)[S], const text *val) {
  static_assert(N < static_cast<int>(S), "a converted value must leave room for its terminator");
  memset(field, 0, S);
  noteCut(static_cast<int>(strlen(chars(val))), N);
  return convertOption(val, field, N);
}

int switchValue(const text *val) { return startsWith(val, "YES") || startsWith(val, "ON") ? 1 : 0; }

int numberValue(const text *val, int vlen) {
  char scratch[NUMBER_SCRATCH] = {};
  memcpy(scratch, val, static_cast<size_t>(std::clamp(vlen, 0, NUMBER_SCRATCH - 1)));
  return static_cast<int>(strtol(scratch, nullptr, 10));
}

void applyAll(CMDOPTIONS *o, std::initializer_list<const char *> options) {
  for (const char *option : options) parseCommandOption(o, reinterpret_cast<const text *>(option));
}

void applyTextPreset(CMDOPTIONS *o, const text *val, int vlen) {
  auto is = [&](const char *name) {
    return static_cast<int>(strlen(name)) == vlen && strncasecmp(chars(val), name, vlen) == 0;
  };
  // Every other preset leaves the JSON layout for the delimited one.
  if (o->format == FORMAT_JSON && !is("JSON")) o->format = 0;
  if (is("MYSQL")) {
    applyAll(o, {"ESCAPE=0x5c", "FIELD=0x2c", "RECORD=0x0a", "ESCF=0x0d0x0a0x220x27", "ESCT=rn0x220x27",
                 "NULL=0x5cN", "QUOTE=0x22"});
  } else if (is("CSV")) {
    applyAll(o, {"ESCAPE=0x22", "FIELD=0x2c", "RECORD=0x0a", "QUOTE=0x22", "HEAD=YES"});
  } else if (is("MYSQLINS")) {
    applyAll(o, {"ESCAPE=0x5c", "FIELD=0x2c", "RECORD=0x0a", "ESCF=0x0d0x0a0x220x27", "ESCT=rn0x220x27",
                 "NULL=null", "QUOTE=0x27", "FORMAT=mysql", "FILE=-"});
  } else if (is("ORACLEINS")) {
    applyAll(o, {"ESCAPE=0x27", "FIELD=0x2c", "RECORD=0x0a", "NULL=null", "QUOTE=0x27", "FORMAT=SQL", "FILE=-"});
  } else if (is("FORM")) {
    applyAll(o, {"COLSEP=0x20:0x20", "FIELD=0x0a", "RECORD=0x0a0x0a", "NULL=(null)", "FILE=-"});
  } else if (is("JSON")) {
    // Separators, quotes and escapes are the layout's own: the record's are
    // put back to the defaults, which the refusals check against.
    applyAll(o, {"FIELD=0x2c", "RECORD=0x0a", "QUOTE=", "ESCF=", "ESCT=", "NULL=", "HEAD=NO",
                 "COLSEP=", "ROWPRE=", "ROWSUF=", "PREHEAD=", "SEDF=", "SEDT="});
    o->escape = ' ';
    o->format = FORMAT_JSON;
  } else if (is("SEARCH")) {
    applyAll(o, {"COLSEP==", "FIELD=0x010x0a", "RECORD=0x010x0a", "ROWPRE=<DOC>0x010x0a", "ROWSUF=0x010x0a</DOC>"});
  }
}

void addSkipError(CMDOPTIONS *o, int number) {
  const int *begin = o->oerrorno, *end = o->oerrorno + o->oerrcount;
  if (std::find(begin, end, number) != end) return;
  if (o->oerrcount >= MAX_SKIP_ERRORS) return;  // the list is full: further numbers are dropped
  o->oerrorno[o->oerrcount++] = number;
}

using Apply = void (*)(CMDOPTIONS *o, const text *val, int vlen);

struct Keyword {
  std::string_view name;
  Apply apply;
};

// Sorted by name. Values are clamped or cut (a cut is reported through cutLimit), never refused here.
constexpr Keyword KEYWORDS[] = {
    {"alter", [](CMDOPTIONS *o, const text *v, int n) { setText<2047>(o->altses, v, n); }},
    {"array",
     [](CMDOPTIONS *o, const text *v, int n) {
       const ub4 rows = static_cast<ub4>(numberValue(v, n));
       o->DEFAULT_ARRAY_SIZE = rows <= 4 ? 5 : std::min<ub4>(rows, 2000);
     }},
    {"batch", [](CMDOPTIONS *o, const text *v, int) { o->batch = switchValue(v); }},
    {"buffer",
     [](CMDOPTIONS *o, const text *v, int n) {
       const int mb = numberValue(v, n);
       o->buffer = mb <= 7 ? 8388608 : std::min(mb, 100) * 1048576;
     }},
    {"charset", [](CMDOPTIONS *o, const text *v, int n) { setText<63>(o->charset, v, n); }},
    {"client", [](CMDOPTIONS *o, const text *v, int) { o->clientnum = static_cast<ub1>(switchValue(v)); }},
    {"colsep", [](CMDOPTIONS *o, const text *v, int) { o->colseplen = setConverted<63>(o->colsep, v); }},
    {"control", [](CMDOPTIONS *o, const text *v, int n) { setText<255>(o->ctlfname, v, n); }},
    {"crack", [](CMDOPTIONS *o, const text *v, int) { setConverted<31>(o->crackkey, v); }},
    {"crypt", [](CMDOPTIONS *o, const text *v, int) { o->crypt = switchValue(v); }},
    {"data", [](CMDOPTIONS *o, const text *v, int) { o->data = startsWith(v, "NO") || startsWith(v, "OFF") ? 0 : 1; }},
    {"degree", [](CMDOPTIONS *o, const text *v, int n) { o->degree = std::clamp(numberValue(v, n), 1, 128); }},
    {"error", [](CMDOPTIONS *o, const text *v, int n) { addSkipError(o, numberValue(v, n)); }},
    {"escape",
     [](CMDOPTIONS *o, const text *v, int) {
       text scratch[ESCAPE_SCRATCH];
       memset(scratch, ' ', sizeof scratch);
       convertOption(v, scratch, ESCAPE_SCRATCH - 1);
       o->escape = static_cast<char>(scratch[0]);
     }},
    {"escf", [](CMDOPTIONS *o, const text *v, int) { setConverted<60>(o->escf, v); }},
    {"esct", [](CMDOPTIONS *o, const text *v, int) { setConverted<60>(o->esct, v); }},
    {"exec", [](CMDOPTIONS *o, const text *v, int) { o->execlen = setConverted<60>(o->exec, v); }},
    {"fast",
     [](CMDOPTIONS *o, const text *v, int) {
       if (startsWith(v, "YES")) applyAll(o, {"READ=128", "HASH=128", "SORT=128", "ARRAY=2000", "SERIAL=YES"});
     }},
    {"field", [](CMDOPTIONS *o, const text *v, int) { o->flen = setConverted<131>(o->field, v); }},
    {"file", [](CMDOPTIONS *o, const text *v, int n) { setText<255>(o->fname, v, n); }},
    {"form",
     [](CMDOPTIONS *o, const text *v, int) {
       if (startsWith(v, "YES")) applyAll(o, {"COLSEP=0x20:0x20", "FIELD=0x0a", "RECORD=0x0a0x0a", "FILE=-"});
     }},
    {"format",
     [](CMDOPTIONS *o, const text *v, int) { o->format = startsWith(v, "MYSQL") ? 1 : startsWith(v, "SQ") ? 2 : 0; }},
    {"hash", [](CMDOPTIONS *o, const text *v, int n) { o->hsize = std::clamp(numberValue(v, n), 0, 512); }},
    {"head", [](CMDOPTIONS *o, const text *v, int) { o->header = switchValue(v); }},
    {"help", [](CMDOPTIONS *o, const text *v, int) { o->help = startsWith(v, "YES") ? 1 : 0; }},
    {"hint", [](CMDOPTIONS *o, const text *v, int n) { setText<255>(o->sqlhint, v, n); }},
    {"lobfile", [](CMDOPTIONS *o, const text *v, int n) { setText<255>(o->lobfname, v, n); }},
    {"log", [](CMDOPTIONS *o, const text *v, int n) { setText<255>(o->logfile, v, n); }},
    {"long",
     [](CMDOPTIONS *o, const text *v, int n) {
       const ub4 size = static_cast<ub4>(numberValue(v, n));
       o->DEFAULT_LONG_SIZE = size <= 1023 ? size * 1024 : std::min<ub4>(size, 2097152);
     }},
    {"manifest", [](CMDOPTIONS *o, const text *v, int n) { setText<255>(o->manifest, v, n); }},
    {"mode", [](CMDOPTIONS *o, const text *v, int n) { setText<128>(o->tabmode, v, n); }},
    {"ncharset", [](CMDOPTIONS *o, const text *v, int n) { setText<63>(o->ncharset, v, n); }},
    // snull has 128 bytes: 127 converted bytes and the terminator.
    {"null", [](CMDOPTIONS *o, const text *v, int) { o->lnull = setConverted<127>(o->snull, v); }},
    {"part", [](CMDOPTIONS *o, const text *v, int n) { setText<128>(o->partition, v, n); }},
    {"postsql", [](CMDOPTIONS *o, const text *v, int n) { setText<1023>(o->postsql, v, n); }},
    {"prehead", [](CMDOPTIONS *o, const text *v, int) { o->preheadlen = setConverted<63>(o->prehead, v); }},
    {"presql", [](CMDOPTIONS *o, const text *v, int n) { setText<1023>(o->presql, v, n); }},
    {"query",
     [](CMDOPTIONS *o, const text *v, int n) {
       memset(o->query, 0, QUERY_VALUE_MAX + 1);
       noteCut(n, QUERY_VALUE_MAX);
       memcpy(o->query, v, static_cast<size_t>(std::clamp(n, 0, QUERY_VALUE_MAX)));
     }},
    {"quote", [](CMDOPTIONS *o, const text *v, int) { setConverted<40>(o->quote, v); }},
    {"read", [](CMDOPTIONS *o, const text *v, int n) { o->bsize = std::clamp(numberValue(v, n), 0, 512); }},
    {"record", [](CMDOPTIONS *o, const text *v, int) { o->rlen = setConverted<131>(o->record, v); }},
    {"retry",
     [](CMDOPTIONS *o, const text *v, int n) {
       o->pretry = std::min<ub2>(static_cast<ub2>(numberValue(v, n)), 128);
     }},
    {"rowpre", [](CMDOPTIONS *o, const text *v, int) { o->rplen = setConverted<63>(o->rowpre, v); }},
    {"rows",
     [](CMDOPTIONS *o, const text *v, int n) {
       o->rows = std::max<unsigned int>(static_cast<unsigned int>(numberValue(v, n)), 1000);
     }},
    {"rowsuf", [](CMDOPTIONS *o, const text *v, int) { o->rslen = setConverted<63>(o->rowsuf, v); }},
    {"safe", [](CMDOPTIONS *o, const text *v, int) { o->safemode = switchValue(v); }},
    {"sedf", [](CMDOPTIONS *o, const text *v, int) { setConverted<40>(o->sedf, v); }},
    {"sedt", [](CMDOPTIONS *o, const text *v, int) { setConverted<40>(o->sedt, v); }},
    {"serial", [](CMDOPTIONS *o, const text *v, int) { o->serial = switchValue(v); }},
    {"size",
     [](CMDOPTIONS *o, const text *v, int n) {
       const int mb = numberValue(v, n);
       o->piece = mb < 0 ? MAX_PIECE_MB : mb;
     }},
    {"sleep",
     [](CMDOPTIONS *o, const text *v, int n) {
       o->sleep = std::min<ub2>(static_cast<ub2>(numberValue(v, n)), 180);
     }},
    {"sort", [](CMDOPTIONS *o, const text *v, int n) { o->ssize = std::clamp(numberValue(v, n), 0, 512); }},
    {"split", [](CMDOPTIONS *o, const text *v, int n) { setText<128>(o->tabsplit, v, n); }},
    {"sql", [](CMDOPTIONS *o, const text *v, int n) { setText<255>(o->sqlfname, v, n); }},
    {"table", [](CMDOPTIONS *o, const text *v, int n) { setText<128>(o->tabname, v, n); }},
    {"text", applyTextPreset},
    {"threads", [](CMDOPTIONS *o, const text *v, int n) { o->threads = std::clamp(numberValue(v, n), 0, MAX_THREADS); }},
    {"trace", [](CMDOPTIONS *o, const text *v, int n) { o->trace = numberValue(v, n); }},
    {"uncrack", [](CMDOPTIONS *o, const text *v, int) { setConverted<31>(o->uncrackkey, v); }},
    {"unique",
     [](CMDOPTIONS *o, const text *v, int n) {
       setText<255>(o->unique, v, n);
       if (n > 0) o->update = 1;
     }},
    {"update", [](CMDOPTIONS *o, const text *v, int) { o->update = switchValue(v); }},
    {"user", [](CMDOPTIONS *o, const text *v, int n) { setText<128>(o->username, v, n); }},
    {"width", [](CMDOPTIONS *o, const text *v, int n) { setText<2047>(o->width, v, n); }},
};
static_assert(std::size(KEYWORDS) == 63);

}  // namespace

int parseCommandOption(CMDOPTIONS *cmdopt, const text *line, int *limit) {
  *limit = 0;
  int *outer = cutLimit;
  cutLimit = limit;
  const int known = parseCommandOption(cmdopt, line);
  cutLimit = outer;
  return known;
}

std::vector<std::string_view> optionKeywords() {
  std::vector<std::string_view> names;
  for (const Keyword &k : KEYWORDS) names.push_back(k.name);
  return names;
}

int parseCommandOption(CMDOPTIONS *cmdopt, const text *line) {
  OPTIONPOS pos;
  // getCommandValue only points into the text; it never writes to it.
  getCommandValue(const_cast<text *>(line), &pos);
  for (const Keyword &k : KEYWORDS) {
    if (static_cast<int>(k.name.size()) == pos.nlen &&
        strncasecmp(k.name.data(), chars(pos.name), k.name.size()) == 0) {
      k.apply(cmdopt, pos.val, pos.vlen);
      return 1;
    }
  }
  return 0;
}
