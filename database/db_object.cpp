#include "database/db_object.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "interfaces/database.h"
#include "platform/environment.h"

bool dbDebugEnabled() {
  // Asked on every statement, and read from the environment each time, so that a switch set
  // or cleared while the process runs counts at once.
  return qz::platform::environmentVariableSet("QZCOM_JDBC_DEBUG");
}

void dbTrace(const char* format, ...) {
  if (!dbDebugEnabled()) return;
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fflush(stdout);
}

void dbResolveSymbolRefs(qzVariantS& value) {
  for (int depth = 0; value.type == kVtObject; ++depth) {
    qzRef<qzISymbolRef> ref = qzQuery<qzISymbolRef>(value.value.o, dbiid::kSymbolRef);
    if (!ref) return;
    value.clear();
    if (depth == kMaxSymbolRefDepth) return;
    ref->getValue(&value);
  }
}

long dbFindIgnoringCase(const std::string& text, const char* needle) {
  const std::string_view haystack(text);
  for (size_t i = 0; i <= haystack.size(); ++i) {
    if (qzStartsWithIgnoringAsciiCase(haystack.substr(i), needle)) return static_cast<long>(i);
  }
  return -1;
}
