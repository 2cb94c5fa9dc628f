#include "database/db_object.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "interfaces/database.h"

namespace dbiid {
const qzIIDS kDatabase = qzMakeIID("DATABASE.DATABASEI");
const qzIIDS kTransaction = qzMakeIID("DATABASE.TRANSACTION");
const qzIIDS kSqlTransaction = qzMakeIID("DATABASE.SQLTRANSACTION");
const qzIIDS kDatabaseInfo = qzMakeIID("DATABASE.DATABASEINFO");
const qzIIDS kSysTypeMap = qzMakeIID("DATABASE.SYSTYPEMAP");
const qzIIDS kRecordSet = qzMakeIID("DATABASE.RECORDSET");
const qzIIDS kTableInfoTrans = qzMakeIID("DATABASE.TABLEINFOTRANS");
const qzIIDS kSymbolRef = qzMakeIID("QZSCR.SYMBOLREF");
}  // namespace dbiid

namespace {

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool dbDebugEnabled() {
  return std::getenv("QZCOM_JDBC_DEBUG") != nullptr;
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

bool dbEqualsIgnoringCase(const char* a, const char* b) {
  if (!a || !b) return false;
  for (; *a && *b; ++a, ++b) {
    if (lowerAscii(*a) != lowerAscii(*b)) return false;
  }
  return *a == *b;
}

long dbFindIgnoringCase(const std::string& text, const char* needle) {
  const size_t n = std::char_traits<char>::length(needle);
  if (n > text.size()) return -1;
  for (size_t i = 0; i + n <= text.size(); ++i) {
    size_t k = 0;
    while (k < n && lowerAscii(text[i + k]) == lowerAscii(needle[k])) ++k;
    if (k == n) return static_cast<long>(i);
  }
  return -1;
}
