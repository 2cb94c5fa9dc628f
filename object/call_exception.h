// The call exception object ("QZIEXCEPTION") and calls into other objects that record it.
//
// Thread rule: the module's last call exception slot is swapped atomically; any thread may
// make a recorded call.
//
// Statuses: 0 success, 1 failure (the component convention); the recorded calls return the invoked
// member's own status.
#pragma once

#include <cstdint>
#include <string>

#include "interfaces/qzcom.h"

// A new call exception object with one reference for the caller. inner may be null; it is
// referenced, not adopted.
qzIUnknown* qzCreateCallException(const char* source, const char* description, qzIUnknown* inner);
// The same for a database error: the object also answers "QZISQLERROR" with the driver's SQL
// state and vendor code.
qzIUnknown* qzCreateSqlCallException(const char* source, const char* description, qzIUnknown* inner,
                                     const char* sqlState, int32_t vendorCode);

// The texts of a call exception object (empty when the object is not one).
struct qzExceptionTexts {
  std::string source;
  std::string description;
  std::string sqlState;  // empty unless the object answers "QZISQLERROR"
  int32_t vendorCode = 0;
};
qzExceptionTexts qzReadException(qzIUnknown* exception);

// Releases the module's last call exception, invokes, and keeps a failure's exception
// object as the new last one. 1 for a null dispatch pointer; otherwise invoke's status.
int32_t qzRecordedCall(qzIDispatch* target, const char* name, int32_t kind, int32_t count,
                       const qzVariantS* args, qzVariantS* result);
// The same with one text argument.
int32_t qzRecordedCallText(qzIDispatch* target, const char* name, int32_t kind, qzVariantS* result,
                           const char* text);

// The module's last call exception, with a new reference (null when none).
qzIUnknown* qzLastCallException();
// Releases it and empties the slot (at engine termination).
void qzReleaseLastCallException();
