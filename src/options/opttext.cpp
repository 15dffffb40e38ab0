// The text functions of the option parser: keyword/value split, hexadecimal
// escapes and the token scan.
#include <assert.h>
#include <ctype.h>
#include <string.h>

#include <algorithm>

#include "options/cmdoptions.h"
#include "options/optbytes.h"

void getCommandValue(text *buf, OPTIONPOS *optpos) {
  text *start = buf;
  while (isOptionSpace(*start)) start++;
  text *equals = reinterpret_cast<text *>(strchr(reinterpret_cast<char *>(start), '='));
  text *end = equals != nullptr ? equals : start + strlen(reinterpret_cast<char *>(start));
  while (end > start && isOptionSpace(end[-1])) end--;
  optpos->name = start;
  optpos->nlen = static_cast<int>(end - start);

  // Without '=' the value is the whole text (so "head" alone has the value head).
  text *val = start;
  if (equals != nullptr) {
    val = equals + 1;
    while (isOptionSpace(*val)) val++;
  }
  optpos->val = val;
  optpos->vlen = static_cast<int>(strlen(reinterpret_cast<char *>(val)));
}

ub1 getHexIndex(char c) { return static_cast<ub1>(getAsciiHexValue(c)); }

// '0' is the escape character: 0xHH is one byte, 0 followed by any other byte
// is that byte. Every step consumes at least one input byte and produces one
// output position, so pos never passes n <= mlen.
int convertOption(const text *src, text *dst, int mlen) {
  const char *s = reinterpret_cast<const char *>(src);
  const int len = static_cast<int>(strlen(s));
  const int n = std::min(len, mlen);
  int i = 0, pos = 0;
  while (i < n) {
    if (s[i] != '0') {
      dst[pos] = static_cast<text>(s[i]);
      i += 1;
    } else if (i == len - 1) {
      i += 1;  // a trailing 0 leaves the caller's fill byte in place
    } else if (s[i + 1] != 'x' && s[i + 1] != 'X') {
      dst[pos] = static_cast<text>(s[i + 1]);
      i += 2;
    } else if (i < len - 3) {
      dst[pos] = static_cast<text>(getHexIndex(s[i + 2]) * 16 + getHexIndex(s[i + 3]));
      i += 4;
    } else if (i == len - 3) {
      dst[pos] = static_cast<text>(s[i + 2]);
      i += 3;
    } else {
      i += 2;  // "0x" at the very end
    }
    pos++;
  }
  assert(pos <= std::max(mlen, 0));
  dst[pos] = 0;
  return pos;
}

int findNulEscape(const text *src) {
  const char *s = reinterpret_cast<const char *>(src);
  const int len = static_cast<int>(strlen(s));
  auto hex = [](char c) { return isxdigit(static_cast<unsigned char>(c)) != 0; };
  for (int i = 0; i < len;) {
    if (s[i] != '0') {
      i += 1;
    } else if (i == len - 1) {
      return i;  // a lone 0 at the end
    } else if (s[i + 1] != 'x' && s[i + 1] != 'X') {
      i += 2;
    } else if (i < len - 3) {
      const bool zero = getHexIndex(s[i + 2]) == 0 && getHexIndex(s[i + 3]) == 0;
      if (zero && !(hex(s[i + 2]) && hex(s[i + 3]))) return i;  // 0xZZ
      i += 4;
    } else if (i == len - 3) {
      i += 3;
    } else {
      return i;  // 0x at the end
    }
  }
  return -1;
}
