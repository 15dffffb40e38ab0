// A token cursor over a text: the unique= column list is walked with it.
#ifndef QUILLET2_BASE_CMDLINE_H
#define QUILLET2_BASE_CMDLINE_H

// Bytes a CMDLINE token cursor can hold.
constexpr unsigned int CMDLINE_BUFSIZE = 8192;

struct CMDLINE {
  unsigned int spos;    // start of the last token
  unsigned int epos;    // end of the last token: its separator or length
  unsigned int length;  // bytes of buf in use
  unsigned char buf[CMDLINE_BUFSIZE];
};

// Next token of cmdline at separator c, from buf + spos; returns its length,
// 0 for an empty token or at the end. Before the first call spos and epos
// are 0 and length is the text's length.
int scanNextString(CMDLINE *cmdline, char c);

#endif  // QUILLET2_BASE_CMDLINE_H
