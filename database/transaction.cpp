#include "database/transaction.h"

#include "database/database.h"
#include "database/db_object.h"

dbJDBCTransactionC::dbJDBCTransactionC(proxyMethodTableC* table, dbJDBCDatabaseC* connection)
    : dbObjectT(table), connection_(qzRef<dbJDBCDatabaseC>::share(connection)) {}

dbJDBCTransactionC::~dbJDBCTransactionC() = default;

void dbJDBCTransactionC::addLayer(proxyMethodTableC& table, const proxyMethodRowS* rows,
                                  size_t count) {
  using T = dbJDBCTransactionC;
  static const proxyMethodRowS baseRows[] = {
      {"execute", kQzMethod, 0, &dbMember<T, &T::scriptExecute>}};
  table.add(baseRows, 1);
  table.add(rows, count);  // added last, found first
}

void dbJDBCTransactionC::scriptExecute(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  qzIUnknown* err = nullptr;
  if (execute(&err) != kQzOk) {
    qzRef<qzIUnknown> held(err);
    throw proxyExecuteComExceptionC(held.get());
  }
  result.setInt(1);
}
