// The java.sql proxies DriverManager and Connection.
//
// Thread rule and ownership: as every proxy (proxy.h). Include java_sql.h for the whole set.
#pragma once

#include "jbridge/proxy/java_lang.h"
#include "jbridge/proxy/proxy.h"
#include "jbridge/proxy/proxy_fwd.h"

namespace jbridge::proxy::java::sql {

// java.sql.DriverManager.
#define QZ_JAVA_sql_DriverManager(_, CONST, METHOD, STATIC, NEW)                   \
  STATIC(_, Connection, getConnection, (lang::String, lang::String, lang::String)) \
  STATIC(_, Connection, getConnection, (lang::String))                             \
  STATIC(_, util::Enumeration, getDrivers, ())                                     \
  STATIC(_, void, setLoginTimeout, (JInt))                                         \
  STATIC(_, JInt, getLoginTimeout, ())                                             \
  STATIC(_, void, println, (lang::String))
class DriverManager : public virtual lang::Object {
  JBRIDGE_PROXY(sql, DriverManager)
};

// java.sql.Connection.
#define QZ_JAVA_sql_Connection(_, CONST, METHOD, STATIC, NEW)                      \
  CONST(_, JInt, TRANSACTION_NONE)                                                 \
  CONST(_, JInt, TRANSACTION_READ_UNCOMMITTED)                                     \
  CONST(_, JInt, TRANSACTION_READ_COMMITTED)                                       \
  CONST(_, JInt, TRANSACTION_REPEATABLE_READ)                                      \
  CONST(_, JInt, TRANSACTION_SERIALIZABLE)                                         \
  METHOD(_, Statement, createStatement, ())                                        \
  METHOD(_, PreparedStatement, prepareStatement, (lang::String))                   \
  METHOD(_, lang::String, nativeSQL, (lang::String))                               \
  METHOD(_, void, setAutoCommit, (JBoolean))                                       \
  METHOD(_, JBoolean, getAutoCommit, ())                                           \
  METHOD(_, void, commit, ())                                                      \
  METHOD(_, void, rollback, ())                                                    \
  METHOD(_, void, close, ())                                                       \
  METHOD(_, JBoolean, isClosed, ())                                                \
  METHOD(_, DatabaseMetaData, getMetaData, ())                                     \
  METHOD(_, void, setReadOnly, (JBoolean))                                         \
  METHOD(_, JBoolean, isReadOnly, ())                                              \
  METHOD(_, void, setCatalog, (lang::String))                                      \
  METHOD(_, lang::String, getCatalog, ())                                          \
  METHOD(_, void, setTransactionIsolation, (JInt))                                 \
  METHOD(_, JInt, getTransactionIsolation, ())                                     \
  METHOD(_, void, clearWarnings, ())                                               \
  METHOD(_, Statement, createStatement, (JInt, JInt))                              \
  METHOD(_, PreparedStatement, prepareStatement, (lang::String, JInt, JInt))       \
  METHOD(_, void, setHoldability, (JInt))                                          \
  METHOD(_, JInt, getHoldability, ())                                              \
  METHOD(_, Statement, createStatement, (JInt, JInt, JInt))                        \
  METHOD(_, PreparedStatement, prepareStatement, (lang::String, JInt, JInt, JInt)) \
  METHOD(_, PreparedStatement, prepareStatement, (lang::String, JInt))             \
  METHOD(_, PreparedStatement, prepareStatement, (lang::String, JArray<JInt>))     \
  METHOD(_, PreparedStatement, prepareStatement, (lang::String, JArray<lang::String>))
class Connection : public virtual lang::Object {
  JBRIDGE_PROXY(sql, Connection)
};

}  // namespace jbridge::proxy::java::sql
