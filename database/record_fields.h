// The field accessor of a record set (its collection(1)): the current row's values, addressed
// by 0-based column number or by column name (ignoring case), as name, value kind, value or
// indicator; and setField, which stages a new value for the record set's update.
//
// Values arrive in the record set's buffers as text and are turned into what the column's type
// says only when read: an integer, a floating-point number, the text itself, or a new date,
// time or timestamp value object (date_time.h). Field never raises: whatever cannot be read
// leaves the result empty.
//
// Thread rule: that of the record set. Ownership: holds one counted reference to the record
// set, nothing else, so it always shows the record set's current row.
//
// Statuses: 0 success, 1 failure (the component convention).
#pragma once

#include <cstdint>

#include "database/db_object.h"
#include "interfaces/record_set.h"
#include "object/com_ref.h"
#include "object/proxy_object.h"

class dbJDBCSQLRecordSetC;
struct dbJDBCColumnS;

class dbJDBCRecordSetFieldsC final : public dbObjectT<dbJDBCRecordSetFieldsC, proxyObjectC,
                                                      dbIRecordSetFields, dbiid::kRecordSetFields>,
                                     public dbIRecordSetRows {
 public:
  // REQUIRES: recordSet is not null.
  explicit dbJDBCRecordSetFieldsC(dbJDBCSQLRecordSetC* recordSet);
  ~dbJDBCRecordSetFieldsC() override;

  int32_t QueryInterface(const qzIIDS* iid, void** out) override;
  int32_t AddRef() override { return proxyObjectC::AddRef(); }
  int32_t Release() override { return proxyObjectC::Release(); }

  int32_t count(int32_t* out) override;
  int32_t getField(const qzVariantS* column, int32_t code, qzVariantS* out) override;
  int32_t setField(const qzVariantS* column, int32_t code, const qzVariantS* value) override;
  int32_t rows(const char* name, int32_t most, int32_t code, dbIRowSink* sink, int32_t* handed,
               qzIUnknown** errOut) override;
  int32_t currentRow(const char* name, int32_t code, dbIRowSink* sink, int32_t* handed,
                     qzIUnknown** errOut) override;

  // The value of a column's buffer as its type reads: 0, or 1 when it has no reading.
  static int32_t valueOf(const dbJDBCColumnS& column, qzVariantS* out);

 private:
  // FullText(column): the whole value of any length and type, read again from the current
  // row; empty for NULL. Cut(column): 1 when Field's text holds less than the whole value.
  // Row(code): what Field(c, code) reads for every column c, as one array (index 0 first);
  // empty when nothing is described.
  // Rows(n, code): up to n rows from the current one on, each as Row(code) reads it, moving
  // the record set past each as fetch(3, 0) does; fewer at the end, an empty array at Eof. A
  // failed move is raised as fetch raises it, the rows read before it lost with the call.
  dbScriptFn scriptField, scriptCount, scriptFullText, scriptCut, scriptRow, scriptRows;
  static proxyMethodTableC* table();

  // What Field(column, code) reads; throws as Field does for a value that cannot be read.
  void fieldValue(const qzVariantS& column, int32_t code, qzVariantS* out);
  // The same for the column at a valid index of the described record set.
  void fieldValueAt(int32_t index, int32_t code, qzVariantS* out);
  // getField of the column at a valid index.
  int32_t fieldAt(int32_t index, int32_t code, qzVariantS* out);
  // Row(code) of the current row of the described record set.
  qzVariantArrayC* row(int32_t code);
  // Column i's value of code as Row(code) reads it into out.
  void cellValue(int32_t i, int32_t code, qzVariantS* out);
  // The same, handed to sink.
  void rowTo(dbIRowSink* sink, int32_t code);
  // A rows-interface call: *handed what hand() answers, or -1 without a description; a failure
  // as the script member `name` raises it.
  template <class Hand>
  int32_t toSink(const char* name, dbIRowSink* sink, int32_t* handed, qzIUnknown** errOut,
                 Hand hand);
  // Rows's walk of up to most rows of the described record set, each given to read before the
  // move past it; the count read. Throws as Rows raises.
  template <class Read>
  int32_t walkRows(int32_t most, Read read);

  // find() of the script's first argument, symbol references resolved.
  bool columnArgument(proxyAutoParaListC& args, int32_t* index);
  // The 0-based index the column argument addresses in the described record set; 1 when none.
  int32_t find(const qzVariantS* column, int32_t* index);

  qzRef<dbJDBCSQLRecordSetC> recordSet_;
};
