// The base layer of the objects that run something on a connection (the SQL execution object,
// the table information object): a scriptable object with the native interface
// "DATABASE.TRANSACTION" and the scriptable method "execute".
//
// A derived layer adds its own native interface and method rows; its rows come before the
// base's (so they win over a base row of the same name and kind). Build the derived table with
// layeredTable.
//
// Thread rule: that of the connection. Ownership: holds a counted reference to the connection.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "database/db_object.h"
#include "interfaces/database.h"
#include "object/proxy_object.h"

class dbJDBCDatabaseC;

class dbJDBCTransactionC
    : public dbObjectT<dbJDBCTransactionC, proxyObjectC, dbITransaction, dbiid::kTransaction> {
 public:
  dbJDBCDatabaseC& connection() const { return *connection_.get(); }

 protected:
  dbJDBCTransactionC(proxyMethodTableC* table, dbJDBCDatabaseC* connection);
  ~dbJDBCTransactionC() override;

  // The method table of the derived layer T: rows, then the base's.
  template <class T>
  static proxyMethodTableC* layeredTable(std::initializer_list<proxyMethodRowS> rows) {
    return dbTable<T>(rows, {dbMethod<&dbJDBCTransactionC::scriptExecute>("execute", 0)});
  }

 private:
  // "execute": integer 1, or the call exception of the failed run (possibly an empty one).
  dbScriptFn scriptExecute;

  qzRef<dbJDBCDatabaseC> connection_;
};
