// Record reading and field setting (see records.h).
#include "records.h"

namespace loader {
namespace {

// Bytes read from a data file at a time.
constexpr size_t kReadChunk = 1u << 20;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimTrailing(std::string_view s) {
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

size_t skipBlanks(std::string_view s, size_t p) {
  while (p < s.size() && isBlank(s[p])) p++;
  return p;
}

// Where one delimited field ends and the next begins.
struct Cut {
  std::string text;
  size_t next = 0;     // where the next field starts
  bool atEnd = false;  // the record ended without a terminator after this field
};

// An enclosed field whose opening enclosure is at rec[p]; two closing
// enclosures inside stand for one.
bool enclosedField(const ControlFile &cf, std::string_view rec, size_t p, Cut *cut, std::string *why) {
  const std::string &close = cf.closeEnclosure;
  for (p += cf.enclosure.size();;) {
    const size_t q = rec.find(close, p);
    if (q == std::string_view::npos) return *why = "no closing enclosure", false;
    cut->text.append(rec.substr(p, q - p));
    p = q + close.size();
    if (rec.substr(p, close.size()) != close) break;
    cut->text += close;
    p += close.size();
  }
  if (!cf.terminator.empty() && rec.substr(p, cf.terminator.size()) == cf.terminator) {
    cut->next = p + cf.terminator.size();
    return true;
  }
  p = skipBlanks(rec, p);
  if (p == rec.size()) {
    cut->next = p;
    cut->atEnd = true;
    return true;
  }
  if (cf.terminator.empty() || rec.substr(p, cf.terminator.size()) != cf.terminator)
    return *why = "data after the closing enclosure", false;
  cut->next = p + cf.terminator.size();
  return true;
}

bool delimitedField(const ControlFile &cf, std::string_view rec, size_t p, Cut *cut, std::string *why) {
  if (!cf.enclosure.empty()) {
    const size_t q = skipBlanks(rec, p);
    if (rec.substr(q, cf.enclosure.size()) == cf.enclosure) return enclosedField(cf, rec, q, cut, why);
    if (!cf.optionallyEnclosed) return *why = "the field is not enclosed", false;
    p = q;  // an optionally enclosed field without its enclosure loses its leading blanks
  }
  const size_t t = cf.terminator.empty() ? std::string_view::npos : rec.find(cf.terminator, p);
  if (t == std::string_view::npos) {
    cut->text = rec.substr(p);
    cut->next = rec.size();
    cut->atEnd = true;
  } else {
    cut->text = rec.substr(p, t - p);
    cut->next = t + cf.terminator.size();
  }
  return true;
}

bool delimited(const ControlFile &cf, const FieldSpec &f) {
  return (!cf.terminator.empty() || !cf.enclosure.empty()) && f.end == 0;
}

// The length of a field of predetermined size.
size_t fixedLength(const FieldSpec &f) {
  if (f.length != 0) return f.length;
  return f.end != 0 ? f.end - f.start + 1 : 1;
}

}  // namespace

bool RecordReader::open(const DataFile &file) {
  spec_ = file;
  file_.reset(std::fopen(file.name.c_str(), "rb"));
  return file_ != nullptr;
}

bool RecordReader::fill() {
  if (eof_) return false;
  if (pos_ > 0) {
    buf_.erase(0, pos_);
    pos_ = 0;
  }
  const size_t had = buf_.size();
  buf_.resize(had + kReadChunk);
  const size_t got = std::fread(buf_.data() + had, 1, kReadChunk, file_.get());
  buf_.resize(had + got);
  eof_ = got < kReadChunk;
  return got > 0;
}

RecordReader::Next RecordReader::next(std::string *record) {
  if (spec_.fixed) {
    while (buf_.size() - pos_ < spec_.recordLength && fill()) {}
    const size_t n = std::min(spec_.recordLength, buf_.size() - pos_);
    if (n == 0) return Next::End;
    record->assign(buf_, pos_, n);
    pos_ += n;
    return n < spec_.recordLength ? Next::Short : Next::Record;
  }
  size_t searched = pos_;
  for (;;) {
    const size_t t = buf_.find(spec_.terminator, searched);
    if (t != std::string::npos) {
      record->assign(buf_, pos_, t - pos_);
      pos_ = t + spec_.terminator.size();
      return Next::Record;
    }
    if (buf_.size() - pos_ > kMaxRecordBytes) return Next::TooLong;
    searched = buf_.size() - pos_ >= spec_.terminator.size() ? buf_.size() - spec_.terminator.size() + 1 : pos_;
    const size_t offset = searched - pos_;
    if (!fill()) break;
    searched = pos_ + offset;
  }
  if (pos_ == buf_.size()) return Next::End;
  record->assign(buf_, pos_, std::string::npos);  // a last record without its terminator
  pos_ = buf_.size();
  return Next::Record;
}

bool splitRecord(const ControlFile &cf, std::string_view rec, std::vector<std::optional<std::string>> *fields,
                 std::string *why) {
  fields->assign(cf.fields.size(), std::nullopt);
  size_t p = 0;
  bool atEnd = false;
  for (size_t k = 0; k < cf.fields.size(); k++) {
    const FieldSpec &f = cf.fields[k];
    if (f.start != 0) {
      p = f.start - 1;
      atEnd = p > rec.size();
    }
    std::optional<std::string> &out = (*fields)[k];
    if (!delimited(cf, f)) {
      const size_t n = fixedLength(f);
      if (p < rec.size()) out = std::string(trimTrailing(rec.substr(p, n)));
      p += n;
    } else if (!atEnd) {
      Cut cut;
      if (!delimitedField(cf, rec, p, &cut, why)) return *why = "column " + f.name + ": " + *why, false;
      const size_t max = f.length != 0 ? f.length : kDefaultMaxField;
      if (cut.text.size() > max)
        return *why = "column " + f.name + ": field of " + std::to_string(cut.text.size()) +
                      " bytes exceeds its maximum length of " + std::to_string(max), false;
      out = std::move(cut.text);
      p = cut.next;
      atEnd = cut.atEnd;
    }
    if (!out && !cf.trailingNullcols)
      return *why = "column " + f.name + " not found before the end of the record (TRAILING NULLCOLS absent)", false;
  }
  return true;
}

}  // namespace loader
