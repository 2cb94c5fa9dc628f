// The java.sql proxies ResultSet and ResultSetMetaData.
//
// Thread rule and ownership: as every proxy (proxy.h). Include java_sql.h for the whole set.
#pragma once

#include "jbridge/proxy/java_lang.h"
#include "jbridge/proxy/proxy.h"
#include "jbridge/proxy/proxy_fwd.h"

namespace jbridge::proxy::java::sql {

// The column accessors of java.sql.ResultSet for a column given as Column: its index (JInt) or
// its label (lang::String).
#define QZ_J_RESULT_SET_COLUMN(_, METHOD, Column)             \
  METHOD(_, lang::String, getString, (Column))                \
  METHOD(_, JBoolean, getBoolean, (Column))                   \
  METHOD(_, JByte, getByte, (Column))                         \
  METHOD(_, JShort, getShort, (Column))                       \
  METHOD(_, JInt, getInt, (Column))                           \
  METHOD(_, JLong, getLong, (Column))                         \
  METHOD(_, JFloat, getFloat, (Column))                       \
  METHOD(_, JDouble, getDouble, (Column))                     \
  METHOD(_, JArray<JByte>, getBytes, (Column))                \
  METHOD(_, Date, getDate, (Column))                          \
  METHOD(_, Time, getTime, (Column))                          \
  METHOD(_, Timestamp, getTimestamp, (Column))                \
  METHOD(_, lang::Object, getObject, (Column))                \
  METHOD(_, void, updateNull, (Column))                       \
  METHOD(_, void, updateBoolean, (Column, JBoolean))          \
  METHOD(_, void, updateByte, (Column, JByte))                \
  METHOD(_, void, updateShort, (Column, JShort))              \
  METHOD(_, void, updateInt, (Column, JInt))                  \
  METHOD(_, void, updateLong, (Column, JLong))                \
  METHOD(_, void, updateFloat, (Column, JFloat))              \
  METHOD(_, void, updateDouble, (Column, JDouble))            \
  METHOD(_, void, updateString, (Column, lang::String))       \
  METHOD(_, void, updateBytes, (Column, JArray<JByte>))       \
  METHOD(_, void, updateDate, (Column, Date))                 \
  METHOD(_, void, updateTime, (Column, Time))                 \
  METHOD(_, void, updateTimestamp, (Column, Timestamp))       \
  METHOD(_, void, updateObject, (Column, lang::Object, JInt)) \
  METHOD(_, void, updateObject, (Column, lang::Object))

// java.sql.ResultSet.
#define QZ_JAVA_sql_ResultSet(_, CONST, METHOD, STATIC, NEW) \
  CONST(_, JInt, FETCH_FORWARD)                              \
  CONST(_, JInt, FETCH_REVERSE)                              \
  CONST(_, JInt, FETCH_UNKNOWN)                              \
  CONST(_, JInt, TYPE_FORWARD_ONLY)                          \
  CONST(_, JInt, TYPE_SCROLL_INSENSITIVE)                    \
  CONST(_, JInt, TYPE_SCROLL_SENSITIVE)                      \
  CONST(_, JInt, CONCUR_READ_ONLY)                           \
  CONST(_, JInt, CONCUR_UPDATABLE)                           \
  CONST(_, JInt, HOLD_CURSORS_OVER_COMMIT)                   \
  CONST(_, JInt, CLOSE_CURSORS_AT_COMMIT)                    \
  METHOD(_, JBoolean, next, ())                              \
  METHOD(_, void, close, ())                                 \
  METHOD(_, JBoolean, wasNull, ())                           \
  QZ_J_RESULT_SET_COLUMN(_, METHOD, JInt)                    \
  QZ_J_RESULT_SET_COLUMN(_, METHOD, lang::String)            \
  METHOD(_, void, clearWarnings, ())                         \
  METHOD(_, lang::String, getCursorName, ())                 \
  METHOD(_, ResultSetMetaData, getMetaData, ())              \
  METHOD(_, JInt, findColumn, (lang::String))                \
  METHOD(_, JBoolean, isBeforeFirst, ())                     \
  METHOD(_, JBoolean, isAfterLast, ())                       \
  METHOD(_, JBoolean, isFirst, ())                           \
  METHOD(_, JBoolean, isLast, ())                            \
  METHOD(_, void, beforeFirst, ())                           \
  METHOD(_, void, afterLast, ())                             \
  METHOD(_, JBoolean, first, ())                             \
  METHOD(_, JBoolean, last, ())                              \
  METHOD(_, JInt, getRow, ())                                \
  METHOD(_, JBoolean, isClosed, ())                          \
  METHOD(_, JBoolean, absolute, (JInt))                      \
  METHOD(_, JBoolean, relative, (JInt))                      \
  METHOD(_, JBoolean, previous, ())                          \
  METHOD(_, void, setFetchDirection, (JInt))                 \
  METHOD(_, JInt, getFetchDirection, ())                     \
  METHOD(_, void, setFetchSize, (JInt))                      \
  METHOD(_, JInt, getFetchSize, ())                          \
  METHOD(_, JInt, getType, ())                               \
  METHOD(_, JInt, getConcurrency, ())                        \
  METHOD(_, JBoolean, rowUpdated, ())                        \
  METHOD(_, JBoolean, rowInserted, ())                       \
  METHOD(_, JBoolean, rowDeleted, ())                        \
  METHOD(_, void, insertRow, ())                             \
  METHOD(_, void, updateRow, ())                             \
  METHOD(_, void, deleteRow, ())                             \
  METHOD(_, void, refreshRow, ())                            \
  METHOD(_, void, cancelRowUpdates, ())                      \
  METHOD(_, void, moveToInsertRow, ())                       \
  METHOD(_, void, moveToCurrentRow, ())                      \
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
