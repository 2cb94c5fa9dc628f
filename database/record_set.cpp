#include "database/record_set.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <exception>

#include "database/children.h"
#include "database/database.h"
#include "database/db_object.h"
#include "database/record_fields.h"
#include "database/sql_exec.h"
#include "database/sys_type_map.h"
#include "jbridge/proxy/java_sql.h"
#include "jdbc/jsql_api.h"
#include "jdbc/row_block.h"
#include "jdbc/text_buffer.h"

using jbridge::proxy::JInt;
using qz::jdbc::JSQLApi;
namespace lang = jbridge::proxy::java::lang;
namespace sql = jbridge::proxy::java::sql;

namespace {

// Error labels.
constexpr char kLabelDescribe[] = "Describe Column";
constexpr char kLabelInit[] = "INIT";
constexpr char kLabelRowSet[] = "GETROWSET";
constexpr char kLabelFetch[] = "fetch";
constexpr char kLabelCount[] = "dbJDBCSQLRecordSetC::count";
constexpr char kLabelUpdate[] = "UPDATE::EXECUTE";
constexpr char kLabelCustomOption[] = "OPTIONS CUSTOMOPTTOPIC";
constexpr char kNoCurrentRow[] = "There is no current row to update";

// The count wraps the query as a derived table. Its alias is what PostgreSQL and Derby demand
// of one; the line end keeps a line comment at the end of the query from swallowing the
// closing parenthesis.
constexpr char kCountPrefix[] = "SELECT COUNT(*) FROM ( ";
constexpr char kCountSuffix[] = "\n) qz_count_rows";
// Count treats the statement as a query when "SELECT" starts at positions 0 to 6: one more
// than execute allows.
constexpr long kCountQueryBound = 7;

// Buffer sizes. An integer buffer holds any 64-bit value with its sign, a floating-point one
// the longest shortest-round-trip text of a double ("-2.2250738585072014E-308", 24 bytes), and
// a date-time one a timestamp with nanoseconds, zone and era, whatever smaller size the driver
// describes.
// Text sizes are described in characters; a character takes up to 4 bytes of UTF-8.
constexpr int32_t kIntegerBufferMin = 20;
constexpr int32_t kFloatBufferMin = 32;
constexpr int32_t kDateTimeBufferMin = 48;  // with a zone offset and an era
constexpr int32_t kBytesPerCharacter = 4;
constexpr int32_t kLongTextCharacters = 4000;

// JDBC type codes (java.sql.Types).
constexpr int32_t kTinyInt = -6, kBigInt = -5, kLongVarChar = -1, kChar = 1, kNumeric = 2,
                  kDecimal = 3, kInteger = 4, kSmallInt = 5, kFloat = 6, kReal = 7, kDouble = 8,
                  kVarChar = 12;

// Result-set type and concurrency of java.sql.ResultSet.
constexpr int32_t kScrollInsensitive = 1004;
constexpr int32_t kScrollSensitive = 1005;
constexpr int32_t kUpdatable = 1008;

int32_t capacityFor(int32_t kind, int32_t displaySize) {
  if (displaySize <= 0) return kDbMaxColumnBuffer;
  int64_t bytes = displaySize;
  switch (kind) {
    case kDbKindInteger:
      bytes = std::max<int64_t>(bytes, kIntegerBufferMin);
      break;
    case kDbKindFloat:
      bytes = std::max<int64_t>(bytes, kFloatBufferMin);
      break;
    case kDbKindText:
      bytes *= kBytesPerCharacter;
      break;
    default:
      bytes = std::max<int64_t>(bytes, kDateTimeBufferMin);
      break;
  }
  return static_cast<int32_t>(std::min<int64_t>(bytes, kDbMaxColumnBuffer));
}

dbColumnMappingS mapping(int32_t kind, int32_t sqlType, int32_t displaySize) {
  return {kind, sqlType, capacityFor(kind, displaySize)};
}

}  // namespace

std::string dbJavaMessage(const std::exception& e) {
  if (auto* t = dynamic_cast<const lang::Throwable*>(&e)) {
    try {
      lang::String m = t->getMessage();
      if (!m.isNull()) {
        std::string text = m.getCString();
        if (!text.empty()) return text;
      }
    } catch (...) {
    }
  }
  return e.what();
}

namespace {

// The column's label (what "AS" names it), else the name the session layer described.
std::string columnLabel(sql::ResultSetMetaData& metaData, int32_t column, const char* described) {
  std::string name = described;
  try {
    lang::String label = metaData.getColumnLabel(JInt(column));
    if (!label.isNull()) {
      std::string text = label.getCString();
      if (!text.empty()) name = std::move(text);
    }
  } catch (...) {
    // A driver without labels: the described name stands.
  }
  name.resize(qz::jdbc::utf8CutLength(name, kDbMaxColumnName));
  return name;
}

// "SELECT ... ;  " counts as "SELECT ...": a derived table cannot end in a semicolon.
std::string withoutTrailingSemicolons(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && (std::strchr(" \t\r\n;", text[end - 1]) != nullptr)) --end;
  return text.substr(0, end);
}

// C decimal rules: leading blanks, an optional sign, the digits up to the first other
// character; 0 when there are none. A count beyond 32 bits is held at the limit.
int32_t decimalValue(const std::string& text) {
  const char* p = text.c_str();
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  if (*p == '+') ++p;
  long long v = 0;
  std::from_chars(p, text.c_str() + text.size(), v);
  return static_cast<int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

dbColumnMappingS dbDefaultColumnMapping(int32_t jdbcType, int32_t displaySize) {
  switch (jdbcType) {
    case kTinyInt:
    case kBigInt:
    case kInteger:
    case kSmallInt:
      return mapping(kDbKindInteger, kDbSqlInteger, displaySize);
    case kLongVarChar:
      return mapping(kDbKindText, kDbSqlChar,
                     displaySize > 0 ? std::min(displaySize, kLongTextCharacters) : displaySize);
    case kChar:
    case kVarChar:
      return mapping(kDbKindText, kDbSqlChar, displaySize);
    case kNumeric:
    case kDecimal:
    case kFloat:
    case kReal:
    case kDouble:
      return mapping(kDbKindFloat, kDbSqlDouble, displaySize);
    case kDbSqlDate:
    case kDbSqlTime:
    case kDbSqlTimestamp:
      return mapping(kDbKindDateTime, jdbcType, displaySize);
    default:
      return {};
  }
}

dbColumnMappingS dbKindColumnMapping(int32_t kind, int32_t /*jdbcType*/, int32_t displaySize) {
  switch (kind) {
    case kDbKindInteger:
      return mapping(kDbKindInteger, kDbSqlInteger, displaySize);
    case kDbKindFloat:
      return mapping(kDbKindFloat, kDbSqlDouble, displaySize);
    case kDbKindText:
      return mapping(kDbKindText, kDbSqlChar, displaySize);
    default:
      return {};
  }
}

qzRef<qzIUnknown> dbCreateRecordSet(dbJDBCDatabaseC& connection) {
  return qzRef<qzIUnknown>::share(static_cast<qzIDispatch*>(new dbJDBCSQLRecordSetC(&connection)));
}

// ---------------------------------------------------------------------------------------------

dbJDBCSQLRecordSetC::dbJDBCSQLRecordSetC(dbJDBCDatabaseC* connection)
    : dbObjectT(table()),
      connection_(qzRef<dbJDBCDatabaseC>::share(connection)),
      emptyIsNull_(connection->emptyIsNull()) {}

dbJDBCSQLRecordSetC::~dbJDBCSQLRecordSetC() = default;

void dbJDBCSQLRecordSetC::dropBlock() {
  for (dbJDBCColumnS& c : columns_) {
    if (!c.lent) continue;
    std::fill(c.buffer.begin(), c.buffer.end(), '\0');
    std::copy_n(c.lent, c.lentSize, c.buffer.begin());
    c.used = c.lentSize;
    c.lent = nullptr;
  }
  block_.reset();
  blockRow_ = false;
}

void dbJDBCSQLRecordSetC::startBlocks(sql::ResultSet& rs) {
  dropBlock();
  // A scrollable or updatable result keeps the cursor on the row in the buffers.
  if (cursorType_ != kDbCursorForwardOnly || concurrency_ != kDbConcurReadOnly ||
      !qz::jdbc::RowBlockReader::available())
    return;
  try {
    block_ = std::make_unique<qz::jdbc::RowBlockReader>(rs, columnCount());
  } catch (...) {
    block_.reset();  // read row by row
  }
}

bool dbJDBCSQLRecordSetC::nextFromBlock() {
  switch (block_->next()) {
    case qz::jdbc::RowBlockReader::kRow:
      blockRow_ = true;
      return true;
    case qz::jdbc::RowBlockReader::kUnread:
      blockRow_ = false;  // the cursor stands on it
      return true;
    default:
      blockRow_ = false;
      return false;
  }
}

// --- describing -----------------------------------------------------------------------------

int32_t dbJDBCSQLRecordSetC::describe() {
  if (state_ == kNoStatement || !statement_) return kQzFailed;
  try {
    if (state_ == kDescribed && describedVersion_ == statement_->resultVersion()) {
      return firstRowError_ ? kQzFailed : kQzOk;
    }
    return describeColumns();
  } catch (...) {
    return kQzFailed;
  }
}

int32_t dbJDBCSQLRecordSetC::describeColumns() {
  JSQLApi& session = connection().session();
  sql::ResultSetMetaData& metaData = statement_->resultMetaData();
  state_ = kAttached;  // until the description is complete
  int32_t n = 0;
  if (session.JSQLGetColumnCount(metaData, &n) != JSQLApi::kOk) return kQzFailed;
  columns_.clear();
  columns_.resize(static_cast<size_t>(std::max(n, 0)));
  dbJDBCSysTypeMapC* typeMap = connection().typeMap();
  for (int32_t i = 1; i <= n; ++i) {
    char name[kDbMaxColumnName + 1] = {};
    int32_t nameLength = 0, type = 0, size = 0, precision = 0, nullable = 0;
    if (session.JSQLDescribeColumn(metaData, i, name, kDbMaxColumnName, &nameLength, &type, &size,
                                   &precision, &nullable) != JSQLApi::kOk) {
      session.JSQLReportError(kLabelDescribe, nullptr);
      columns_.clear();
      return kQzFailed;
    }
    dbColumnMappingS m;
    int32_t kind = 0;
    if (typeMap && typeMap->getTranslation(type, &kind) == kQzOk) {
      dbTrace("typemap active -> %d,%d,%ld\n", kind, type, static_cast<long>(size));
      m = dbKindColumnMapping(kind, type, size);
    }
    if (m.cType == 0) m = dbDefaultColumnMapping(type, size);
    dbJDBCColumnS& c = columns_[static_cast<size_t>(i - 1)];
    // Unmapped columns keep their name too, so a script can see what it cannot read.
    c.name = columnLabel(metaData, i, name);
    if (m.cType == 0) continue;
    c.cType = m.cType;
    c.sqlType = m.sqlType;
    c.capacity = m.capacity;
    c.buffer.assign(static_cast<size_t>(m.capacity) + 1, '\0');
    c.used = 0;
  }

  atEnd_ = false;
  state_ = kDescribed;
  rowPosition_ = 0;
  firstRowError_.reset();
  sql::ResultSet& rs = statement_->resultSet();
  describedVersion_ = statement_->resultVersion();
  startBlocks(rs);
  bool onRow = false;
  try {
    if (block_) {
      onRow = nextFromBlock();
    } else {
      onRow = cursorType_ == kDbCursorForwardOnly ? static_cast<bool>(rs.next())
                                                  : static_cast<bool>(rs.first());
    }
  } catch (const std::exception& e) {
    // A result whose first row cannot be read must not pass for an empty one.
    atEnd_ = true;
    session.JSQLReportException(kLabelInit, e, dbJavaMessage(e).c_str(), firstRowError_.out());
    return kQzFailed;
  }
  if (!onRow) {
    atEnd_ = true;
  } else {
    notePosition(rs);
    if (loadRow() != kQzOk) {
      session.JSQLReportError(kLabelInit, firstRowError_.out());
      return kQzFailed;
    }
  }
  return kQzOk;
}

int32_t dbJDBCSQLRecordSetC::loadRow() {
  if (blockRow_) {
    loadBlockRow();
    return kQzOk;
  }
  JSQLApi& session = connection().session();
  sql::ResultSet& rs = statement_->resultSet();
  const int32_t flag = emptyIsNull_ ? 0 : JSQLApi::kKeepEmpty;
  for (size_t i = 0; i < columns_.size(); ++i) {
    dbJDBCColumnS& c = columns_[i];
    if (!c.hasBuffer()) {
      c.indicator = kDbNullIndicator;
      continue;
    }
    c.used = c.capacity;  // the session fills the whole buffer
    if (session.JSQLGetResultSetStringData(rs, static_cast<int32_t>(i + 1), flag, c.buffer.data(),
                                           c.capacity, &c.indicator, &c.cut) != JSQLApi::kOk) {
      session.JSQLReportError(kLabelRowSet, nullptr);
      return kQzFailed;
    }
  }
  return kQzOk;
}

// clearBuffers and the row's values in one pass over the columns, what a walk does for every
// row: a buffer is not zeroed first, as the value overwrites its used bytes and zeroes the rest.
// A value the buffer would hold as it is, the block lends instead, NULL as the empty text.
void dbJDBCSQLRecordSetC::loadBlockRow() {
  JSQLApi& session = connection().session();
  const int32_t flag = emptyIsNull_ ? 0 : JSQLApi::kKeepEmpty;
  const bool lend = !session.converting();
  const int32_t n = columnCount();
  for (int32_t i = 0; i < n; ++i) {
    dbJDBCColumnS& c = columns_[static_cast<size_t>(i)];
    c.length = 0;
    c.modified = false;
    c.pending.clear();
    if (!c.hasBuffer()) {
      c.cut = false;
      c.indicator = kDbNullIndicator;
      continue;
    }
    const qz::jdbc::RowBlockReader::Value& v = block_->value(i);
    if (lend && (v.size > 0 ? v.size <= c.capacity : v.chars < 0)) {
      c.lent = v.chars < 0 ? "" : v.bytes;
      c.lentSize = v.size;
      c.indicator = v.chars;
      c.cut = false;
      continue;
    }
    c.lent = nullptr;
    session.JSQLPutColumnText(v.bytes, v.size, v.chars, flag, c.buffer.data(), c.capacity, c.used,
                              &c.indicator, &c.cut, &c.used);
  }
}

void dbJDBCSQLRecordSetC::clearBuffers() {
  for (dbJDBCColumnS& c : columns_) {
    std::fill_n(c.buffer.begin(), std::min<size_t>(static_cast<size_t>(c.used), c.buffer.size()),
                '\0');
    c.used = 0;
    c.length = 0;
    c.modified = false;
    c.cut = false;
    c.pending.clear();
    c.indicator = kDbNullIndicator;
    c.lent = nullptr;
  }
}

void dbJDBCSQLRecordSetC::notePosition(sql::ResultSet& rs) {
  rowPosition_ = 0;
  // Only an update needs the position, and getRow is optional on forward-only results.
  if (concurrency_ == kDbConcurReadOnly) return;
  try {
    rowPosition_ = rs.getRow();
  } catch (...) {
  }
}

bool dbJDBCSQLRecordSetC::described(qzIUnknown** errOut) {
  if (describe() == kQzOk) return true;
  // Without a result, the failed run that left none is the cause (a server gone, say).
  qzIUnknown* cause =
      firstRowError_ ? firstRowError_.get() : (statement_ ? statement_->lastError() : nullptr);
  if (errOut && cause) {
    cause->AddRef();
    *errOut = cause;
  }
  return false;
}

int32_t dbJDBCSQLRecordSetC::fullText(int32_t i, std::string* text, bool* isNull,
                                      qzIUnknown** errOut) {
  if (errOut) *errOut = nullptr;
  if (!described(errOut) || i < 0 || i >= columnCount()) return kQzFailed;
  JSQLApi& session = connection().session();
  if (atEnd_) {
    session.JSQLReportMessage(kLabelRowSet, "There is no current row", errOut);
    return kQzFailed;
  }
  if (blockRow_) {
    // The cursor is ahead: the block holds the whole value getString gave.
    const qz::jdbc::RowBlockReader::Value& v = block_->value(i);
    *isNull = v.chars < 0;
    *text = *isNull ? std::string() : session.JSQLColumnText(v.bytes, v.size);
  } else if (session.JSQLGetResultSetText(statement_->resultSet(), i + 1, text, isNull) !=
             JSQLApi::kOk) {
    session.JSQLReportError(kLabelRowSet, errOut);
    return kQzFailed;
  }
  if (*isNull == false && text->empty() && emptyIsNull_) *isNull = true;
  return kQzOk;
}

// --- moving ---------------------------------------------------------------------------------

bool dbJDBCSQLRecordSetC::move(sql::ResultSet& rs, int32_t mode, int32_t offset) {
  switch (mode) {
    case kDbFetchAbsolute:
      return rs.absolute(JInt(offset == INT32_MAX ? INT32_MAX : offset + 1));
    case kDbFetchRelative:
      return rs.relative(JInt(offset));
    case kDbFetchNext:
      return rs.next();
    case kDbFetchPrevious:
      return rs.previous();
    case kDbFetchFirst:
      return rs.first();
    case kDbFetchLast:
      return rs.last();
    default:
      return false;
  }
}

int32_t dbJDBCSQLRecordSetC::fetch(int32_t mode, int32_t offset, qzIUnknown** errOut) {
  if (errOut) *errOut = nullptr;
  try {
    if (!describedCurrent() && !described(errOut)) return kQzFailed;
    JSQLApi& session = connection().session();
    sql::ResultSet& rs = statement_->resultSet();
    bool onRow = false;
    try {
      if (block_ && mode == kDbFetchNext) {
        onRow = nextFromBlock();
      } else {
        // Any other move is the driver's (on a forward-only result it refuses them); one it
        // makes leaves the block behind.
        onRow = move(rs, mode, offset);
        dropBlock();
      }
    } catch (const std::exception& e) {
      // A move the driver refuses (say, backwards on a forward-only result) leaves the cursor,
      // and so the buffers, where they were.
      session.JSQLReportException(kLabelFetch, e, dbJavaMessage(e).c_str(), errOut);
      return kQzFailed;
    }
    atEnd_ = false;
    if (onRow && blockRow_) {
      // Forward-only and read-only: no position to note. The row overwrites the buffers' used
      // bytes itself and zeroes what is left.
      rowPosition_ = 0;
      loadBlockRow();
      return kQzOk;
    }
    clearBuffers();
    if (!onRow) {
      atEnd_ = true;
      rowPosition_ = 0;
      return kQzOk;
    }
    notePosition(rs);
    if (loadRow() != kQzOk) {
      session.JSQLReportError(kLabelFetch, errOut);
      return kQzFailed;
    }
    return kQzOk;
  } catch (...) {
    return kQzFailed;
  }
}

int32_t dbJDBCSQLRecordSetC::position(int32_t* state) {
  if (state) *state = kDbPositionNone;
  if (!describedCurrent() && (describe() != kQzOk || state_ != kDescribed)) return kQzFailed;
  if (state) *state = atEnd_ ? kDbPositionAtEnd : kDbPositionOnRow;
  return kQzOk;
}

// --- statement and options ------------------------------------------------------------------

int32_t dbJDBCSQLRecordSetC::transaction(const char* name, qzIUnknown** out) {
  if (out) *out = nullptr;
  if (!qzEqualsIgnoringAsciiCase(name, "SQLEXEC")) return kQzFailed;
  try {
    statement_ = qzRef<dbJDBCSQLExecC>::share(new dbJDBCSQLExecC(connection_.get(), false));
    state_ = kAttached;
    if (applyOptions() != kQzOk) return kQzFailed;
    if (!out) return kQzOk;
    int32_t rc = statement_->QueryInterface(&dbiid::kSqlTransaction, reinterpret_cast<void**>(out));
    if (rc != kQzOk) *out = nullptr;
    return rc;
  } catch (...) {
    return kQzFailed;
  }
}

int32_t dbJDBCSQLRecordSetC::applyOptions() {
  if (state_ == kNoStatement || !statement_) return kQzOk;
  if (concurrency_ < kDbConcurReadOnly || concurrency_ > kDbConcurOptimistic) return kQzFailed;
  int32_t type;
  switch (cursorType_) {
    case kDbCursorForwardOnly:
      type = JSQLApi::kForwardOnly;
      break;
    case kDbCursorStatic:
      type = kScrollInsensitive;
      break;
    case kDbCursorKeyset:
    case kDbCursorDynamic:
      type = kScrollSensitive;
      break;
    default:
      return kQzFailed;
  }
  const int32_t concurrency = concurrency_ == kDbConcurReadOnly ? JSQLApi::kReadOnly : kUpdatable;
  connection().session().JSQLCloseStatement(statement_->statement());
  // Rows read ahead of a result that closed with its statement must not be served: the
  // cursor itself would refuse to move. A driver whose result outlives its statement keeps
  // handing out the rows in order, and so does the block.
  if (block_) {
    bool closed = true;
    try {
      closed = statement_->resultSet().isNull() || statement_->resultSet().isClosed();
    } catch (...) {
    }
    if (closed) dropBlock();
  }
  statement_->setResultOptions(type, concurrency);
  return kQzOk;
}

int32_t dbJDBCSQLRecordSetC::option(const qzVariantS* key, const qzVariantS* value) {
  if (!key || !value) return kQzFailed;
  try {
    qzVariantS k(*key), v(*value);
    int32_t keyNumber = 0, valueNumber = 0;
    if (k.type == kVtString) {
      if (!qzEqualsIgnoringAsciiCase(k.text(), kDbOptionEmptyIsNull) ||
          v.getInt(&valueNumber) != kQzOk) {
        return kQzFailed;
      }
      // The next row read (or the next query's first) follows it; the row in the buffers
      // stays as it was read.
      emptyIsNull_ = valueNumber != 0;
      return kQzOk;
    }
    // Nothing is changed by a key or value that is not a number.
    if (k.getInt(&keyNumber) != kQzOk || v.getInt(&valueNumber) != kQzOk) return kQzFailed;
    customOptionKey_ = 0;
    if (keyNumber > kDbOptionLastStandard) {
      // No custom option is known: refused at once, in every state, and without touching the
      // statement, so that it cannot fail a later transaction either.
      customOptionKey_ = keyNumber;
      customOptionValue_ = valueNumber;
      connection().session().JSQLReportError(kLabelCustomOption, nullptr);
      return kQzFailed;
    }
    // The other keys up to the last standard one name no option here: accepted, and the live
    // result is left alone.
    if (keyNumber != kDbOptionCursorType && keyNumber != kDbOptionConcurrency) return kQzOk;
    int32_t& setting = keyNumber == kDbOptionCursorType ? cursorType_ : concurrency_;
    const int32_t old = setting;
    setting = valueNumber;
    if (applyOptions() == kQzOk) return kQzOk;
    setting = old;  // a refused value leaves the one in force
    return kQzFailed;
  } catch (...) {
    return kQzFailed;
  }
}

// --- counting -------------------------------------------------------------------------------

int32_t dbJDBCSQLRecordSetC::count(int32_t* out) {
  if (!out) return kQzFailed;
  *out = -1;
  if (!statement_) return kQzFailed;
  try {
    const long p = dbFindIgnoringCase(statement_->sqlText(), "SELECT");
    if (p < 0 || p >= kCountQueryBound) {
      *out = statement_->updateCount();
      return kQzOk;
    }
    if (describe() != kQzOk) return kQzFailed;
    return countRows(out);
  } catch (...) {
    *out = -1;
    return kQzFailed;
  }
}

int32_t dbJDBCSQLRecordSetC::countRows(int32_t* out) {
  JSQLApi& session = connection().session();
  const std::string text =
      kCountPrefix + withoutTrailingSemicolons(statement_->sqlText()) + kCountSuffix;
  // The count runs on a statement of its own (the session closes the statement it is handed
  // before it prepares a new one), read-only and forward-only whatever the record set's
  // options are: an aggregate is never updatable.
  sql::Statement counter;
  sql::ResultSet rows;
  sql::ResultSetMetaData metaData;
  int32_t savedType = 0, savedConcurrency = 0;
  session.GetResultSetOptions(&savedType, &savedConcurrency);
  session.SetResultSetOptions(JSQLApi::kForwardOnly, JSQLApi::kReadOnly);
  int32_t r = session.JSQLExecQuery(connection().javaConnection(), counter, text.c_str(), rows,
                                    metaData, statement_->utf8(), connection().verbatim());
  session.SetResultSetOptions(savedType, savedConcurrency);
  if (r == JSQLApi::kFailed) {
    session.JSQLReportError(kLabelCount, nullptr);
    session.JSQLCloseStatement(counter);
    return kQzFailed;
  }
  int32_t status = kQzFailed;
  try {
    if (rows.next()) {
      lang::String value = rows.getString(JInt(1));
      if (!value.isNull()) {
        *out = decimalValue(value.getCString());
        status = kQzOk;
      }
    }
  } catch (...) {
  }
  session.JSQLCloseResultSet(rows);
  session.JSQLCloseStatement(counter);
  return status;
}

// --- writing back ---------------------------------------------------------------------------

int32_t dbJDBCSQLRecordSetC::update(qzIUnknown** errOut) {
  if (errOut) *errOut = nullptr;
  try {
    if (!described(errOut)) return kQzFailed;
    return writeRow(errOut);
  } catch (...) {
    return kQzFailed;
  }
}

int32_t dbJDBCSQLRecordSetC::writeRow(qzIUnknown** errOut) {
  std::vector<size_t> changed;
  for (size_t i = 0; i < columns_.size(); ++i) {
    dbJDBCColumnS& c = columns_[i];
    if (c.modified && c.hasBuffer()) changed.push_back(i);
  }
  // Columns nobody set are not sent: what the database holds (a NULL, a value longer than its
  // buffer) stays exactly as it is.
  if (changed.empty()) return kQzOk;
  JSQLApi& session = connection().session();
  if (atEnd_) {
    session.JSQLReportMessage(kLabelUpdate, kNoCurrentRow, errOut);
    return kQzFailed;
  }
  sql::ResultSet& rs = statement_->resultSet();
  try {
    // The cursor stands on the row in the buffers; on a scrollable result it is put there
    // again by number, as the session layer's row updates do.
    if (cursorType_ != kDbCursorForwardOnly && rowPosition_ > 0) rs.absolute(JInt(rowPosition_));
    for (size_t i : changed) {
      rs.updateString(JInt(static_cast<int32_t>(i + 1)), lang::String(columns_[i].pending));
    }
    rs.updateRow();  // one row update: the row is written whole or not at all
  } catch (const std::exception& e) {
    try {
      rs.cancelRowUpdates();
    } catch (...) {
    }
    // What was set stays set, so that an update retried once the cause is mended sends it.
    session.JSQLReportException(kLabelUpdate, e, dbJavaMessage(e).c_str(), errOut);
    return kQzFailed;
  }
  for (size_t i : changed) {
    columns_[i].indicator = columns_[i].length;
    columns_[i].modified = false;
  }
  return kQzOk;
}

// --- the field accessor ---------------------------------------------------------------------

int32_t dbJDBCSQLRecordSetC::collection(int32_t index, qzIUnknown** out) {
  if (out) *out = nullptr;
  if (!out || describe() != kQzOk || index != 1) return kQzFailed;
  try {
    auto fields = qzRef<dbJDBCRecordSetFieldsC>::share(new dbJDBCRecordSetFieldsC(this));
    int32_t rc = fields->QueryInterface(&dbiid::kRecordSetFields, reinterpret_cast<void**>(out));
    if (rc != kQzOk) *out = nullptr;
    return rc;
  } catch (...) {
    return kQzFailed;
  }
}

// --- scriptable members ---------------------------------------------------------------------

namespace {

[[noreturn]] void raise(qzIUnknown* err) {
  qzRef<qzIUnknown> held(err);
  throw proxyExecuteComExceptionC(held.get());
}

void setDispatchResult(qzIUnknown* object, proxyAutoTypeCastC& result) {
  qzRef<qzIUnknown> held(object);
  qzRef<qzIDispatch> d = qzQuery<qzIDispatch>(held.get(), qziid::kDispatch);
  result.setObject(d.get());  // null leaves the result empty
}

}  // namespace

void dbJDBCSQLRecordSetC::scriptCollection(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  const int32_t index = args.getInt(0);
  qzIUnknown* err = nullptr;
  if (state_ != kNoStatement && !described(&err) && err) raise(err);
  qzIUnknown* fields = nullptr;
  if (collection(index, &fields) != kQzOk) fields = nullptr;
  setDispatchResult(fields, result);
}

void dbJDBCSQLRecordSetC::scriptFetch(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  const int32_t mode = args.getInt(0);
  const int32_t offset = args.getInt(1);
  qzIUnknown* err = nullptr;
  if (fetch(mode, offset, &err) != kQzOk) raise(err);
  result.setInt(1);
}

void dbJDBCSQLRecordSetC::scriptUpdate(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  qzIUnknown* err = nullptr;
  if (update(&err) != kQzOk) raise(err);
  result.setInt(1);
}

void dbJDBCSQLRecordSetC::scriptTransaction(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  qzIUnknown* exec = nullptr;
  if (transaction(args.getText(0), &exec) != kQzOk) exec = nullptr;
  setDispatchResult(exec, result);
}

void dbJDBCSQLRecordSetC::scriptCount(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  int32_t n = -1;
  count(&n);
  result.setInt(n);
}

void dbJDBCSQLRecordSetC::scriptOption(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  qzVariantS key = args.get(0).value;
  qzVariantS value = args.get(1).value;
  result.setInt(option(&key, &value) == kQzOk ? 1 : 0);
}

void dbJDBCSQLRecordSetC::scriptEof(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  qzIUnknown* err = nullptr;
  if (state_ != kNoStatement && !described(&err) && err) raise(err);
  int32_t state = 0;
  result.setInt(position(&state) == kQzOk && state == kDbPositionAtEnd ? 1 : 0);
}

// The statement in flight is its SQL execution object's; 0 without one.
void dbJDBCSQLRecordSetC::scriptCancel(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  dbJDBCSQLExecC* exec = statement_.get();
  result.setInt(exec ? exec->cancel() : 0);
}

proxyMethodTableC* dbJDBCSQLRecordSetC::table() {
  using T = dbJDBCSQLRecordSetC;
  return dbTable<T>({
      dbMethod<&T::scriptCollection>("collection", 1),
      dbMethod<&T::scriptFetch>("fetch", 2),
      dbMethod<&T::scriptUpdate>("update", 0),
      dbMethod<&T::scriptTransaction>("transaction", 1),
      dbGet<&T::scriptCount>("Count"),
      dbGet<&T::scriptEof>("Eof"),
      dbMethod<&T::scriptOption>("option", 2),
      dbMethod<&T::scriptCancel>("cancel", 0),
  });
}
