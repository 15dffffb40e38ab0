// The value of one hexadecimal digit, shared by the option escapes and the
// encrypted connect-string form.
#ifndef QUILLET2_BASE_HEXDIGIT_H
#define QUILLET2_BASE_HEXDIGIT_H

// 0..15 for 0-9, a-f and A-F; any other byte gives 0.
int getAsciiHexValue(char c);

#endif  // QUILLET2_BASE_HEXDIGIT_H
