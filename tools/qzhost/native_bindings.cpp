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
#include "tools/qzhost/native_registry.h"

namespace qz::luahost {

void registerDatabaseBindings() {}

}  // namespace qz::luahost
