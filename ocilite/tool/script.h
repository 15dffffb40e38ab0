// Running SQL scripts into a database file through the stand-in's own OCI.
#ifndef OCILITE_TOOL_SCRIPT_H
#define OCILITE_TOOL_SCRIPT_H

#include <string>
#include <string_view>
#include <vector>

// One statement of a script and the line it starts on.
struct ScriptStatement {
  std::string text;
  int line;
};

// Splits a SQL*Plus-style script: statements end at a ';' outside quotes and
// comments, or at a line holding only '/'. SQL*Plus commands (REM, PROMPT,
// SET, SPOOL, EXIT, QUIT, WHENEVER, CONNECT) are skipped.
std::vector<ScriptStatement> splitScript(std::string_view script);

// Runs script into the database file path (created when missing), as one
// transaction: on the first failing statement nothing is kept. Returns 0, or
// 1 with *message holding the error ("ORA-...") and *line the line of the
// statement that failed (0 for a failure of no statement).
int runScript(const std::string &path, std::string_view script, int *line, std::string *message);

#endif  // OCILITE_TOOL_SCRIPT_H
