// What the sources of JSQLApi share: the Java proxies they call and the exception guard that
// every operation runs its Java calls in. Not for other folders.
#pragma once

#include <exception>

#include "jbridge/proxy/java_sql.h"
#include "jdbc/jsql_api.h"

namespace qz::jdbc {

namespace lang = jbridge::proxy::java::lang;
namespace sql = jbridge::proxy::java::sql;

inline constexpr char kUnknownFailure[] = "Unknown exception";

template <class Body>
int32_t JSQLApi::guarded(const char* otherMessage, Body&& body) {
  try {
    return body();
  } catch (const sql::SQLException& e) {
    setErrorFromSQLException(e);
  } catch (const std::exception& e) {
    setError(otherMessage ? otherMessage : e.what());
  } catch (...) {
    setError(otherMessage ? otherMessage : kUnknownFailure);
  }
  return kFailed;
}

}  // namespace qz::jdbc
