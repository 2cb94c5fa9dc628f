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

#include <cstddef>
#include <cstdint>

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

  // A table holding rows (count of them, no zero row needed) and then the base rows.
  // REQUIRES: called once per derived class, for its function-local static table.
  static void addLayer(proxyMethodTableC& table, const proxyMethodRowS* rows, size_t count);

 private:
  // "execute": integer 1, or the call exception of the failed run (possibly an empty one).
  dbScriptFn scriptExecute;

  qzRef<dbJDBCDatabaseC> connection_;
};
