// The database objects' interface ids, beside their declarations, so that a host or tool can
// ask for them without linking the objects.
#include "interfaces/database.h"

#include "interfaces/record_set.h"

namespace dbiid {
const qzIIDS kDatabase = qzMakeIID("DATABASE.DATABASEI");
const qzIIDS kTransaction = qzMakeIID("DATABASE.TRANSACTION");
const qzIIDS kSqlTransaction = qzMakeIID("DATABASE.SQLTRANSACTION");
const qzIIDS kDatabaseInfo = qzMakeIID("DATABASE.DATABASEINFO");
const qzIIDS kSysTypeMap = qzMakeIID("DATABASE.SYSTYPEMAP");
const qzIIDS kRecordSet = qzMakeIID("DATABASE.RECORDSET");
const qzIIDS kTableInfoTrans = qzMakeIID("DATABASE.TABLEINFOTRANS");
const qzIIDS kSymbolRef = qzMakeIID("QZSCR.SYMBOLREF");
const qzIIDS kRecordSetFields = qzMakeIID("DATABASE.RECORDSETFIELDS");
const qzIIDS kTableInfoRes = qzMakeIID("DATABASE.TABLEINFORES");
const qzIIDS kRecordSetRows = qzMakeIID("DATABASE.RECORDSETROWS");
}  // namespace dbiid
