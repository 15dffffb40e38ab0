#include "unload/manifest.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include "bytes/jsontext.h"
#include "crypto/sha256.h"
#include "unload/safefile.h"

namespace {

// Bytes read at a time while a file is hashed.
constexpr size_t HASH_READ_SIZE = 1048576;

// s as a JSON string, quotes included.
std::string quoted(const std::string &s) {
  std::string out = "\"";
  unsigned char buf[256];
  const auto *src = reinterpret_cast<const unsigned char *>(s.data());
  for (size_t at = 0; at < s.size();) {
    const JSONCUT cut = jsonEscape(src + at, s.size() - at, buf, sizeof buf);
    out.append(reinterpret_cast<const char *>(buf), cut.written);
    at += cut.read;
  }
  return out + "\"";
}

// UTC in ISO 8601.
std::string isoTime(time_t t) {
  struct tm tm;
  gmtime_r(&t, &tm);
  char buf[32];
  strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

// The SHA-256 of the regular file name as a JSON string and its size; null
// and 0 when it cannot be read.
std::string fileDigest(const std::string &name, unsigned long long *size) {
  *size = 0;
  struct stat st;
  if (name == STDOUT_NAME || stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return "null";
  FILE *fp = fopen(name.c_str(), "rb");
  if (fp == nullptr) return "null";
  std::string buf(HASH_READ_SIZE, '\0');
  SHA256 h;
  sha256Start(&h);
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), fp)) > 0) {
    sha256Add(&h, std::span<const uint8_t>(reinterpret_cast<const uint8_t *>(buf.data()), n));
    *size += n;
  }
  const bool ok = ferror(fp) == 0;
  fclose(fp);
  if (!ok) return "null";
  std::string text = "\"";  // appended, not chained: GCC 12 -O3 warns wrongly on chains of + here
  text += sha256Finish(&h);
  text += '"';
  return text;
}

const char *kindName(FileKind kind) {
  switch (kind) {
    case FileKind::Data: return "data";
    case FileKind::Lob: return "lob";
    case FileKind::Control: return "control";
  }
  return "data";
}

std::string filesText(const RUNRECORD &record) {
  std::string s;
  for (const WRITTENFILE &f : record.files) {
    unsigned long long size = 0;
    const std::string digest = fileDigest(f.name, &size);
    s += s.empty() ? "\n" : ",\n";
    s += "    {\"name\": ";
    s += quoted(f.name);
    s += ", \"kind\": \"";
    s += kindName(f.kind);
    s += "\", \"rows\": " + std::to_string(f.rows);
    s += ", \"bytes\": " + std::to_string(size);
    s += ", \"data_bytes\": " + std::to_string(f.bytes);
    s += ", \"sha256\": " + digest;
    s += f.complete ? ", \"complete\": true}" : ", \"complete\": false}";
  }
  return "[" + s + (s.empty() ? "]" : "\n  ]");
}

std::string columnsText(const RUNRECORD &record) {
  std::string s;
  for (const COLUMNINFO &c : record.columns) {
    s += s.empty() ? "\n" : ",\n";
    s += "    {\"name\": " + quoted(c.name) + ", \"type\": " + quoted(c.type) +
         ", \"precision\": " + std::to_string(c.precision) + ", \"scale\": " + std::to_string(c.scale) + "}";
  }
  return "[" + s + (s.empty() ? "]" : "\n  ]");
}

std::string rangesText(const RUNRECORD &record) {
  std::string s;
  char seconds[32];
  for (const RANGEINFO &r : record.ranges) {
    snprintf(seconds, sizeof seconds, "%.3f", r.elapsed);
    s += s.empty() ? "\n" : ",\n";
    s += "    {\"range\": " + std::to_string(r.id) + ", \"minrid\": " + quoted(r.minrid) +
         ", \"maxrid\": " + quoted(r.maxrid) + ", \"status\": " + std::to_string(r.status) +
         ", \"complete\": " + (r.status == 0 ? "true" : "false") + ", \"rows\": " + std::to_string(r.rows) +
         ", \"seconds\": " + seconds + "}";
  }
  return "[" + s + "\n  ]";
}

}  // namespace

std::string manifestText(const RUNRECORD &record, const MANIFESTRUN &run) {
  const unsigned long long rows = dataRows(record);
  char seconds[32];
  snprintf(seconds, sizeof seconds, "%.3f", record.elapsed);
  std::string s = "{\n  \"program\": \"quillet2\",\n  \"version\": " + quoted(run.version) +
                  ",\n  \"query\": " + quoted(record.query) + ",\n  \"start\": \"" + isoTime(run.started) +
                  "\",\n  \"end\": \"" + isoTime(run.ended) + "\",\n  \"seconds\": " + seconds +
                  ",\n  \"status\": \"" + (run.exitstatus == 0 ? "complete" : "failed") +
                  "\",\n  \"exit_status\": " + std::to_string(run.exitstatus) +
                  ",\n  \"rows\": " + std::to_string(rows) + ",\n  \"columns\": " + columnsText(record) +
                  ",\n  \"files\": " + filesText(record);
  if (!record.ranges.empty()) s += ",\n  \"ranges\": " + rangesText(record);
  return s + "\n}\n";
}

bool writeManifest(DATABASE *db, const char *name, const RUNRECORD &record, const MANIFESTRUN &run) {
  const std::string text = manifestText(record, run);
  SAFEFILE file;
  FILE *fp = safeOpen(&file, name);
  int err = fp == nullptr ? errno : 0;
  char note[SAFEFILE_NOTE_SIZE] = "";
  if (fp != nullptr && fwrite(text.data(), 1, text.size(), fp) != text.size()) {
    err = errno;
    safeAbandon(&file, note, sizeof note);
  } else if (fp != nullptr) {
    err = safeCommit(&file, false, note, sizeof note);
  }
  if (err == 0) return true;
  reportFileError(db, "ERROR -- Cannot write to file : %s: %s\n", name, strerror(err));
  reportIncomplete(db, name, note);
  return false;
}
