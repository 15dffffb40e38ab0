// Statement internals shared by the handle code and the statement calls.
#ifndef OCILITE_STATEMENT_H
#define OCILITE_STATEMENT_H

#include "handles.h"

namespace ocilite {

// Finalizes the SQLite statement and deletes stmt with its binds, defines
// and parameters. REQUIRES: stmt is off its environment's list.
void destroyStatement(OCIStmt *stmt);
// Drops one define (or bind) from its statement.
void releaseDefine(OCIDefine *def);
void releaseBind(OCIBind *bind);
// OCI_STMT_* of the prepared text.
ub2 statementType(const OCIStmt *stmt);

}  // namespace ocilite

#endif  // OCILITE_STATEMENT_H
