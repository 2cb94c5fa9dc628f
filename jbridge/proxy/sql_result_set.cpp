#include "jbridge/proxy/sql_result_set.h"

#include "jbridge/proxy/java_sql.h"

namespace jbridge::proxy::java::sql {

JInt ResultSet::FETCH_FORWARD() {
  return call::staticField<ResultSet, JInt, "FETCH_FORWARD">();
}
JInt ResultSet::FETCH_REVERSE() {
  return call::staticField<ResultSet, JInt, "FETCH_REVERSE">();
}
JInt ResultSet::FETCH_UNKNOWN() {
  return call::staticField<ResultSet, JInt, "FETCH_UNKNOWN">();
}
JInt ResultSet::TYPE_FORWARD_ONLY() {
  return call::staticField<ResultSet, JInt, "TYPE_FORWARD_ONLY">();
}
JInt ResultSet::TYPE_SCROLL_INSENSITIVE() {
  return call::staticField<ResultSet, JInt, "TYPE_SCROLL_INSENSITIVE">();
}
JInt ResultSet::TYPE_SCROLL_SENSITIVE() {
  return call::staticField<ResultSet, JInt, "TYPE_SCROLL_SENSITIVE">();
}
JInt ResultSet::CONCUR_READ_ONLY() {
  return call::staticField<ResultSet, JInt, "CONCUR_READ_ONLY">();
}
JInt ResultSet::CONCUR_UPDATABLE() {
  return call::staticField<ResultSet, JInt, "CONCUR_UPDATABLE">();
}
JInt ResultSet::HOLD_CURSORS_OVER_COMMIT() {
  return call::staticField<ResultSet, JInt, "HOLD_CURSORS_OVER_COMMIT">();
}
JInt ResultSet::CLOSE_CURSORS_AT_COMMIT() {
  return call::staticField<ResultSet, JInt, "CLOSE_CURSORS_AT_COMMIT">();
}
JBoolean ResultSet::next() const {
  return call::method<JBoolean, "next">(this);
}
void ResultSet::close() const {
  call::method<void, "close">(this);
}
JBoolean ResultSet::wasNull() const {
  return call::method<JBoolean, "wasNull">(this);
}
lang::String ResultSet::getString(JInt columnIndex) const {
  return call::method<lang::String, "getString">(this, columnIndex);
}
JBoolean ResultSet::getBoolean(JInt columnIndex) const {
  return call::method<JBoolean, "getBoolean">(this, columnIndex);
}
JByte ResultSet::getByte(JInt columnIndex) const {
  return call::method<JByte, "getByte">(this, columnIndex);
}
JShort ResultSet::getShort(JInt columnIndex) const {
  return call::method<JShort, "getShort">(this, columnIndex);
}
JInt ResultSet::getInt(JInt columnIndex) const {
  return call::method<JInt, "getInt">(this, columnIndex);
}
JLong ResultSet::getLong(JInt columnIndex) const {
  return call::method<JLong, "getLong">(this, columnIndex);
}
JFloat ResultSet::getFloat(JInt columnIndex) const {
  return call::method<JFloat, "getFloat">(this, columnIndex);
}
JDouble ResultSet::getDouble(JInt columnIndex) const {
  return call::method<JDouble, "getDouble">(this, columnIndex);
}
JArray<JByte> ResultSet::getBytes(JInt columnIndex) const {
  return call::method<JArray<JByte>, "getBytes">(this, columnIndex);
}
Date ResultSet::getDate(JInt columnIndex) const {
  return call::method<Date, "getDate">(this, columnIndex);
}
Time ResultSet::getTime(JInt columnIndex) const {
  return call::method<Time, "getTime">(this, columnIndex);
}
Timestamp ResultSet::getTimestamp(JInt columnIndex) const {
  return call::method<Timestamp, "getTimestamp">(this, columnIndex);
}
lang::String ResultSet::getString(const lang::String& columnLabel) const {
  return call::method<lang::String, "getString">(this, columnLabel);
}
JBoolean ResultSet::getBoolean(const lang::String& columnLabel) const {
  return call::method<JBoolean, "getBoolean">(this, columnLabel);
}
JByte ResultSet::getByte(const lang::String& columnLabel) const {
  return call::method<JByte, "getByte">(this, columnLabel);
}
JShort ResultSet::getShort(const lang::String& columnLabel) const {
  return call::method<JShort, "getShort">(this, columnLabel);
}
JInt ResultSet::getInt(const lang::String& columnLabel) const {
  return call::method<JInt, "getInt">(this, columnLabel);
}
JLong ResultSet::getLong(const lang::String& columnLabel) const {
  return call::method<JLong, "getLong">(this, columnLabel);
}
JFloat ResultSet::getFloat(const lang::String& columnLabel) const {
  return call::method<JFloat, "getFloat">(this, columnLabel);
}
JDouble ResultSet::getDouble(const lang::String& columnLabel) const {
  return call::method<JDouble, "getDouble">(this, columnLabel);
}
JArray<JByte> ResultSet::getBytes(const lang::String& columnLabel) const {
  return call::method<JArray<JByte>, "getBytes">(this, columnLabel);
}
Date ResultSet::getDate(const lang::String& columnLabel) const {
  return call::method<Date, "getDate">(this, columnLabel);
}
Time ResultSet::getTime(const lang::String& columnLabel) const {
  return call::method<Time, "getTime">(this, columnLabel);
}
Timestamp ResultSet::getTimestamp(const lang::String& columnLabel) const {
  return call::method<Timestamp, "getTimestamp">(this, columnLabel);
}
void ResultSet::clearWarnings() const {
  call::method<void, "clearWarnings">(this);
}
lang::String ResultSet::getCursorName() const {
  return call::method<lang::String, "getCursorName">(this);
}
ResultSetMetaData ResultSet::getMetaData() const {
  return call::method<ResultSetMetaData, "getMetaData">(this);
}
lang::Object ResultSet::getObject(JInt columnIndex) const {
  return call::method<lang::Object, "getObject">(this, columnIndex);
}
lang::Object ResultSet::getObject(const lang::String& columnLabel) const {
  return call::method<lang::Object, "getObject">(this, columnLabel);
}
JInt ResultSet::findColumn(const lang::String& columnLabel) const {
  return call::method<JInt, "findColumn">(this, columnLabel);
}
JBoolean ResultSet::isBeforeFirst() const {
  return call::method<JBoolean, "isBeforeFirst">(this);
}
JBoolean ResultSet::isAfterLast() const {
  return call::method<JBoolean, "isAfterLast">(this);
}
JBoolean ResultSet::isFirst() const {
  return call::method<JBoolean, "isFirst">(this);
}
JBoolean ResultSet::isLast() const {
  return call::method<JBoolean, "isLast">(this);
}
void ResultSet::beforeFirst() const {
  call::method<void, "beforeFirst">(this);
}
void ResultSet::afterLast() const {
  call::method<void, "afterLast">(this);
}
JBoolean ResultSet::first() const {
  return call::method<JBoolean, "first">(this);
}
JBoolean ResultSet::last() const {
  return call::method<JBoolean, "last">(this);
}
JInt ResultSet::getRow() const {
  return call::method<JInt, "getRow">(this);
}

JBoolean ResultSet::isClosed() const {
  return call::method<JBoolean, "isClosed">(this);
}
JBoolean ResultSet::absolute(JInt row) const {
  return call::method<JBoolean, "absolute">(this, row);
}
JBoolean ResultSet::relative(JInt rows) const {
  return call::method<JBoolean, "relative">(this, rows);
}
JBoolean ResultSet::previous() const {
  return call::method<JBoolean, "previous">(this);
}
void ResultSet::setFetchDirection(JInt direction) const {
  call::method<void, "setFetchDirection">(this, direction);
}
JInt ResultSet::getFetchDirection() const {
  return call::method<JInt, "getFetchDirection">(this);
}
void ResultSet::setFetchSize(JInt rows) const {
  call::method<void, "setFetchSize">(this, rows);
}
JInt ResultSet::getFetchSize() const {
  return call::method<JInt, "getFetchSize">(this);
}
JInt ResultSet::getType() const {
  return call::method<JInt, "getType">(this);
}
JInt ResultSet::getConcurrency() const {
  return call::method<JInt, "getConcurrency">(this);
}
JBoolean ResultSet::rowUpdated() const {
  return call::method<JBoolean, "rowUpdated">(this);
}
JBoolean ResultSet::rowInserted() const {
  return call::method<JBoolean, "rowInserted">(this);
}
JBoolean ResultSet::rowDeleted() const {
  return call::method<JBoolean, "rowDeleted">(this);
}
void ResultSet::updateNull(JInt columnIndex) const {
  call::method<void, "updateNull">(this, columnIndex);
}
void ResultSet::updateBoolean(JInt columnIndex, JBoolean x) const {
  call::method<void, "updateBoolean">(this, columnIndex, x);
}
void ResultSet::updateByte(JInt columnIndex, JByte x) const {
  call::method<void, "updateByte">(this, columnIndex, x);
}
void ResultSet::updateShort(JInt columnIndex, JShort x) const {
  call::method<void, "updateShort">(this, columnIndex, x);
}
void ResultSet::updateInt(JInt columnIndex, JInt x) const {
  call::method<void, "updateInt">(this, columnIndex, x);
}
void ResultSet::updateLong(JInt columnIndex, JLong x) const {
  call::method<void, "updateLong">(this, columnIndex, x);
}
void ResultSet::updateFloat(JInt columnIndex, JFloat x) const {
  call::method<void, "updateFloat">(this, columnIndex, x);
}
void ResultSet::updateDouble(JInt columnIndex, JDouble x) const {
  call::method<void, "updateDouble">(this, columnIndex, x);
}
void ResultSet::updateString(JInt columnIndex, const lang::String& x) const {
  call::method<void, "updateString">(this, columnIndex, x);
}
void ResultSet::updateBytes(JInt columnIndex, const JArray<JByte>& x) const {
  call::method<void, "updateBytes">(this, columnIndex, x);
}
void ResultSet::updateDate(JInt columnIndex, const Date& x) const {
  call::method<void, "updateDate">(this, columnIndex, x);
}
void ResultSet::updateTime(JInt columnIndex, const Time& x) const {
  call::method<void, "updateTime">(this, columnIndex, x);
}
void ResultSet::updateTimestamp(JInt columnIndex, const Timestamp& x) const {
  call::method<void, "updateTimestamp">(this, columnIndex, x);
}
void ResultSet::updateObject(JInt columnIndex, const lang::Object& x, JInt scaleOrLength) const {
  call::method<void, "updateObject">(this, columnIndex, x, scaleOrLength);
}
void ResultSet::updateObject(JInt columnIndex, const lang::Object& x) const {
  call::method<void, "updateObject">(this, columnIndex, x);
}
void ResultSet::updateNull(const lang::String& columnLabel) const {
  call::method<void, "updateNull">(this, columnLabel);
}
void ResultSet::updateBoolean(const lang::String& columnLabel, JBoolean x) const {
  call::method<void, "updateBoolean">(this, columnLabel, x);
}
void ResultSet::updateByte(const lang::String& columnLabel, JByte x) const {
  call::method<void, "updateByte">(this, columnLabel, x);
}
void ResultSet::updateShort(const lang::String& columnLabel, JShort x) const {
  call::method<void, "updateShort">(this, columnLabel, x);
}
void ResultSet::updateInt(const lang::String& columnLabel, JInt x) const {
  call::method<void, "updateInt">(this, columnLabel, x);
}
void ResultSet::updateLong(const lang::String& columnLabel, JLong x) const {
  call::method<void, "updateLong">(this, columnLabel, x);
}
void ResultSet::updateFloat(const lang::String& columnLabel, JFloat x) const {
  call::method<void, "updateFloat">(this, columnLabel, x);
}
void ResultSet::updateDouble(const lang::String& columnLabel, JDouble x) const {
  call::method<void, "updateDouble">(this, columnLabel, x);
}
void ResultSet::updateString(const lang::String& columnLabel, const lang::String& x) const {
  call::method<void, "updateString">(this, columnLabel, x);
}
void ResultSet::updateBytes(const lang::String& columnLabel, const JArray<JByte>& x) const {
  call::method<void, "updateBytes">(this, columnLabel, x);
}
void ResultSet::updateDate(const lang::String& columnLabel, const Date& x) const {
  call::method<void, "updateDate">(this, columnLabel, x);
}
void ResultSet::updateTime(const lang::String& columnLabel, const Time& x) const {
  call::method<void, "updateTime">(this, columnLabel, x);
}
void ResultSet::updateTimestamp(const lang::String& columnLabel, const Timestamp& x) const {
  call::method<void, "updateTimestamp">(this, columnLabel, x);
}
void ResultSet::updateObject(const lang::String& columnLabel, const lang::Object& x,
                             JInt scaleOrLength) const {
  call::method<void, "updateObject">(this, columnLabel, x, scaleOrLength);
}
void ResultSet::updateObject(const lang::String& columnLabel, const lang::Object& x) const {
  call::method<void, "updateObject">(this, columnLabel, x);
}
void ResultSet::insertRow() const {
  call::method<void, "insertRow">(this);
}
void ResultSet::updateRow() const {
  call::method<void, "updateRow">(this);
}
void ResultSet::deleteRow() const {
  call::method<void, "deleteRow">(this);
}
void ResultSet::refreshRow() const {
  call::method<void, "refreshRow">(this);
}
void ResultSet::cancelRowUpdates() const {
  call::method<void, "cancelRowUpdates">(this);
}
void ResultSet::moveToInsertRow() const {
  call::method<void, "moveToInsertRow">(this);
}
void ResultSet::moveToCurrentRow() const {
  call::method<void, "moveToCurrentRow">(this);
}
Statement ResultSet::getStatement() const {
  return call::method<Statement, "getStatement">(this);
}
lang::Object ResultSet::getObject(JInt columnIndex, const lang::Class& type) const {
  return call::method<lang::Object, "getObject">(this, columnIndex, type);
}
lang::Object ResultSet::getObject(const lang::String& columnLabel, const lang::Class& type) const {
  return call::method<lang::Object, "getObject">(this, columnLabel, type);
}

JInt ResultSetMetaData::columnNoNulls() {
  return call::staticField<ResultSetMetaData, JInt, "columnNoNulls">();
}
JInt ResultSetMetaData::columnNullable() {
  return call::staticField<ResultSetMetaData, JInt, "columnNullable">();
}
JInt ResultSetMetaData::columnNullableUnknown() {
  return call::staticField<ResultSetMetaData, JInt, "columnNullableUnknown">();
}
JInt ResultSetMetaData::getColumnCount() const {
  return call::method<JInt, "getColumnCount">(this);
}
JBoolean ResultSetMetaData::isAutoIncrement(JInt column) const {
  return call::method<JBoolean, "isAutoIncrement">(this, column);
}
JBoolean ResultSetMetaData::isCaseSensitive(JInt column) const {
  return call::method<JBoolean, "isCaseSensitive">(this, column);
}
JBoolean ResultSetMetaData::isSearchable(JInt column) const {
  return call::method<JBoolean, "isSearchable">(this, column);
}
JBoolean ResultSetMetaData::isCurrency(JInt column) const {
  return call::method<JBoolean, "isCurrency">(this, column);
}
JInt ResultSetMetaData::isNullable(JInt column) const {
  return call::method<JInt, "isNullable">(this, column);
}
JBoolean ResultSetMetaData::isSigned(JInt column) const {
  return call::method<JBoolean, "isSigned">(this, column);
}
JInt ResultSetMetaData::getColumnDisplaySize(JInt column) const {
  return call::method<JInt, "getColumnDisplaySize">(this, column);
}
lang::String ResultSetMetaData::getColumnLabel(JInt column) const {
  return call::method<lang::String, "getColumnLabel">(this, column);
}
lang::String ResultSetMetaData::getColumnName(JInt column) const {
  return call::method<lang::String, "getColumnName">(this, column);
}
lang::String ResultSetMetaData::getSchemaName(JInt column) const {
  return call::method<lang::String, "getSchemaName">(this, column);
}
JInt ResultSetMetaData::getPrecision(JInt column) const {
  return call::method<JInt, "getPrecision">(this, column);
}
JInt ResultSetMetaData::getScale(JInt column) const {
  return call::method<JInt, "getScale">(this, column);
}
lang::String ResultSetMetaData::getTableName(JInt column) const {
  return call::method<lang::String, "getTableName">(this, column);
}
lang::String ResultSetMetaData::getCatalogName(JInt column) const {
  return call::method<lang::String, "getCatalogName">(this, column);
}
JInt ResultSetMetaData::getColumnType(JInt column) const {
  return call::method<JInt, "getColumnType">(this, column);
}
lang::String ResultSetMetaData::getColumnTypeName(JInt column) const {
  return call::method<lang::String, "getColumnTypeName">(this, column);
}
JBoolean ResultSetMetaData::isReadOnly(JInt column) const {
  return call::method<JBoolean, "isReadOnly">(this, column);
}
JBoolean ResultSetMetaData::isWritable(JInt column) const {
  return call::method<JBoolean, "isWritable">(this, column);
}
JBoolean ResultSetMetaData::isDefinitelyWritable(JInt column) const {
  return call::method<JBoolean, "isDefinitelyWritable">(this, column);
}
lang::String ResultSetMetaData::getColumnClassName(JInt column) const {
  return call::method<lang::String, "getColumnClassName">(this, column);
}

}  // namespace jbridge::proxy::java::sql
