// Connect-string splitting and the host:port:sid descriptor.
#include <string.h>

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "oracle/connstr.h"
#include "oracle/database.h"

namespace {

const text *T(const char *s) { return reinterpret_cast<const text *>(s); }
std::string S(const text *t) { return reinterpret_cast<const char *>(t); }

struct SplitCase {
  const char *connstr;
  const char *user, *pass, *tns;
  ub4 authmode, mode;
};

constexpr ub4 RDBMS = OCI_CRED_RDBMS, EXT = OCI_CRED_EXT;
constexpr ub4 DEF = OCI_DEFAULT, SYSDBA = OCI_SYSDBA;

const SplitCase kSplitCases[] = {
    // Operating-system authentication against the default database.
    {"", "", "", "", EXT, DEF},
    {"/", "", "", "", EXT, DEF},
    {"scott", "", "", "", EXT, DEF},
    {"SYS", "", "", "", EXT, DEF},
    {"/@orcl", "", "", "", EXT, DEF},
    {"/secret@orcl", "", "", "", EXT, DEF},
    {"@orcl", "", "", "", EXT, DEF},
    // Local SYSDBA whatever follows.
    {"sys/x@orcl", "", "", "", EXT, SYSDBA},
    {"SyS/", "", "", "", EXT, SYSDBA},
    {"sys@orcl", "", "", "", EXT, SYSDBA},
    // Database logons.
    {"\"SYS\"/x@orcl", "\"SYS\"", "x", "orcl", RDBMS, DEF},
    {"scott/tiger", "scott", "tiger", "", RDBMS, DEF},
    {"scott/tiger@demo.db", "scott", "tiger", "demo.db", RDBMS, DEF},
    {"scott/", "scott", "", "", RDBMS, DEF},
    {"scott@orcl", "scott", "", "orcl", RDBMS, DEF},
    {"scott/ti@ger@orcl", "scott", "ti", "ger@orcl", RDBMS, DEF},
    {"scott/\"ti@ger\"@orcl", "scott", "\"ti@ger\"", "orcl", RDBMS, DEF},
    {"\"us@er\"/pw", "\"us@er\"", "pw", "", RDBMS, DEF},
    // A slash stops the user part even inside quotes; the quote flag carries on.
    {"\"a/b\"/pw@orcl", "\"a", "b\"/pw", "orcl", RDBMS, DEF},
    {"u/p@h1:1521:ORCL", "u", "p",
     "(DESCRIPTION=(ADDRESS_LIST=(ADDRESS=(HOST=h1)(PROTOCOL=TCP)(PORT=1521)))"
     "(CONNECT_DATA=(SID=ORCL)(SERVER=DEDICATED)))",
     RDBMS, DEF},
    {"u/p@h1:1521", "u", "p", "h1:1521", RDBMS, DEF},
    {"u/p@a:b:c:d", "u", "p", "a:b:c:d", RDBMS, DEF},
};

TEST(SplitConnectString, EveryForm) {
  for (const SplitCase &c : kSplitCases) {
    SCOPED_TRACE(c.connstr);
    LOGONPARTS parts;
    memset(&parts, 0x55, sizeof parts);
    splitConnectString(T(c.connstr), &parts);
    EXPECT_EQ(S(parts.user), c.user);
    EXPECT_EQ(S(parts.pass), c.pass);
    EXPECT_EQ(S(parts.tns), c.tns);
    EXPECT_EQ(parts.authmode, c.authmode);
    EXPECT_EQ(parts.mode, c.mode);
  }
}

TEST(SplitConnectString, OverlongPartsAreCut) {
  std::string user(300, 'u'), pass(300, 'p'), tns(400, 't');
  std::string connstr = user + "/" + pass + "@" + tns;
  LOGONPARTS parts;
  splitConnectString(T(connstr.c_str()), &parts);
  EXPECT_EQ(S(parts.user), user.substr(0, LOGON_USER_SIZE - 1));
  EXPECT_EQ(S(parts.pass), pass.substr(0, LOGON_PASS_SIZE - 1));
  EXPECT_EQ(S(parts.tns), tns.substr(0, LOGON_TNS_SIZE - 1));
}

// A full host:port:sid is a row of the connect-string table.
TEST(CopyTnsname, AppendsAndExpands) {
  struct Case {
    const char *dest, *src, *want;
  } cases[] = {
      {"", "", ""},
      {"", "orcl", "orcl"},
      {"x", "orcl", "xorcl"},
      {"", "::",
       "(DESCRIPTION=(ADDRESS_LIST=(ADDRESS=(HOST=)(PROTOCOL=TCP)(PORT=)))"
       "(CONNECT_DATA=(SID=)(SERVER=DEDICATED)))"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.src);
    text dest[LOGON_TNS_SIZE] = {0};
    strcpy(reinterpret_cast<char *>(dest), c.dest);
    copyTnsname(dest, T(c.src));
    EXPECT_EQ(S(dest), c.want);
  }
}

TEST(CopyTnsname, LongDescriptorIsCutInsideTheBuffer) {
  struct {
    text dest[LOGON_TNS_SIZE];
    text guard[16];
  } b;
  memset(&b, 0, sizeof b);
  memset(b.guard, 0x7e, sizeof b.guard);
  std::string src = std::string(200, 'h') + ":1521:" + std::string(200, 's');
  copyTnsname(b.dest, T(src.c_str()));
  EXPECT_EQ(strlen(reinterpret_cast<char *>(b.dest)), size_t(LOGON_TNS_SIZE - 1));
  for (text g : b.guard) EXPECT_EQ(g, 0x7e);
}

// A host list is one host, or a comma-separated list one of which is picked
// at random: over many seeds every host (an empty one too) comes up.
TEST(CopyHostname, PicksEveryListedHost) {
  struct Case {
    const char *list;
    std::set<std::string> hosts;
  } cases[] = {{"", {""}},
               {"dbhost", {"dbhost"}},
               {"dbhost,", {"dbhost"}},
               {"alpha,bb,c", {"alpha", "bb", "c"}},
               {"a,,ccc", {"a", "", "ccc"}}};
  for (const Case &c : cases) {
    std::set<std::string> seen;
    for (unsigned seed = 0; seed < 300; seed++) {
      text dest[64] = {0};
      int n = copyHostnameSeeded(dest, T(c.list), seed);
      seen.insert(std::string(reinterpret_cast<char *>(dest), n));
      EXPECT_EQ(static_cast<size_t>(n), strlen(reinterpret_cast<char *>(dest)));
    }
    EXPECT_EQ(seen, c.hosts) << c.list;
  }
}

}  // namespace
