// The bindings of the database objects' native interfaces, for qz.native.
//
// How to add one: include the interface header, write one function per method that casts the
// interface pointer to the interface class, reads its arguments from NativeArgs, calls the
// slot and puts results into NativeResults (or throws NativeCallError with the error object
// the slot delivered), and list the functions below under the interface's identifier. Build
// the identifier from its text, not from the database library's constants, so that qzhost
// does not link the database library (it reaches those objects only through the engine).
//
// Expected here:
//   "DATABASE.RECORDSET":       option, position (the record set)
//   "DATABASE.RECORDSETFIELDS": setField (the field accessor)
#include <string>

#include "interfaces/record_set.h"
#include "tools/qzhost/native_registry.h"

namespace qz::luahost {

namespace {

dbIRecordSet* recordSet(qzIUnknown* iface) {
  return static_cast<dbIRecordSet*>(iface);
}

dbIRecordSetFields* recordSetFields(qzIUnknown* iface) {
  return static_cast<dbIRecordSetFields*>(iface);
}

// option(key, value): 1 when the record set took the option, 0 when it refused it, as the
// connection's scriptable option answers.
void recordSetOption(qzIUnknown* iface, NativeArgs& args, NativeResults& results) {
  results.pushInt(recordSet(iface)->option(&args.at(0), &args.at(1)) == kQzOk ? 1 : 0);
}

// position(): 2 on a row, 3 past the end, 1 when nothing is described.
void recordSetPosition(qzIUnknown* iface, NativeArgs&, NativeResults& results) {
  int32_t state = kDbPositionNone;
  recordSet(iface)->position(&state);
  results.pushInt(state);
}

// setField(column, code, value): the column by 0-based number or name; only code 3 is taken.
void recordSetFieldsSetField(qzIUnknown* iface, NativeArgs& args, NativeResults&) {
  const int32_t rc = recordSetFields(iface)->setField(&args.at(0), args.toInt(1), &args.at(2));
  if (rc != kQzOk) {
    throw NativeCallError("DATABASE.RECORDSETFIELDS::setField",
                          "failed with status " + std::to_string(rc));
  }
}

}  // namespace

void registerDatabaseBindings() {
  registerNativeInterface("DATABASE.RECORDSET",
                          {{"option", &recordSetOption}, {"position", &recordSetPosition}});
  registerNativeInterface("DATABASE.RECORDSETFIELDS", {{"setField", &recordSetFieldsSetField}});
}

}  // namespace qz::luahost
