// Splitting a user/password@connect string into what the logon needs, and the
// host:port:sid shorthand for a TCP connect descriptor.
#ifndef QUILLET2_ORACLE_CONNSTR_H
#define QUILLET2_ORACLE_CONNSTR_H

#include <oci.h>

// Buffer sizes of the three logon parts; texts beyond them are cut.
constexpr int LOGON_USER_SIZE = 132;
constexpr int LOGON_PASS_SIZE = 132;
constexpr int LOGON_TNS_SIZE = 256;
// Work buffer for the host list of a host:port:sid text.
constexpr int HOSTLIST_SIZE = 1024;

// Exactly what one logon hands to connectDB.
struct LOGONPARTS {
  text user[LOGON_USER_SIZE];
  text pass[LOGON_PASS_SIZE];
  text tns[LOGON_TNS_SIZE];  // connect text after copyTnsname
  ub4 authmode;              // OCI_CRED_RDBMS or OCI_CRED_EXT
  ub4 mode;                  // OCI_DEFAULT or OCI_SYSDBA
};

// Splits connstr: empty user part (or no '/' and no '@') gives the external
// logon, a user part of SYS (any case) the local SYSDBA logon, anything else a
// database logon with user, password and expanded connect text.
// REQUIRES: connstr is NUL-terminated.
void splitConnectString(const text *connstr, LOGONPARTS *parts);

// copyHostname with the pseudo-random generator seeded by seed.
int copyHostnameSeeded(text *dest, const text *hostlist, unsigned int seed);

#endif  // QUILLET2_ORACLE_CONNSTR_H
