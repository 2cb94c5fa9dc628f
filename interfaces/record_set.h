// The native interfaces of the record set, its field accessor and the table information
// object: what native callers (and qzhost's bindings) call beside the scriptable members, with
// the constants their arguments and results use. Declarations only, so that a caller needs
// nothing of the database library but these slots.
//
// Like every component interface these are pure virtual slots in a fixed order. Statuses are 0
// for success and 1 for failure; an errOut slot receives a new call exception object (one
// reference for the caller) on failure and may be null.
//
// Thread rule: the objects behind them are used by one thread at a time (their connection's).
#pragma once

#include <cstddef>
#include <cstdint>

#include "interfaces/qzcom.h"

struct qzVariantS;

namespace dbiid {
extern const qzIIDS kRecordSetFields;  // "DATABASE.RECORDSETFIELDS"
extern const qzIIDS kTableInfoRes;     // "DATABASE.TABLEINFORES"
extern const qzIIDS kRecordSetRows;    // "DATABASE.RECORDSETROWS"
}  // namespace dbiid

// "DATABASE.RECORDSET".
class dbIRecordSet : public qzIUnknown {
 public:
  // Index 1: the field accessor, asked for "DATABASE.RECORDSETFIELDS".
  virtual int32_t collection(int32_t index, qzIUnknown** out) = 0;               // slot 3
  virtual int32_t fetch(int32_t mode, int32_t offset, qzIUnknown** errOut) = 0;  // slot 4
  // "SQLEXEC" (any case): a new SQL execution object, asked for "DATABASE.SQLTRANSACTION".
  virtual int32_t transaction(const char* name, qzIUnknown** out) = 0;  // slot 5
  // Rows of the query, or the update count of an update; -1 when it cannot be counted.
  virtual int32_t count(int32_t* out) = 0;                                     // slot 6
  virtual int32_t update(qzIUnknown** errOut) = 0;                             // slot 7
  virtual int32_t option(const qzVariantS* key, const qzVariantS* value) = 0;  // slot 8
  // kDbPositionOnRow, kDbPositionAtEnd; kDbPositionNone (and status 1) when nothing is
  // described.
  virtual int32_t position(int32_t* state) = 0;  // slot 9

 protected:
  ~dbIRecordSet() = default;
};

// Position states.
constexpr int32_t kDbPositionNone = 1;
constexpr int32_t kDbPositionOnRow = 2;
constexpr int32_t kDbPositionAtEnd = 3;

// Numeric option keys: 1 and 2 below; keys up to kDbOptionLastStandard name nothing and are
// accepted, keys above it are custom options (none is known, so they are refused). The text
// key "EMPTYISNULL" is the only one by name.
constexpr int32_t kDbOptionCursorType = 1;
constexpr int32_t kDbOptionConcurrency = 2;
constexpr int32_t kDbOptionLastStandard = 255;
constexpr char kDbOptionEmptyIsNull[] = "EMPTYISNULL";

// Cursor types (the values of kDbOptionCursorType).
constexpr int32_t kDbCursorForwardOnly = 1;
constexpr int32_t kDbCursorStatic = 2;   // scroll-insensitive
constexpr int32_t kDbCursorKeyset = 3;   // scroll-sensitive
constexpr int32_t kDbCursorDynamic = 4;  // scroll-sensitive

// Concurrency (the values of kDbOptionConcurrency).
constexpr int32_t kDbConcurReadOnly = 1;
constexpr int32_t kDbConcurLock = 2;        // updatable
constexpr int32_t kDbConcurOptimistic = 3;  // updatable

// Fetch modes.
constexpr int32_t kDbFetchAbsolute = 1;  // offset counts rows from 0
constexpr int32_t kDbFetchRelative = 2;
constexpr int32_t kDbFetchNext = 3;
constexpr int32_t kDbFetchPrevious = 4;
constexpr int32_t kDbFetchFirst = 5;
constexpr int32_t kDbFetchLast = 6;

// "DATABASE.RECORDSETFIELDS".
class dbIRecordSetFields : public qzIUnknown {
 public:
  // The record set's column count, without describing first; always 0.
  virtual int32_t count(int32_t* out) = 0;  // slot 3
  // Codes: 1 name, 2 value kind, 3 value (empty for NULL), 4 indicator; others leave out as it
  // is and succeed.
  virtual int32_t getField(const qzVariantS* column, int32_t code, qzVariantS* out) = 0;  // 4
  // Only code 3, on text, integer and floating-point columns.
  virtual int32_t setField(const qzVariantS* column, int32_t code,
                           const qzVariantS* value) = 0;  // slot 5

 protected:
  ~dbIRecordSetFields() = default;
};

// Where dbIRecordSetRows hands its rows, value by value; the caller's. Each row is beginRow, one
// call per column in order, endRow. A call may run code of the caller's that uses the record set
// (the Lua host's collector runs finalizers): the field accessor trusts nothing across one.
class dbIRowSink {
 public:
  virtual void beginRow(int32_t columns) = 0;
  // A text value, borrowed for the call alone: what a variant string of it would hold.
  virtual void text(const char* s, size_t length) = 0;
  // Any other value (undef for NULL); the sink may take what v holds (an object's reference).
  virtual void value(qzVariantS& v) = 0;
  virtual void endRow() = 0;

 protected:
  ~dbIRowSink() = default;
};

// "DATABASE.RECORDSETROWS", answered by the field accessor: its script members Rows(most, code)
// and Row(code) without an array and a string per value. For a caller that turns the values into
// its own at once (the Lua host).
class dbIRecordSetRows : public qzIUnknown {
 public:
  // The rows Rows(most, code) reads go to sink; *handed is their count, or -1 where Rows answers
  // nothing (no description). On failure (status 1) errOut receives the call exception the
  // script call of Rows named `name` raises; the rows handed before it are lost with it, as
  // are Rows's.
  virtual int32_t rows(const char* name, int32_t most, int32_t code, dbIRowSink* sink,
                       int32_t* handed, qzIUnknown** errOut) = 0;  // slot 3
  // Row(code) the same way: the current row to sink, *handed 1, or -1 where Row answers
  // nothing.
  virtual int32_t currentRow(const char* name, int32_t code, dbIRowSink* sink, int32_t* handed,
                             qzIUnknown** errOut) = 0;  // slot 4

 protected:
  ~dbIRecordSetRows() = default;
};

// Field codes.
constexpr int32_t kDbFieldName = 1;
constexpr int32_t kDbFieldKind = 2;
constexpr int32_t kDbFieldValue = 3;
constexpr int32_t kDbFieldIndicator = 4;

// "DATABASE.TABLEINFOTRANS".
class dbITableInfoTrans : public qzIUnknown {
 public:
  virtual int32_t execute(qzIUnknown** errOut) = 0;    // slot 3, as DATABASE.TRANSACTION
  virtual int32_t setTableName(const char* text) = 0;  // slot 4: always 0
  virtual int32_t getResult(qzIUnknown** out) = 0;     // slot 5: "DATABASE.TABLEINFORES"

 protected:
  ~dbITableInfoTrans() = default;
};

// "DATABASE.TABLEINFORES". Statuses 0 success, 1 for a code or column that has no answer.
class dbITableInfoRes : public qzIUnknown {
 public:
  // 1 table name, 2 catalog, 3 schema, as text.
  virtual int32_t tableinfo(const qzVariantS* code, qzVariantS* out) = 0;  // slot 3
  virtual int32_t countColumns(int32_t* out) = 0;                          // slot 4: always 0
  // column: a 0-based index or a name (ignoring case). Codes 1 name, 2 value kind,
  // 3 position from 0, 4 remarks, 5 key role, 6 JDBC type, 7 size, 8 key flags.
  virtual int32_t columnInfo(const qzVariantS* column, const qzVariantS* code,
                             qzVariantS* out) = 0;  // slot 5

 protected:
  ~dbITableInfoRes() = default;
};

// Key roles and flags of a column.
constexpr int32_t kDbKeyRoleLost = 0;  // the key information could not be read
constexpr int32_t kDbKeyRolePlain = 1;
constexpr int32_t kDbKeyRolePrimary = 2;
constexpr int32_t kDbKeyRoleForeign = 3;
constexpr int32_t kDbKeyFlagPrimary = 1;
constexpr int32_t kDbKeyFlagForeign = 2;
