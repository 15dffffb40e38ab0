// The encrypted connect-string form and the texts the program keeps enciphered.
#ifndef QUILLET2_CRYPTO_PASSWORD_H
#define QUILLET2_CRYPTO_PASSWORD_H

#include <oci.h>

#include "base/messages.h"

// Bytes of the user= field a connect string lives in (CMDOPTIONS.username).
constexpr int USERNAME_SIZE = 132;

// Sizes of the three buffer families.
constexpr int PASSWORD_BUFSIZE = 64;
constexpr int SQLSTMT_BUFSIZE = 128;
constexpr int LONGSQL_BUFSIZE = 512;

void korvex_encrypt_password(ub1 *pwd);   // REQUIRES: pwd has 64 bytes
void korvex_decrypt_password(ub1 *pwd);
void korvex_encrypt_sqlstmt(ub1 *pwd);    // REQUIRES: pwd has 128 bytes
void korvex_decrypt_sqlstmt(ub1 *pwd);
void korvex_encrypt_longsql(ub1 *pwd);    // REQUIRES: pwd has 512 bytes
void korvex_decrypt_longsql(ub1 *pwd);

// Number of stored dictionary query templates of the table splitter.
constexpr int QUERY_TEMPLATE_COUNT = 4;
// Plain query template which (1 block count, 2 block count of a partition,
// 3 split query, 4 split query of a partition), a printf format with the
// owner, the table and (2 and 4) the partition name; "" for any other which.
const char *queryTemplate(int which);

// Sends prompt and the encrypted form of buf in hexadecimal to sink as a
// result. Returns 0, or -1 (and sends an error, no part of buf) when buf is
// longer than the 64 bytes the form can carry. REQUIRES: buf has 132 bytes.
int encryptPassword(const MESSAGESINK &sink, const char *prompt, const text *buf);

// Replaces an encrypted form (hexadecimal digits only) in buf by its plain
// text; leaves any other text alone. REQUIRES: buf has 132 bytes.
void autoDecryptPassword(text *buf);

// Plain banner line 0 or 1.
const text *bannerLine(int which);

#endif  // QUILLET2_CRYPTO_PASSWORD_H
