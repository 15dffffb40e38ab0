// The three enciphered buffer families, and the encrypted connect-string form
// printed by crypt=YES and accepted back in user=.
//
// This is obfuscation, not protection: both keys are built into the program,
// so anyone who has the program can turn a form back into the password.
#include "crypto/password.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "base/hexdigit.h"
#include "crypto/korvexdes3.h"

namespace {

constexpr int DES3_KEY_BYTES = 24;  // K1 K2 K3
constexpr int BLOCK_BYTES = 8;

// The program's two keys. Every encrypted form and every stored text depends
// on them: changing either makes old forms unreadable and needs the stored
// texts enciphered again (tools/encipher).
constexpr ub1 korvexdeskey1[DES3_KEY_BYTES] = {
    0xe6, 0xc6, 0xbb, 0xa4, 0x4a, 0xf1, 0xb7, 0x89, 0x86, 0x31, 0xc6, 0xb4,
    0x2e, 0xea, 0x67, 0x91, 0xc9, 0x37, 0x4c, 0xb9, 0x9f, 0x5e, 0xdb, 0xc6};
constexpr ub1 korvexdeskey2[DES3_KEY_BYTES] = {
    0xa4, 0x2c, 0xd8, 0xcd, 0xd8, 0xfb, 0x64, 0x2d, 0x21, 0xe8, 0x3d, 0x55,
    0x3d, 0x33, 0x6a, 0xc6, 0xe4, 0xde, 0x4e, 0xb6, 0x71, 0x25, 0x58, 0x80};

static_assert(USERNAME_SIZE > PASSWORD_BUFSIZE, "the user= field holds a whole password buffer");

// Hexadecimal digits per line of the printed form: 32 bytes, the first line
// of a form; the rest follows on a second line.
constexpr int FORM_BYTES_PER_LINE = 32;

enum class Direction { Encrypt, Decrypt };

// Runs every 8-byte block of buf in place through triple DES: even-numbered
// blocks under evenKey, odd-numbered ones under oddKey, each block alone.
void transformBlocks(ub1 *buf, int size, const ub1 *evenKey, const ub1 *oddKey, Direction dir) {
  DES3_KEYSCHED even, odd;
  if (dir == Direction::Encrypt) {
    korvex_DES3_Key_Setup(evenKey, DES3_KEY_BYTES, &even);
    korvex_DES3_Key_Setup(oddKey, DES3_KEY_BYTES, &odd);
  } else {
    korvex_DES3_Key_Unsetup(evenKey, DES3_KEY_BYTES, &even);
    korvex_DES3_Key_Unsetup(oddKey, DES3_KEY_BYTES, &odd);
  }
  for (int k = 0; k < size / BLOCK_BYTES; k++) {
    ub1 *block = buf + k * BLOCK_BYTES;
    korvex_DES3_encipher(block, block, k % 2 == 0 ? &even : &odd);
  }
}

}  // namespace

void korvex_encrypt_password(ub1 *pwd) {
  transformBlocks(pwd, PASSWORD_BUFSIZE, korvexdeskey1, korvexdeskey2, Direction::Encrypt);
}
void korvex_decrypt_password(ub1 *pwd) {
  transformBlocks(pwd, PASSWORD_BUFSIZE, korvexdeskey1, korvexdeskey2, Direction::Decrypt);
}
void korvex_encrypt_sqlstmt(ub1 *pwd) {
  transformBlocks(pwd, SQLSTMT_BUFSIZE, korvexdeskey2, korvexdeskey1, Direction::Encrypt);
}
void korvex_decrypt_sqlstmt(ub1 *pwd) {
  transformBlocks(pwd, SQLSTMT_BUFSIZE, korvexdeskey2, korvexdeskey1, Direction::Decrypt);
}
void korvex_encrypt_longsql(ub1 *pwd) {
  transformBlocks(pwd, LONGSQL_BUFSIZE, korvexdeskey2, korvexdeskey1, Direction::Encrypt);
}
void korvex_decrypt_longsql(ub1 *pwd) {
  transformBlocks(pwd, LONGSQL_BUFSIZE, korvexdeskey2, korvexdeskey1, Direction::Decrypt);
}

int encryptPassword(const MESSAGESINK &sink, const char *prompt, const text *buf) {
  const int n = static_cast<int>(strnlen(reinterpret_cast<const char *>(buf), USERNAME_SIZE - 1));
  if (n > PASSWORD_BUFSIZE) {
    // The form carries 64 bytes; anything printed past them would be plain.
    sendLine(sink, MsgKind::Error, "ERROR -- Cannot encrypt a connect string longer than 64 bytes.\n");
    return -1;
  }
  const int m = (n + BLOCK_BYTES - 1) / BLOCK_BYTES * BLOCK_BYTES;
  // Only the text goes in: whatever lay behind its terminator stays out.
  ub1 work[PASSWORD_BUFSIZE] = {};
  memcpy(work, buf, static_cast<size_t>(n));
  korvex_encrypt_password(work);

  // The prompt, two digits a byte, a line feed after the first line's bytes
  // and one at the end.
  char form[MESSAGE_SIZE];
  int len = snprintf(form, sizeof form, "%s", prompt);
  for (int i = 0; i < m && len < static_cast<int>(sizeof form) - 4; i++) {
    if (i == FORM_BYTES_PER_LINE) form[len++] = '\n';
    len += snprintf(form + len, sizeof form - static_cast<size_t>(len), "%02x", work[i]);
  }
  form[len++] = '\n';
  form[len] = 0;
  sendLine(sink, MsgKind::Result, form);
  memset(work, 0, sizeof work);
  memset(form, 0, sizeof form);
  return 0;
}

void autoDecryptPassword(text *buf) {
  const int n = static_cast<int>(strnlen(reinterpret_cast<const char *>(buf), USERNAME_SIZE - 1));
  if (n == 0) return;
  for (int i = 0; i < n; i++)
    if (!isxdigit(buf[i])) return;  // a plain connect string

  ub1 work[USERNAME_SIZE] = {};
  for (int i = 0; i < n; i++) {
    const int half = getAsciiHexValue(static_cast<char>(buf[i]));
    work[i / 2] = static_cast<ub1>(work[i / 2] | (i % 2 == 0 ? half << 4 : half));
  }
  korvex_decrypt_password(work);
  // Terminated at half the digit count; the field stays zero-filled behind.
  memset(work + n / 2, 0, static_cast<size_t>(USERNAME_SIZE - n / 2));
  memcpy(buf, work, USERNAME_SIZE);
  memset(work, 0, sizeof work);
}
