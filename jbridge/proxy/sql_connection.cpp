#include "jbridge/proxy/sql_connection.h"

#include "jbridge/proxy/java_sql.h"

namespace jbridge::proxy::java::sql {

Connection DriverManager::getConnection(const lang::String& url, const lang::String& user,
                                        const lang::String& password) {
  return call::staticMethod<DriverManager, Connection, "getConnection">(url, user, password);
}
Connection DriverManager::getConnection(const lang::String& url) {
  return call::staticMethod<DriverManager, Connection, "getConnection">(url);
}
util::Enumeration DriverManager::getDrivers() {
  return call::staticMethod<DriverManager, util::Enumeration, "getDrivers">();
}
void DriverManager::setLoginTimeout(JInt seconds) {
  call::staticMethod<DriverManager, void, "setLoginTimeout">(seconds);
}
JInt DriverManager::getLoginTimeout() {
  return call::staticMethod<DriverManager, JInt, "getLoginTimeout">();
}
void DriverManager::println(const lang::String& message) {
  call::staticMethod<DriverManager, void, "println">(message);
}

JInt Connection::TRANSACTION_NONE() {
  return call::staticField<Connection, JInt, "TRANSACTION_NONE">();
}
JInt Connection::TRANSACTION_READ_UNCOMMITTED() {
  return call::staticField<Connection, JInt, "TRANSACTION_READ_UNCOMMITTED">();
}
JInt Connection::TRANSACTION_READ_COMMITTED() {
  return call::staticField<Connection, JInt, "TRANSACTION_READ_COMMITTED">();
}
JInt Connection::TRANSACTION_REPEATABLE_READ() {
  return call::staticField<Connection, JInt, "TRANSACTION_REPEATABLE_READ">();
}
JInt Connection::TRANSACTION_SERIALIZABLE() {
  return call::staticField<Connection, JInt, "TRANSACTION_SERIALIZABLE">();
}
Statement Connection::createStatement() const {
  return call::method<Statement, "createStatement">(this);
}
PreparedStatement Connection::prepareStatement(const lang::String& sql) const {
  return call::method<PreparedStatement, "prepareStatement">(this, sql);
}
lang::String Connection::nativeSQL(const lang::String& sql) const {
  return call::method<lang::String, "nativeSQL">(this, sql);
}
void Connection::setAutoCommit(JBoolean autoCommit) const {
  call::method<void, "setAutoCommit">(this, autoCommit);
}
JBoolean Connection::getAutoCommit() const {
  return call::method<JBoolean, "getAutoCommit">(this);
}
void Connection::commit() const {
  call::method<void, "commit">(this);
}
void Connection::rollback() const {
  call::method<void, "rollback">(this);
}
void Connection::close() const {
  call::method<void, "close">(this);
}
JBoolean Connection::isClosed() const {
  return call::method<JBoolean, "isClosed">(this);
}
DatabaseMetaData Connection::getMetaData() const {
  return call::method<DatabaseMetaData, "getMetaData">(this);
}
void Connection::setReadOnly(JBoolean readOnly) const {
  call::method<void, "setReadOnly">(this, readOnly);
}
JBoolean Connection::isReadOnly() const {
  return call::method<JBoolean, "isReadOnly">(this);
}
void Connection::setCatalog(const lang::String& catalog) const {
  call::method<void, "setCatalog">(this, catalog);
}
lang::String Connection::getCatalog() const {
  return call::method<lang::String, "getCatalog">(this);
}
void Connection::setTransactionIsolation(JInt level) const {
  call::method<void, "setTransactionIsolation">(this, level);
}
JInt Connection::getTransactionIsolation() const {
  return call::method<JInt, "getTransactionIsolation">(this);
}
void Connection::clearWarnings() const {
  call::method<void, "clearWarnings">(this);
}
Statement Connection::createStatement(JInt resultSetType, JInt resultSetConcurrency) const {
  return call::method<Statement, "createStatement">(this, resultSetType, resultSetConcurrency);
}
PreparedStatement Connection::prepareStatement(const lang::String& sql, JInt resultSetType,
                                               JInt resultSetConcurrency) const {
  return call::method<PreparedStatement, "prepareStatement">(this, sql, resultSetType,
                                                             resultSetConcurrency);
}
void Connection::setHoldability(JInt holdability) const {
  call::method<void, "setHoldability">(this, holdability);
}
JInt Connection::getHoldability() const {
  return call::method<JInt, "getHoldability">(this);
}
Statement Connection::createStatement(JInt resultSetType, JInt resultSetConcurrency,
                                      JInt resultSetHoldability) const {
  return call::method<Statement, "createStatement">(this, resultSetType, resultSetConcurrency,
                                                    resultSetHoldability);
}
PreparedStatement Connection::prepareStatement(const lang::String& sql, JInt resultSetType,
                                               JInt resultSetConcurrency,
                                               JInt resultSetHoldability) const {
  return call::method<PreparedStatement, "prepareStatement">(
      this, sql, resultSetType, resultSetConcurrency, resultSetHoldability);
}
PreparedStatement Connection::prepareStatement(const lang::String& sql,
                                               JInt autoGeneratedKeys) const {
  return call::method<PreparedStatement, "prepareStatement">(this, sql, autoGeneratedKeys);
}
PreparedStatement Connection::prepareStatement(const lang::String& sql,
                                               const JArray<JInt>& columnIndexes) const {
  return call::method<PreparedStatement, "prepareStatement">(this, sql, columnIndexes);
}
PreparedStatement Connection::prepareStatement(const lang::String& sql,
                                               const JArray<lang::String>& columnNames) const {
  return call::method<PreparedStatement, "prepareStatement">(this, sql, columnNames);
}

}  // namespace jbridge::proxy::java::sql
