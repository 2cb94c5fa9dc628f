// Child objects of a connection made in other files of this component: createObject calls
// these by name and asks what they return for the child's native interface
// ("DATABASE.RECORDSET", "DATABASE.TABLEINFOTRANS").
//
// Each returns the new object with the reference its qzRef holds, or an empty qzRef when the
// object cannot be made. They are called only on a connected connection.
#pragma once

#include "interfaces/qzcom.h"
#include "object/com_ref.h"

class dbJDBCDatabaseC;

qzRef<qzIUnknown> dbCreateRecordSet(dbJDBCDatabaseC& connection);
qzRef<qzIUnknown> dbCreateTableInfo(dbJDBCDatabaseC& connection);
