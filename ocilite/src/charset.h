// Oracle character-set ids, and text conversion between the stored UTF-8
// and an environment's client character set (through iconv).
#ifndef OCILITE_CHARSET_H
#define OCILITE_CHARSET_H

#include <iconv.h>
#include <oci.h>

#include <string>
#include <string_view>

namespace ocilite {

// AL32UTF8, the environment's set when none is asked for.
constexpr ub2 kAL32UTF8 = 873;

// Oracle's id of a character-set name (any letter case); 0 when unknown.
ub2 charsetId(const char *name);

// One direction of conversion; inactive for UTF-8 sets and sets iconv lacks.
struct Transcoder {
  iconv_t cd = (iconv_t)-1;
  bool active() const { return cd != (iconv_t)-1; }
};

// Opens the conversion from UTF-8 to set id (toClient) or back.
void openTranscoder(Transcoder *t, ub2 id, bool toClient);
void closeTranscoder(Transcoder *t);
// Converts in into *out (replaced); a character the target set lacks
// becomes '?', as Oracle substitutes it.
void transcode(const Transcoder &t, std::string_view in, std::string *out);

}  // namespace ocilite

#endif  // OCILITE_CHARSET_H
