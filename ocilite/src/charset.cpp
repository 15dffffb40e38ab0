// Character-set names, ids and iconv conversions.
#include "charset.h"

#include <cctype>
#include <cerrno>

namespace ocilite {
namespace {

struct CharsetName {
  const char *name;
  ub2 id;
  const char *iconvName;  // null: stored UTF-8 is delivered as it is
};

// Oracle's UTF8 is CESU-8, the same bytes as UTF-8 for the Basic
// Multilingual Plane; it is delivered unconverted.
constexpr CharsetName kCharsets[] = {
    {"US7ASCII", 1, "ASCII"},
    {"WE8DEC", 2, "DEC-MCS"},
    {"WE8ISO8859P1", 31, "ISO-8859-1"},
    {"EE8ISO8859P2", 32, "ISO-8859-2"},
    {"WE8ISO8859P15", 46, "ISO-8859-15"},
    {"EE8MSWIN1250", 170, "CP1250"},
    {"CL8MSWIN1251", 171, "CP1251"},
    {"EL8MSWIN1253", 174, "CP1253"},
    {"TR8MSWIN1254", 177, "CP1254"},
    {"WE8MSWIN1252", 178, "CP1252"},
    {"AR8MSWIN1256", 560, "CP1256"},
    {"JA16EUC", 830, "EUC-JP"},
    {"JA16SJIS", 832, "CP932"},
    {"KO16KSC5601", 840, "EUC-KR"},
    {"KO16MSWIN949", 846, "CP949"},
    {"ZHS16CGB231280", 850, "GB2312"},
    {"ZHS16GBK", 852, "GBK"},
    {"ZHS32GB18030", 854, "GB18030"},
    {"ZHT32EUC", 860, "EUC-TW"},
    {"ZHT16BIG5", 865, "BIG5"},
    {"ZHT16MSWIN950", 867, "CP950"},
    {"ZHT16HKSCS", 868, "BIG5-HKSCS"},
    {"UTF8", 871, nullptr},
    {"AL32UTF8", 873, nullptr},
    // Client-side UTF-16 is in the host's byte order.
    {"AL16UTF16", 2000, __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? "UTF-16LE" : "UTF-16BE"},
};

}  // namespace

ub2 charsetId(const char *name) {
  for (const CharsetName &c : kCharsets) {
    size_t i = 0;
    while (c.name[i] && std::toupper((unsigned char)name[i]) == c.name[i]) i++;
    if (c.name[i] == 0 && name[i] == 0) return c.id;
  }
  return 0;
}

void openTranscoder(Transcoder *t, ub2 id, bool toClient) {
  for (const CharsetName &c : kCharsets) {
    if (c.id != id || c.iconvName == nullptr) continue;
    t->cd = toClient ? iconv_open(c.iconvName, "UTF-8") : iconv_open("UTF-8", c.iconvName);
    return;
  }
}

void closeTranscoder(Transcoder *t) {
  if (t->active()) iconv_close(t->cd);
  t->cd = (iconv_t)-1;
}

namespace {

// Runs the whole of in through cd, appending to *out from *used on; false
// at a character cd cannot convert (src then points at it).
bool convertRun(iconv_t cd, char **src, size_t *srcLeft, std::string *out, size_t *used) {
  while (*srcLeft > 0) {
    if (out->size() - *used < 16) out->resize(out->size() * 2 + 16);
    char *dst = out->data() + *used;
    size_t dstLeft = out->size() - *used;
    size_t rc = iconv(cd, src, srcLeft, &dst, &dstLeft);
    *used = (size_t)(dst - out->data());
    if (rc != (size_t)-1) continue;
    if (errno != E2BIG) return false;
    out->resize(out->size() * 2);
  }
  return true;
}

}  // namespace

void transcode(const Transcoder &t, std::string_view in, std::string *out) {
  out->resize(in.size() * 2 + 16);
  size_t used = 0;
  char *src = const_cast<char *>(in.data());
  size_t srcLeft = in.size();
  iconv(t.cd, nullptr, nullptr, nullptr, nullptr);
  while (!convertRun(t.cd, &src, &srcLeft, out, &used)) {
    // A character the target lacks, or a broken sequence: '?' in its place.
    char q[] = "?";
    char *qp = q;
    size_t qLeft = 1;
    convertRun(t.cd, &qp, &qLeft, out, &used);
    src++;
    srcLeft--;
    while (srcLeft > 0 && ((unsigned char)*src & 0xC0) == 0x80) {
      src++;
      srcLeft--;
    }
  }
  out->resize(used);
}

}  // namespace ocilite
