#include "database/db_object.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "interfaces/database.h"

#ifndef _WIN32
#include <unistd.h>
#endif

bool dbDebugEnabled() {
#ifdef _WIN32
  // Names are compared ignoring case there: getenv knows how.
  return std::getenv("QZCOM_JDBC_DEBUG") != nullptr;
#else
  // Asked on every statement, so read without getenv, which measures the name and calls
  // strncmp for each variable that starts with its first two bytes (there are several "QZ"
  // ones). The answer is getenv's: the environment is read on each call, so setenv, putenv
  // and unsetenv count at once.
  static constexpr char kSet[] = "QZCOM_JDBC_DEBUG=";
  char** entries = environ;
  if (!entries) return false;  // after clearenv
  for (; *entries; ++entries) {
    const char* e = *entries;
    if (e[0] != 'Q') continue;
    // Stops at the first difference, the end of e included: kSet holds no '\0' before its end.
    std::size_t k = 1;
    while (k < sizeof kSet - 1 && e[k] == kSet[k]) ++k;
    if (k == sizeof kSet - 1) return true;
  }
  return false;
#endif
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
