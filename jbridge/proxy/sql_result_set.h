// The java.sql proxies ResultSet and ResultSetMetaData.
//
// Thread rule and ownership: as every proxy (proxy.h). Include java_sql.h for the whole set.
#pragma once

#include "jbridge/proxy/java_lang.h"
#include "jbridge/proxy/proxy.h"
#include "jbridge/proxy/proxy_fwd.h"

namespace jbridge::proxy::java::sql {

// java.sql.ResultSet.
class ResultSet : public virtual lang::Object {
  JBRIDGE_PROXY(ResultSet, "java/sql/ResultSet")

  static JInt FETCH_FORWARD();
  static JInt FETCH_REVERSE();
  static JInt FETCH_UNKNOWN();
  static JInt TYPE_FORWARD_ONLY();
  static JInt TYPE_SCROLL_INSENSITIVE();
  static JInt TYPE_SCROLL_SENSITIVE();
  static JInt CONCUR_READ_ONLY();
  static JInt CONCUR_UPDATABLE();
  static JInt HOLD_CURSORS_OVER_COMMIT();
  static JInt CLOSE_CURSORS_AT_COMMIT();

  JBoolean next() const;
  void close() const;
  JBoolean wasNull() const;
  lang::String getString(JInt columnIndex) const;
  JBoolean getBoolean(JInt columnIndex) const;
  JByte getByte(JInt columnIndex) const;
  JShort getShort(JInt columnIndex) const;
  JInt getInt(JInt columnIndex) const;
  JLong getLong(JInt columnIndex) const;
  JFloat getFloat(JInt columnIndex) const;
  JDouble getDouble(JInt columnIndex) const;
  JArray<JByte> getBytes(JInt columnIndex) const;
  Date getDate(JInt columnIndex) const;
  Time getTime(JInt columnIndex) const;
  Timestamp getTimestamp(JInt columnIndex) const;
  lang::String getString(const lang::String& columnLabel) const;
  JBoolean getBoolean(const lang::String& columnLabel) const;
  JByte getByte(const lang::String& columnLabel) const;
  JShort getShort(const lang::String& columnLabel) const;
  JInt getInt(const lang::String& columnLabel) const;
  JLong getLong(const lang::String& columnLabel) const;
  JFloat getFloat(const lang::String& columnLabel) const;
  JDouble getDouble(const lang::String& columnLabel) const;
  JArray<JByte> getBytes(const lang::String& columnLabel) const;
  Date getDate(const lang::String& columnLabel) const;
  Time getTime(const lang::String& columnLabel) const;
  Timestamp getTimestamp(const lang::String& columnLabel) const;
  void clearWarnings() const;
  lang::String getCursorName() const;
  ResultSetMetaData getMetaData() const;
  lang::Object getObject(JInt columnIndex) const;
  lang::Object getObject(const lang::String& columnLabel) const;
  JInt findColumn(const lang::String& columnLabel) const;
  JBoolean isBeforeFirst() const;
  JBoolean isAfterLast() const;
  JBoolean isFirst() const;
  JBoolean isLast() const;
  void beforeFirst() const;
  void afterLast() const;
  JBoolean first() const;
  JBoolean last() const;
  JInt getRow() const;
  JBoolean isClosed() const;
  JBoolean absolute(JInt row) const;
  JBoolean relative(JInt rows) const;
  JBoolean previous() const;
  void setFetchDirection(JInt direction) const;
  JInt getFetchDirection() const;
  void setFetchSize(JInt rows) const;
  JInt getFetchSize() const;
  JInt getType() const;
  JInt getConcurrency() const;
  JBoolean rowUpdated() const;
  JBoolean rowInserted() const;
  JBoolean rowDeleted() const;
  void updateNull(JInt columnIndex) const;
  void updateBoolean(JInt columnIndex, JBoolean x) const;
  void updateByte(JInt columnIndex, JByte x) const;
  void updateShort(JInt columnIndex, JShort x) const;
  void updateInt(JInt columnIndex, JInt x) const;
  void updateLong(JInt columnIndex, JLong x) const;
  void updateFloat(JInt columnIndex, JFloat x) const;
  void updateDouble(JInt columnIndex, JDouble x) const;
  void updateString(JInt columnIndex, const lang::String& x) const;
  void updateBytes(JInt columnIndex, const JArray<JByte>& x) const;
  void updateDate(JInt columnIndex, const Date& x) const;
  void updateTime(JInt columnIndex, const Time& x) const;
  void updateTimestamp(JInt columnIndex, const Timestamp& x) const;
  void updateObject(JInt columnIndex, const lang::Object& x, JInt scaleOrLength) const;
  void updateObject(JInt columnIndex, const lang::Object& x) const;
  void updateNull(const lang::String& columnLabel) const;
  void updateBoolean(const lang::String& columnLabel, JBoolean x) const;
  void updateByte(const lang::String& columnLabel, JByte x) const;
  void updateShort(const lang::String& columnLabel, JShort x) const;
  void updateInt(const lang::String& columnLabel, JInt x) const;
  void updateLong(const lang::String& columnLabel, JLong x) const;
  void updateFloat(const lang::String& columnLabel, JFloat x) const;
  void updateDouble(const lang::String& columnLabel, JDouble x) const;
  void updateString(const lang::String& columnLabel, const lang::String& x) const;
  void updateBytes(const lang::String& columnLabel, const JArray<JByte>& x) const;
  void updateDate(const lang::String& columnLabel, const Date& x) const;
  void updateTime(const lang::String& columnLabel, const Time& x) const;
  void updateTimestamp(const lang::String& columnLabel, const Timestamp& x) const;
  void updateObject(const lang::String& columnLabel, const lang::Object& x,
                    JInt scaleOrLength) const;
  void updateObject(const lang::String& columnLabel, const lang::Object& x) const;
  void insertRow() const;
  void updateRow() const;
  void deleteRow() const;
  void refreshRow() const;
  void cancelRowUpdates() const;
  void moveToInsertRow() const;
  void moveToCurrentRow() const;
  Statement getStatement() const;
  lang::Object getObject(JInt columnIndex, const lang::Class& type) const;
  lang::Object getObject(const lang::String& columnLabel, const lang::Class& type) const;
};

// java.sql.ResultSetMetaData.
class ResultSetMetaData : public virtual lang::Object {
  JBRIDGE_PROXY(ResultSetMetaData, "java/sql/ResultSetMetaData")

  static JInt columnNoNulls();
  static JInt columnNullable();
  static JInt columnNullableUnknown();

  JInt getColumnCount() const;
  JBoolean isAutoIncrement(JInt column) const;
  JBoolean isCaseSensitive(JInt column) const;
  JBoolean isSearchable(JInt column) const;
  JBoolean isCurrency(JInt column) const;
  JInt isNullable(JInt column) const;
  JBoolean isSigned(JInt column) const;
  JInt getColumnDisplaySize(JInt column) const;
  lang::String getColumnLabel(JInt column) const;
  lang::String getColumnName(JInt column) const;
  lang::String getSchemaName(JInt column) const;
  JInt getPrecision(JInt column) const;
  JInt getScale(JInt column) const;
  lang::String getTableName(JInt column) const;
  lang::String getCatalogName(JInt column) const;
  JInt getColumnType(JInt column) const;
  lang::String getColumnTypeName(JInt column) const;
  JBoolean isReadOnly(JInt column) const;
  JBoolean isWritable(JInt column) const;
  JBoolean isDefinitelyWritable(JInt column) const;
  lang::String getColumnClassName(JInt column) const;
};

}  // namespace jbridge::proxy::java::sql
