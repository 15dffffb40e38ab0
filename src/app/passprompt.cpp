// The password of a connect string given without one (user@connect): from
// QUILLET2_PASSWORD, else typed at a terminal without echo.
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <termios.h>
#include <unistd.h>

#include <string_view>

#include "app/driver.h"

namespace {

// Longest password read at the prompt; a longer one is refused, not cut.
constexpr size_t PASSWORD_MAX = 128;
// The variable that supplies a missing password.
constexpr const char *PASSWORD_VARIABLE = "QUILLET2_PASSWORD";

// The terminal settings to put back if a signal ends the run at the prompt.
struct termios savedTerminal;

void restoreAndDie(int sig) {
  tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
  signal(sig, SIG_DFL);
  raise(sig);
}

// Where the password goes: the index of the '@' after a user name that has
// no '/' (the split of the logon reads the same way), or 0 when the connect
// string carries a password, names no user, or is the SYS shortcut.
size_t passwordSlot(std::string_view connect) {
  bool inquote = false;
  for (size_t i = 0; i < connect.size(); i++) {
    if (connect[i] == '"') inquote = !inquote;
    else if (connect[i] == '/') return 0;
    else if (connect[i] == '@' && !inquote) {
      if (i == 3 && strncasecmp(connect.data(), "SYS", 3) == 0) return 0;
      return i;
    }
  }
  return 0;
}

// Reads one line from the terminal with echo off; false past PASSWORD_MAX.
bool promptPassword(char (&pass)[PASSWORD_MAX + 2]) {
  if (tcgetattr(STDIN_FILENO, &savedTerminal) != 0) return false;
  struct termios quiet = savedTerminal;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  struct sigaction die = {}, oldInt = {}, oldTerm = {};
  die.sa_handler = restoreAndDie;
  sigaction(SIGINT, &die, &oldInt);
  sigaction(SIGTERM, &die, &oldTerm);
  // Echo goes off before the prompt shows: an answer typed as soon as the
  // prompt appears must not be echoed, nor dropped by a flushing change.
  tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  fputs("Enter password: ", stderr);
  fflush(stderr);
  size_t len = 0;
  char c = 0;
  bool fits = true;
  while (read(STDIN_FILENO, &c, 1) == 1 && c != '\n') {
    if (len < PASSWORD_MAX) pass[len++] = c;
    else fits = false;
  }
  pass[len] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);
  fputs("\n", stderr);
  return fits;
}

}  // namespace

bool completePassword(CMDOPTIONS *cmdopts, const MESSAGESINK &sink) {
  char *connect = reinterpret_cast<char *>(cmdopts->username);
  const size_t slot = passwordSlot(connect);
  if (slot == 0) return true;
  char pass[PASSWORD_MAX + 2] = {};
  const char *given = getenv(PASSWORD_VARIABLE);
  if (given != nullptr && given[0] != 0) {
    if (strlen(given) > PASSWORD_MAX) {
      sendMessage(sink, MsgKind::Error, "ERROR -- %s is longer than %zu bytes.\n", PASSWORD_VARIABLE, PASSWORD_MAX);
      return false;
    }
    strcpy(pass, given);
  } else if (!isatty(STDIN_FILENO)) {
    return true;  // no way to ask: the logon goes on without a password
  } else if (!promptPassword(pass)) {
    sendMessage(sink, MsgKind::Error, "ERROR -- the password is longer than %zu bytes.\n", PASSWORD_MAX);
    explicit_bzero(pass, sizeof pass);
    return false;
  }
  const size_t passlen = strlen(pass), total = strlen(connect) + 1 + passlen;
  bool ok = strpbrk(pass, "@\"") == nullptr && total < sizeof cmdopts->username;
  if (!ok) {
    sendLine(sink, MsgKind::Error,
             strpbrk(pass, "@\"") != nullptr ? "ERROR -- a password with @ or \" cannot be added to the connect string.\n"
                                            : "ERROR -- the connect string with its password is too long.\n");
  } else {
    memmove(connect + slot + 1 + passlen, connect + slot, strlen(connect + slot) + 1);
    connect[slot] = '/';
    memcpy(connect + slot + 1, pass, passlen);
  }
  explicit_bzero(pass, sizeof pass);
  return ok;
}
