#include "database/transaction.h"

#include "database/database.h"
#include "database/db_object.h"

dbJDBCTransactionC::dbJDBCTransactionC(proxyMethodTableC* table, dbJDBCDatabaseC* connection)
    : dbObjectT(table), connection_(qzRef<dbJDBCDatabaseC>::share(connection)) {}

dbJDBCTransactionC::~dbJDBCTransactionC() = default;

void dbJDBCTransactionC::scriptExecute(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  qzIUnknown* err = nullptr;
  if (execute(&err) != kQzOk) {
    qzRef<qzIUnknown> held(err);
    throw proxyExecuteComExceptionC(held.get());
  }
  result.setInt(1);
}
