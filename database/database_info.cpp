#include "database/database_info.h"

#include <algorithm>
#include <cstring>

#include "database/class_factory.h"
#include "database/database.h"
#include "database/db_object.h"
#include "jdbc/jsql_api.h"

namespace {

using qz::jdbc::JSQLApi;

constexpr int32_t kBufferSize = 1024;
constexpr char kInfoSource[] = "db com server";

// Runs one text query of the session layer into a zero-filled buffer, traces and stores it.
template <class Query>
int32_t readText(qzVariantS* out, const char* trace, Query&& query) {
  try {
    char buffer[kBufferSize] = {};
    if (query(buffer, kBufferSize - 1) != JSQLApi::kOk) return kQzFailed;
    dbTrace(trace, buffer);
    if (out) out->setString(buffer);
    return kQzOk;
  } catch (...) {
    return kQzFailed;
  }
}

// A text of the product: 1 unless the connection is open, as it comes from its metadata.
using ProductQuery = int32_t (JSQLApi::*)(JSQLApi::DatabaseMetaData& metaData, char* buffer,
                                          int32_t size);
int32_t readProduct(dbJDBCDatabaseC& c, qzVariantS* out, const char* trace, ProductQuery query) {
  if (!c.connected()) return kQzFailed;
  return readText(out, trace, [&](char* buffer, int32_t size) {
    return (c.session().*query)(c.metaData(), buffer, size);
  });
}

void textOrThrow(int32_t status, const qzVariantS& v, proxyAutoTypeCastC& result,
                 const char* message) {
  if (status != kQzOk || v.type != kVtString) throw proxyExecuteExceptionC(message, kInfoSource);
  result.value = v;
}

}  // namespace

dbJDBCDatabaseInfoC::dbJDBCDatabaseInfoC(dbJDBCDatabaseC* connection)
    : dbObjectT(table()), connection_(qzRef<dbJDBCDatabaseC>::share(connection)) {}

dbJDBCDatabaseInfoC::~dbJDBCDatabaseInfoC() = default;

int32_t dbJDBCDatabaseInfoC::getDatabaseName(qzVariantS* out) {
  dbJDBCDatabaseC& c = *connection_.get();
  if (c.dataSource().empty()) return kQzFailed;
  return readText(out, "dbname -> %s\n", [&](char* buffer, int32_t size) {
    return c.session().JSQLGetServerDB(c.dataSource().c_str(), buffer, size);
  });
}

int32_t dbJDBCDatabaseInfoC::getDbmsName(qzVariantS* out) {
  return readProduct(*connection_.get(), out, "dbsname -> %s\n",
                     &JSQLApi::JSQLGetDatabaseProductName);
}

int32_t dbJDBCDatabaseInfoC::getDbmsVersion(qzVariantS* out) {
  return readProduct(*connection_.get(), out, "dbsversion -> %s\n",
                     &JSQLApi::JSQLGetDatabaseProductVersion);
}

int32_t dbJDBCDatabaseInfoC::getConnectionState(int32_t* out) {
  int32_t state = 0;
  int32_t status = kQzFailed;
  try {
    int32_t closed = -1;
    dbJDBCDatabaseC& c = *connection_.get();
    if (c.session().JSQLIsClosed(c.javaConnection(), &closed) == JSQLApi::kOk) {
      state = closed == 0 ? 1 : closed == 1 ? 2 : 0;
      status = kQzOk;
    }
  } catch (...) {
    status = kQzFailed;
  }
  if (out) *out = status == kQzOk ? state : 0;
  return status;
}

int32_t dbJDBCDatabaseInfoC::getClassId(char* buffer, int32_t size) {
  if (!buffer || size <= 0) return kQzOk;
  const size_t n = std::min(std::strlen(kDbJdbcClass), static_cast<size_t>(size - 1));
  std::memcpy(buffer, kDbJdbcClass, n);
  buffer[n] = '\0';
  return kQzOk;
}

void dbJDBCDatabaseInfoC::scriptDatabaseName(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  qzVariantS v;
  textOrThrow(getDatabaseName(&v), v, result, "cant read database name");
}

void dbJDBCDatabaseInfoC::scriptDbmsName(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  qzVariantS v;
  textOrThrow(getDbmsName(&v), v, result, "cant read dbms name");
}

void dbJDBCDatabaseInfoC::scriptDbmsVersion(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  qzVariantS v;
  textOrThrow(getDbmsVersion(&v), v, result, "cant read dbms version");
}

void dbJDBCDatabaseInfoC::scriptClassId(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  char buffer[64];
  getClassId(buffer, sizeof buffer);
  result.setString(buffer);
}

void dbJDBCDatabaseInfoC::scriptConnectionState(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  int32_t state = 0;
  if (getConnectionState(&state) != kQzOk) state = 0;
  result.setInt(state);
}

proxyMethodTableC* dbJDBCDatabaseInfoC::table() {
  using T = dbJDBCDatabaseInfoC;
  return dbTable<T>({
      dbGet<&T::scriptDatabaseName>("databasename"),
      dbGet<&T::scriptDbmsName>("dbmsname"),
      dbGet<&T::scriptDbmsVersion>("dbmsversion"),
      dbGet<&T::scriptClassId>("dbiid"),
      dbGet<&T::scriptConnectionState>("connectionState"),
  });
}
