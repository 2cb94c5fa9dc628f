// The record set ("RECORDSET"): the cursor over the result of a query. A script attaches an SQL
// execution object with transaction("SQLEXEC"), runs its statement, and then walks the rows with
// fetch, asks Eof and Count, reads and sets fields through the accessor of collection(1)
// (record_fields.h) and writes a changed row back with update.
//
// Every column of the result has one text buffer, sized once per describe from the column's
// JDBC type and display size and reused for every row; the session layer copies each row's
// values into them as text. The first use after a query describes the result and loads its
// first row, so a script reads the fields first and fetches afterwards. A new result under the
// same SQL execution object (it ran again) is described anew at its first use.
//
// Thread rule: that of the connection (one thread at a time); "cancel" may come from any thread
// while its SQL execution object runs. Ownership: holds counted
// references to its connection and to its SQL execution object; owns its columns. Interfaces
// handed out carry one reference for the receiver.
//
// Statuses: 0 success, 1 failure (the component convention). Script values differ: fetch and update
// answer 1, option 1 when taken and 0 when refused, Eof 1 past the end.
#pragma once

#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "database/db_object.h"
#include "database/sql_exec.h"
#include "interfaces/database.h"
#include "interfaces/record_set.h"
#include "jbridge/proxy/sql_result_set.h"
#include "object/com_ref.h"
#include "object/proxy_object.h"

namespace qz::jdbc {
class RowBlockReader;
}

class dbJDBCDatabaseC;
class dbJDBCSQLExecC;

// Normalised JDBC types of the columns that have a buffer.
constexpr int32_t kDbSqlChar = 1;
constexpr int32_t kDbSqlInteger = 4;
constexpr int32_t kDbSqlDouble = 8;
constexpr int32_t kDbSqlDate = 91;
constexpr int32_t kDbSqlTime = 92;
constexpr int32_t kDbSqlTimestamp = 93;

// The indicator of an SQL NULL (and of the empty text, which the session layer reports alike).
constexpr int32_t kDbNullIndicator = -1;

// Buffers hold at most this many bytes of a value (and a terminator).
constexpr int32_t kDbMaxColumnBuffer = 8192;
// Column names keep at most this many bytes.
constexpr int32_t kDbMaxColumnName = 127;

// How a column of a JDBC type and display size is held: its value kind (0: no buffer), the
// normalised type and the buffer's capacity in bytes.
struct dbColumnMappingS {
  int32_t cType = 0;
  int32_t sqlType = 0;
  int32_t capacity = 0;
};

// The built-in mapping of a JDBC type code (also the value kind of table information).
dbColumnMappingS dbDefaultColumnMapping(int32_t jdbcType, int32_t displaySize);
// The mapping for a value kind a system type map chose; cType 0 for a kind it does not know.
dbColumnMappingS dbKindColumnMapping(int32_t kind, int32_t jdbcType, int32_t displaySize);

// One result column.
struct dbJDBCColumnS {
  std::string name;          // the column label, at most kDbMaxColumnName bytes
  std::vector<char> buffer;  // capacity + 1 bytes, the last always 0; empty without a buffer
  int32_t capacity = 0;
  int32_t length = 0;  // length of the text setField stored, else 0
  int32_t used = 0;    // the buffer's first bytes that may be non-zero; the rest are zero
  int32_t cType = 0;
  int32_t sqlType = 0;
  int32_t indicator = kDbNullIndicator;  // -1 for NULL, else the length the session reported
  bool modified = false;                 // set by setField, cleared by fetch and update
  bool cut = false;                      // the buffer holds less than the whole value
  std::string pending;                   // the whole value setField stored, for update
  // A block's row lends the value instead of copying it into the buffer (whose bytes stay as
  // they were): `lentSize` bytes and a 0, valid until the record set moves. Null when the
  // buffer holds the value.
  const char* lent = nullptr;
  int32_t lentSize = 0;

  bool hasBuffer() const { return cType != 0 && !buffer.empty(); }
  const char* text() const { return lent ? lent : buffer.empty() ? "" : buffer.data(); }
  // The text ends here at the latest.
  size_t textBound() const {
    return lent ? static_cast<size_t>(lentSize)
                : std::min(static_cast<size_t>(std::max(used, 0)), buffer.size());
  }
};

class dbJDBCSQLRecordSetC final
    : public dbObjectT<dbJDBCSQLRecordSetC, proxyObjectC, dbIRecordSet, dbiid::kRecordSet> {
 public:
  // Record set states.
  static constexpr int32_t kNoStatement = 0;
  static constexpr int32_t kAttached = 1;
  static constexpr int32_t kDescribed = 2;

  explicit dbJDBCSQLRecordSetC(dbJDBCDatabaseC* connection);
  ~dbJDBCSQLRecordSetC() override;

  int32_t collection(int32_t index, qzIUnknown** out) override;
  int32_t fetch(int32_t mode, int32_t offset, qzIUnknown** errOut) override;
  int32_t transaction(const char* name, qzIUnknown** out) override;
  int32_t count(int32_t* out) override;
  int32_t update(qzIUnknown** errOut) override;
  int32_t option(const qzVariantS* key, const qzVariantS* value) override;
  int32_t position(int32_t* state) override;

  // Describes the statement's result unless the description is of that very result: 0 when
  // the columns are known, 1 without a statement or a result.
  int32_t describe();
  // What describe() answers 0 for with nothing to do: the description is of the current
  // result, and its first row was read. Inline for the reads of a walk.
  bool describedCurrent() const {
    return state_ == kDescribed && statement_ && !firstRowError_ &&
           describedVersion_ == statement_->resultVersion();
  }

  // For the field accessor and for tests.
  int32_t state() const { return state_; }
  bool atEnd() const { return atEnd_; }
  int32_t columnCount() const { return static_cast<int32_t>(columns_.size()); }
  dbJDBCColumnS& column(int32_t i) { return columns_[static_cast<size_t>(i)]; }
  const dbJDBCColumnS& column(int32_t i) const { return columns_[static_cast<size_t>(i)]; }
  int32_t cursorType() const { return cursorType_; }
  int32_t concurrency() const { return concurrency_; }
  // The 1-based position of the row in the buffers, as the cursor reported it (0: unknown).
  int32_t rowPosition() const { return rowPosition_; }
  dbJDBCSQLExecC* statement() const { return statement_.get(); }
  // False under option("EMPTYISNULL", 0): the empty text then reads as itself, apart from SQL
  // NULL, in the buffers, the indicator and every Field read.
  bool emptyIsNull() const { return emptyIsNull_; }
  // The whole value of column i (0-based) of the current row, read again from the result
  // whatever its length; isNull for SQL NULL. 1 with an error object in errOut on failure.
  int32_t fullText(int32_t i, std::string* text, bool* isNull, qzIUnknown** errOut);

 private:
  using ResultSet = jbridge::proxy::java::sql::ResultSet;

  dbScriptFn scriptCollection, scriptFetch, scriptUpdate, scriptTransaction, scriptCount, scriptEof,
      scriptOption, scriptCancel;
  static proxyMethodTableC* table();

  int32_t describeColumns();
  // describe(), with the first row's failure (if that is why) handed to errOut.
  bool described(qzIUnknown** errOut);
  // Makes the cursor type and concurrency those of the statement's next query; 1 for values
  // that name none.
  int32_t applyOptions();
  // Copies the current row into the buffers; 1 at the first column the session cannot read.
  int32_t loadRow();
  // Resets every column and copies the block's current row into the buffers.
  void loadBlockRow();
  // The next row, from the block reader: true on a row. Throws as the cursor's move would.
  bool nextFromBlock();
  // A forward-only, read-only result is read in blocks when the VM has the reader.
  void startBlocks(ResultSet& rs);
  // Resets every column and zeroes its buffer for the next row.
  void clearBuffers();
  // Ends the block reading; the row's values it lent are copied into the buffers first.
  void dropBlock();
  // Moves the cursor; true when it stands on a row afterwards.
  bool move(ResultSet& rs, int32_t mode, int32_t offset);
  void notePosition(ResultSet& rs);
  int32_t countRows(int32_t* out);
  int32_t writeRow(qzIUnknown** errOut);
  dbJDBCDatabaseC& connection() const { return *connection_.get(); }

  qzRef<dbJDBCDatabaseC> connection_;
  qzRef<dbJDBCSQLExecC> statement_;
  int32_t state_ = kNoStatement;
  std::vector<dbJDBCColumnS> columns_;
  bool atEnd_ = false;
  int32_t cursorType_ = kDbCursorForwardOnly;
  int32_t concurrency_ = kDbConcurReadOnly;
  int32_t customOptionKey_ = 0;  // the last refused key above kDbOptionLastStandard
  int32_t customOptionValue_ = 0;
  // The result the columns describe (its version under the statement): a new one is
  // described again.
  uint64_t describedVersion_ = 0;
  int32_t rowPosition_ = 0;
  bool emptyIsNull_;
  // The block reader of a forward-only, read-only result; null when rows are read one by
  // one. blockRow_: the row in the buffers came from it (else from the cursor itself).
  std::unique_ptr<qz::jdbc::RowBlockReader> block_;
  bool blockRow_ = false;
  // Why the described result's first row could not be read; every later use reports it until
  // a new result is described.
  qzRef<qzIUnknown> firstRowError_;
};

// What a Java exception (or any other) says: the Java getMessage text, else what().
std::string dbJavaMessage(const std::exception& e);

// For the connection's createObject("RECORDSET"): declared in database/children.h.
