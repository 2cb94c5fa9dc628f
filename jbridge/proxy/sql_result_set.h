// The java.sql proxies ResultSet and ResultSetMetaData.
//
// Thread rule and ownership: as every proxy (proxy.h). Include java_sql.h for the whole set.
#pragma once

#include "jbridge/proxy/java_lang.h"
#include "jbridge/proxy/proxy.h"
#include "jbridge/proxy/proxy_fwd.h"

namespace jbridge::proxy::java::sql {

// java.sql.ResultSet.
#define QZ_JAVA_sql_ResultSet(_, CONST, METHOD, STATIC, NEW)        \
  CONST(_, JInt, FETCH_FORWARD)                                     \
  CONST(_, JInt, FETCH_REVERSE)                                     \
  CONST(_, JInt, FETCH_UNKNOWN)                                     \
  CONST(_, JInt, TYPE_FORWARD_ONLY)                                 \
  CONST(_, JInt, TYPE_SCROLL_INSENSITIVE)                           \
  CONST(_, JInt, TYPE_SCROLL_SENSITIVE)                             \
  CONST(_, JInt, CONCUR_READ_ONLY)                                  \
  CONST(_, JInt, CONCUR_UPDATABLE)                                  \
  CONST(_, JInt, HOLD_CURSORS_OVER_COMMIT)                          \
  CONST(_, JInt, CLOSE_CURSORS_AT_COMMIT)                           \
  METHOD(_, JBoolean, next, ())                                     \
  METHOD(_, void, close, ())                                        \
  METHOD(_, JBoolean, wasNull, ())                                  \
  METHOD(_, lang::String, getString, (JInt))                        \
  METHOD(_, JBoolean, getBoolean, (JInt))                           \
  METHOD(_, JByte, getByte, (JInt))                                 \
  METHOD(_, JShort, getShort, (JInt))                               \
  METHOD(_, JInt, getInt, (JInt))                                   \
  METHOD(_, JLong, getLong, (JInt))                                 \
  METHOD(_, JFloat, getFloat, (JInt))                               \
  METHOD(_, JDouble, getDouble, (JInt))                             \
  METHOD(_, JArray<JByte>, getBytes, (JInt))                        \
  METHOD(_, Date, getDate, (JInt))                                  \
  METHOD(_, Time, getTime, (JInt))                                  \
  METHOD(_, Timestamp, getTimestamp, (JInt))                        \
  METHOD(_, lang::String, getString, (lang::String))                \
  METHOD(_, JBoolean, getBoolean, (lang::String))                   \
  METHOD(_, JByte, getByte, (lang::String))                         \
  METHOD(_, JShort, getShort, (lang::String))                       \
  METHOD(_, JInt, getInt, (lang::String))                           \
  METHOD(_, JLong, getLong, (lang::String))                         \
  METHOD(_, JFloat, getFloat, (lang::String))                       \
  METHOD(_, JDouble, getDouble, (lang::String))                     \
  METHOD(_, JArray<JByte>, getBytes, (lang::String))                \
  METHOD(_, Date, getDate, (lang::String))                          \
  METHOD(_, Time, getTime, (lang::String))                          \
  METHOD(_, Timestamp, getTimestamp, (lang::String))                \
  METHOD(_, void, clearWarnings, ())                                \
  METHOD(_, lang::String, getCursorName, ())                        \
  METHOD(_, ResultSetMetaData, getMetaData, ())                     \
  METHOD(_, lang::Object, getObject, (JInt))                        \
  METHOD(_, lang::Object, getObject, (lang::String))                \
  METHOD(_, JInt, findColumn, (lang::String))                       \
  METHOD(_, JBoolean, isBeforeFirst, ())                            \
  METHOD(_, JBoolean, isAfterLast, ())                              \
  METHOD(_, JBoolean, isFirst, ())                                  \
  METHOD(_, JBoolean, isLast, ())                                   \
  METHOD(_, void, beforeFirst, ())                                  \
  METHOD(_, void, afterLast, ())                                    \
  METHOD(_, JBoolean, first, ())                                    \
  METHOD(_, JBoolean, last, ())                                     \
  METHOD(_, JInt, getRow, ())                                       \
  METHOD(_, JBoolean, isClosed, ())                                 \
  METHOD(_, JBoolean, absolute, (JInt))                             \
  METHOD(_, JBoolean, relative, (JInt))                             \
  METHOD(_, JBoolean, previous, ())                                 \
  METHOD(_, void, setFetchDirection, (JInt))                        \
  METHOD(_, JInt, getFetchDirection, ())                            \
  METHOD(_, void, setFetchSize, (JInt))                             \
  METHOD(_, JInt, getFetchSize, ())                                 \
  METHOD(_, JInt, getType, ())                                      \
  METHOD(_, JInt, getConcurrency, ())                               \
  METHOD(_, JBoolean, rowUpdated, ())                               \
  METHOD(_, JBoolean, rowInserted, ())                              \
  METHOD(_, JBoolean, rowDeleted, ())                               \
  METHOD(_, void, updateNull, (JInt))                               \
  METHOD(_, void, updateBoolean, (JInt, JBoolean))                  \
  METHOD(_, void, updateByte, (JInt, JByte))                        \
  METHOD(_, void, updateShort, (JInt, JShort))                      \
  METHOD(_, void, updateInt, (JInt, JInt))                          \
  METHOD(_, void, updateLong, (JInt, JLong))                        \
  METHOD(_, void, updateFloat, (JInt, JFloat))                      \
  METHOD(_, void, updateDouble, (JInt, JDouble))                    \
  METHOD(_, void, updateString, (JInt, lang::String))               \
  METHOD(_, void, updateBytes, (JInt, JArray<JByte>))               \
  METHOD(_, void, updateDate, (JInt, Date))                         \
  METHOD(_, void, updateTime, (JInt, Time))                         \
  METHOD(_, void, updateTimestamp, (JInt, Timestamp))               \
  METHOD(_, void, updateObject, (JInt, lang::Object, JInt))         \
  METHOD(_, void, updateObject, (JInt, lang::Object))               \
  METHOD(_, void, updateNull, (lang::String))                       \
  METHOD(_, void, updateBoolean, (lang::String, JBoolean))          \
  METHOD(_, void, updateByte, (lang::String, JByte))                \
  METHOD(_, void, updateShort, (lang::String, JShort))              \
  METHOD(_, void, updateInt, (lang::String, JInt))                  \
  METHOD(_, void, updateLong, (lang::String, JLong))                \
  METHOD(_, void, updateFloat, (lang::String, JFloat))              \
  METHOD(_, void, updateDouble, (lang::String, JDouble))            \
  METHOD(_, void, updateString, (lang::String, lang::String))       \
  METHOD(_, void, updateBytes, (lang::String, JArray<JByte>))       \
  METHOD(_, void, updateDate, (lang::String, Date))                 \
  METHOD(_, void, updateTime, (lang::String, Time))                 \
  METHOD(_, void, updateTimestamp, (lang::String, Timestamp))       \
  METHOD(_, void, updateObject, (lang::String, lang::Object, JInt)) \
  METHOD(_, void, updateObject, (lang::String, lang::Object))       \
  METHOD(_, void, insertRow, ())                                    \
  METHOD(_, void, updateRow, ())                                    \
  METHOD(_, void, deleteRow, ())                                    \
  METHOD(_, void, refreshRow, ())                                   \
  METHOD(_, void, cancelRowUpdates, ())                             \
  METHOD(_, void, moveToInsertRow, ())                              \
  METHOD(_, void, moveToCurrentRow, ())                             \
  METHOD(_, Statement, getStatement, ())
class ResultSet : public virtual lang::Object {
  JBRIDGE_PROXY(sql, ResultSet)
};

// java.sql.ResultSetMetaData.
#define QZ_JAVA_sql_ResultSetMetaData(_, CONST, METHOD, STATIC, NEW) \
  CONST(_, JInt, columnNoNulls)                                      \
  CONST(_, JInt, columnNullable)                                     \
  CONST(_, JInt, columnNullableUnknown)                              \
  METHOD(_, JInt, getColumnCount, ())                                \
  METHOD(_, JBoolean, isAutoIncrement, (JInt))                       \
  METHOD(_, JBoolean, isCaseSensitive, (JInt))                       \
  METHOD(_, JBoolean, isSearchable, (JInt))                          \
  METHOD(_, JBoolean, isCurrency, (JInt))                            \
  METHOD(_, JInt, isNullable, (JInt))                                \
  METHOD(_, JBoolean, isSigned, (JInt))                              \
  METHOD(_, JInt, getColumnDisplaySize, (JInt))                      \
  METHOD(_, lang::String, getColumnLabel, (JInt))                    \
  METHOD(_, lang::String, getColumnName, (JInt))                     \
  METHOD(_, lang::String, getSchemaName, (JInt))                     \
  METHOD(_, JInt, getPrecision, (JInt))                              \
  METHOD(_, JInt, getScale, (JInt))                                  \
  METHOD(_, lang::String, getTableName, (JInt))                      \
  METHOD(_, lang::String, getCatalogName, (JInt))                    \
  METHOD(_, JInt, getColumnType, (JInt))                             \
  METHOD(_, lang::String, getColumnTypeName, (JInt))                 \
  METHOD(_, JBoolean, isReadOnly, (JInt))                            \
  METHOD(_, JBoolean, isWritable, (JInt))                            \
  METHOD(_, JBoolean, isDefinitelyWritable, (JInt))                  \
  METHOD(_, lang::String, getColumnClassName, (JInt))
class ResultSetMetaData : public virtual lang::Object {
  JBRIDGE_PROXY(sql, ResultSetMetaData)
};

}  // namespace jbridge::proxy::java::sql
