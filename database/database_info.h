// Database information ("DATABASEINFO"): read-only answers about a connection: the database
// name configured for its data source ("ServerDB" of jdbc.cfg), the product name and version
// of the database system, the connection's state and the engine's class name. Each property
// asks the session layer anew; the object has no state of its own.
//
// Thread rule: that of its connection. Ownership: holds a counted reference to the connection.
//
// Statuses: 0 success, 1 failure (the component convention).
#pragma once

#include <cstdint>

#include "database/db_object.h"
#include "interfaces/database.h"
#include "object/proxy_object.h"

class dbJDBCDatabaseC;

class dbJDBCDatabaseInfoC final
    : public dbObjectT<dbJDBCDatabaseInfoC, proxyObjectC, dbIDatabaseInfo, dbiid::kDatabaseInfo> {
 public:
  explicit dbJDBCDatabaseInfoC(dbJDBCDatabaseC* connection);
  ~dbJDBCDatabaseInfoC() override;

  // 1 before any connect: no data source has been named yet.
  int32_t getDatabaseName(qzVariantS* out) override;
  // 1 unless the connection is open: the product answers come from its metadata.
  int32_t getDbmsName(qzVariantS* out) override;
  int32_t getDbmsVersion(qzVariantS* out) override;
  int32_t getConnectionState(int32_t* out) override;
  int32_t getClassId(char* buffer, int32_t size) override;

 private:
  dbScriptFn scriptDatabaseName, scriptDbmsName, scriptDbmsVersion, scriptClassId,
      scriptConnectionState;
  static proxyMethodTableC* table();

  qzRef<dbJDBCDatabaseC> connection_;
};
