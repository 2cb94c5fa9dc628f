// The connection object (class "DATABASE.JDBCDB", also served for a routed "DATABASE.ODBCDB"):
// one JDBC connection for a data source, user and password; options, commit and rollback; and
// every other database object, created by name through createObject.
//
// All JDBC work goes through the session layer that the class factory shares between its
// connections; the connection holds a counted share of it, so it outlives the factory.
// Failures reach the script as call exceptions whose inner exception has the source "ZIRUV:"
// followed by the label of the failing step and the session's last error as description.
//
// Thread rule: a connection and its children are used from one thread at a time, and since
// connections of one factory share a session layer, they too. Ownership: every child holds a
// counted reference to the connection, so the connection lives as long as any child does; the
// references handed out by the accessors below live as long as the connection.
//
// Statuses: 0 success, 1 failure (the component convention). The scriptable option answers 1 when
// the option was taken and 0 when refused: a script value, not a status.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "database/db_object.h"
#include "interfaces/database.h"
#include "jbridge/proxy/sql_connection.h"
#include "jbridge/proxy/sql_database_meta_data.h"
#include "object/proxy_object.h"

namespace qz::jdbc {
class JSQLApi;
}
class dbJDBCSysTypeMapC;

class dbJDBCDatabaseC final
    : public dbObjectT<dbJDBCDatabaseC, proxyObjectC, dbIDatabase, dbiid::kDatabase> {
 public:
  using Connection = jbridge::proxy::java::sql::Connection;
  using DatabaseMetaData = jbridge::proxy::java::sql::DatabaseMetaData;

  // REQUIRES: session is not null.
  explicit dbJDBCDatabaseC(std::shared_ptr<qz::jdbc::JSQLApi> session);
  ~dbJDBCDatabaseC() override;

  int32_t connect(const char* dataSource, const char* user, const char* password,
                  qzIUnknown** errOut) override;
  int32_t close() override;
  int32_t option(const qzVariantS* key, const qzVariantS* value) override;
  int32_t commit(qzIUnknown** errOut) override;
  int32_t rollback(qzIUnknown** errOut) override;
  int32_t createObject(const char* name, qzIUnknown** out) override;

  // For the child objects.
  qz::jdbc::JSQLApi& session() const { return *session_; }
  Connection& javaConnection() { return connection_; }
  DatabaseMetaData& metaData() { return metaData_; }
  // The data source of the last connect (also of a failed one); empty before any.
  const std::string& dataSource() const { return dataSource_; }
  // The map of the last createObject("SYSTYPEMAP"); null before one.
  dbJDBCSysTypeMapC* typeMap() const { return typeMap_.get(); }
  bool connected() const { return connected_; }
  // option("VERBATIM", 1): SQL text goes to the driver exactly as written, nothing split or
  // bound. Read by each run, so it holds for objects made before it was set.
  bool verbatim() const { return verbatim_; }
  // option("EMPTYISNULL", 0): record sets and table information made afterwards read the empty
  // text apart from SQL NULL (a record set may still choose otherwise).
  bool emptyIsNull() const { return emptyIsNull_; }

 private:
  dbScriptFn scriptConnect, scriptClose, scriptOption, scriptCreateObject, scriptCommit,
      scriptRollback;
  static proxyMethodTableC* table();

  int32_t fail(const char* label, qzIUnknown** errOut);
  int32_t setLoginTimeout(int32_t seconds);

  std::shared_ptr<qz::jdbc::JSQLApi> session_;
  Connection connection_;
  DatabaseMetaData metaData_;
  std::string dataSource_;
  qzRef<dbJDBCSysTypeMapC> typeMap_;
  bool connected_ = false;
  bool verbatim_ = false;
  bool emptyIsNull_ = true;
  // A login time-out set before the session has a VM, applied by the next connect.
  std::optional<int32_t> pendingLoginTimeout_;
  // The last CONNECTTIMEOUT, also handed to drivers that ignore DriverManager's (PostgreSQL).
  int32_t loginTimeout_ = 0;
  // The auto-commit mode the script chose; a reconnect of this object restores it, so work
  // meant for a transaction is never committed at once by the new connection's default.
  std::optional<bool> autoCommit_;
};
