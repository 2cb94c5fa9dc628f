// The java.sql proxies Statement and PreparedStatement.
//
// Thread rule and ownership: as every proxy (proxy.h). Include java_sql.h for the whole set.
#pragma once

#include "jbridge/proxy/java_lang.h"
#include "jbridge/proxy/proxy.h"
#include "jbridge/proxy/proxy_fwd.h"

namespace jbridge::proxy::java::sql {

// java.sql.Statement.
#define QZ_JAVA_sql_Statement(_, CONST, METHOD, STATIC, NEW)           \
  CONST(_, JInt, CLOSE_CURRENT_RESULT)                                 \
  CONST(_, JInt, KEEP_CURRENT_RESULT)                                  \
  CONST(_, JInt, CLOSE_ALL_RESULTS)                                    \
  CONST(_, JInt, SUCCESS_NO_INFO)                                      \
  CONST(_, JInt, EXECUTE_FAILED)                                       \
  CONST(_, JInt, RETURN_GENERATED_KEYS)                                \
  CONST(_, JInt, NO_GENERATED_KEYS)                                    \
  METHOD(_, ResultSet, executeQuery, (lang::String))                   \
  METHOD(_, JInt, executeUpdate, (lang::String))                       \
  METHOD(_, void, close, ())                                           \
  METHOD(_, JBoolean, isClosed, ())                                    \
  METHOD(_, JInt, getMaxFieldSize, ())                                 \
  METHOD(_, void, setMaxFieldSize, (JInt))                             \
  METHOD(_, JInt, getMaxRows, ())                                      \
  METHOD(_, void, setMaxRows, (JInt))                                  \
  METHOD(_, void, setEscapeProcessing, (JBoolean))                     \
  METHOD(_, JInt, getQueryTimeout, ())                                 \
  METHOD(_, void, setQueryTimeout, (JInt))                             \
  METHOD(_, void, cancel, ())                                          \
  METHOD(_, void, clearWarnings, ())                                   \
  METHOD(_, void, setCursorName, (lang::String))                       \
  METHOD(_, JBoolean, execute, (lang::String))                         \
  METHOD(_, ResultSet, getResultSet, ())                               \
  METHOD(_, JInt, getUpdateCount, ())                                  \
  METHOD(_, JBoolean, getMoreResults, ())                              \
  METHOD(_, void, setFetchDirection, (JInt))                           \
  METHOD(_, JInt, getFetchDirection, ())                               \
  METHOD(_, void, setFetchSize, (JInt))                                \
  METHOD(_, JInt, getFetchSize, ())                                    \
  METHOD(_, JInt, getResultSetConcurrency, ())                         \
  METHOD(_, JInt, getResultSetType, ())                                \
  METHOD(_, void, addBatch, (lang::String))                            \
  METHOD(_, void, clearBatch, ())                                      \
  METHOD(_, JArray<JInt>, executeBatch, ())                            \
  METHOD(_, Connection, getConnection, ())                             \
  METHOD(_, JBoolean, getMoreResults, (JInt))                          \
  METHOD(_, ResultSet, getGeneratedKeys, ())                           \
  METHOD(_, JInt, executeUpdate, (lang::String, JInt))                 \
  METHOD(_, JInt, executeUpdate, (lang::String, JArray<JInt>))         \
  METHOD(_, JInt, executeUpdate, (lang::String, JArray<lang::String>)) \
  METHOD(_, JBoolean, execute, (lang::String, JInt))                   \
  METHOD(_, JBoolean, execute, (lang::String, JArray<JInt>))           \
  METHOD(_, JBoolean, execute, (lang::String, JArray<lang::String>))   \
  METHOD(_, JInt, getResultSetHoldability, ())
class Statement : public virtual lang::Object {
  JBRIDGE_PROXY(sql, Statement)
};

// java.sql.PreparedStatement.
#define QZ_JAVA_sql_PreparedStatement(_, CONST, METHOD, STATIC, NEW) \
  METHOD(_, ResultSet, executeQuery, ())                             \
  METHOD(_, JInt, executeUpdate, ())                                 \
  METHOD(_, void, setNull, (JInt, JInt))                             \
  METHOD(_, void, setBoolean, (JInt, JBoolean))                      \
  METHOD(_, void, setByte, (JInt, JByte))                            \
  METHOD(_, void, setShort, (JInt, JShort))                          \
  METHOD(_, void, setInt, (JInt, JInt))                              \
  METHOD(_, void, setLong, (JInt, JLong))                            \
  METHOD(_, void, setFloat, (JInt, JFloat))                          \
  METHOD(_, void, setDouble, (JInt, JDouble))                        \
  METHOD(_, void, setString, (JInt, lang::String))                   \
  METHOD(_, void, setBytes, (JInt, JArray<JByte>))                   \
  METHOD(_, void, setDate, (JInt, Date))                             \
  METHOD(_, void, setTime, (JInt, Time))                             \
  METHOD(_, void, setTimestamp, (JInt, Timestamp))                   \
  METHOD(_, void, clearParameters, ())                               \
  METHOD(_, void, setObject, (JInt, lang::Object, JInt))             \
  METHOD(_, void, setObject, (JInt, lang::Object))                   \
  METHOD(_, JBoolean, execute, ())                                   \
  METHOD(_, void, addBatch, ())                                      \
  METHOD(_, ResultSetMetaData, getMetaData, ())                      \
  METHOD(_, void, setNull, (JInt, JInt, lang::String))               \
  METHOD(_, void, setObject, (JInt, lang::Object, JInt, JInt))
class PreparedStatement : public virtual Statement {
  JBRIDGE_PROXY(sql, PreparedStatement)
  using Statement::addBatch;
  using Statement::execute;
  using Statement::executeQuery;
  using Statement::executeUpdate;
};

}  // namespace jbridge::proxy::java::sql
