// Keeping the password of a connect string out of the process listing.
#ifndef QUILLET2_APP_HIDEPASSWORD_H
#define QUILLET2_APP_HIDEPASSWORD_H

// Overwrites, in place, the secret part of a connect-string argument: the
// password of user/password@connect (the bytes splitConnectString takes as
// the password; for SYS, which logs on without it, the same bytes), or the
// whole of an encrypted form (hexadecimal digits
// only). withKeyword: arg is keyword=value (user=...), else the bare connect
// string. The argument keeps its length; the secret bytes become 'x'.
// REQUIRES: arg is NUL-terminated and writable.
void hidePassword(char *arg, bool withKeyword);

#endif  // QUILLET2_APP_HIDEPASSWORD_H
