// The demo database: the classic SCOTT schema and a table of every type.
#ifndef OCILITE_TOOL_DEMO_H
#define OCILITE_TOOL_DEMO_H

#include <string_view>

// The script that builds it (users SCOTT/TIGER and SYSTEM/MANAGER, EMP,
// DEPT, SALGRADE, BONUS, ALLTYPES).
std::string_view demoScript();

#endif  // OCILITE_TOOL_DEMO_H
