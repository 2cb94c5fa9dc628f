#include "database/sql_exec.h"

#include "database/database.h"
#include "database/db_object.h"
#include "jdbc/jsql_api.h"

using qz::jdbc::JSQLApi;

dbJDBCSQLExecC::dbJDBCSQLExecC(dbJDBCDatabaseC* connection, bool utf8)
    : dbJDBCTransactionC(table(), connection),
      resultType_(JSQLApi::kForwardOnly),
      resultConcurrency_(JSQLApi::kReadOnly),
      utf8_(utf8) {
  connection->session().SetResultSetOptions(JSQLApi::kForwardOnly, JSQLApi::kReadOnly);
}

dbJDBCSQLExecC::~dbJDBCSQLExecC() {
  // An open statement holds a cursor (and with it locks or server resources) until the
  // connection closes; nobody can reach it once this object is gone.
  try {
    connection().session().JSQLCloseStatement(statement_);
  } catch (...) {
  }
}

int32_t dbJDBCSQLExecC::QueryInterface(const qzIIDS* iid, void** out) {
  if (!iid || !out) return kQzFailed;
  if (qzIIDEqual(*iid, dbiid::kSqlTransaction)) {
    return dbHandOut(static_cast<dbISQLTransaction*>(this), out);
  }
  return dbJDBCTransactionC::QueryInterface(iid, out);
}

const char* dbJDBCSQLExecC::className() {
  return qzReadableTypeName(typeid(dbJDBCSQLExecC));
}

bool dbJDBCSQLExecC::isQuery(const std::string& text) {
  const long p = dbFindIgnoringCase(text, "SELECT");
  return p >= 0 && p < kQueryBound;
}

int32_t dbJDBCSQLExecC::setStatement(const char* sqlText) {
  try {
    sqlText_ = sqlText ? sqlText : "";
    statementSet_ = true;
  } catch (...) {
    return kQzFailed;
  }
  return kQzOk;
}

int32_t dbJDBCSQLExecC::execute(qzIUnknown** errOut) {
  if (errOut) *errOut = nullptr;
  if (!statementSet_) return kQzFailed;
  dbJDBCDatabaseC& c = connection();
  JSQLApi& session = c.session();
  int32_t r;
  const char* sql = sqlText_.c_str();
  if (isQuery(sqlText_)) {
    dbTrace("JSQLExecQuery %s\n", sql);
    session.SetResultSetOptions(resultType_, resultConcurrency_);
    const ResultSet before = resultSet_;
    preparedText_.clear();  // the query replaces the statement
    r = session.JSQLExecQuery(c.javaConnection(), statement_, sql, resultSet_, resultMetaData_,
                              utf8_, c.verbatim());
    updateCount_ = 0;
    // Once per run: the same Java result handed back again is not a new one.
    try {
      if (!resultSet_.isSameObject(before)) ++resultVersion_;
    } catch (...) {
      ++resultVersion_;
    }
    dbTrace("JSQLExecQuery done\n");
  } else {
    dbTrace("JSQLExecUpdate %s\n", sql);
    r = session.JSQLExecUpdate(c.javaConnection(), statement_, sql, &updateCount_, utf8_,
                               c.verbatim(), &preparedText_);
    dbTrace("JSQLExecUpdate %s done\n", sql);
  }
  if (r == JSQLApi::kFailed) {
    if (errOut) session.JSQLReportError("execute", errOut);
    return kQzFailed;
  }
  return kQzOk;
}

void dbJDBCSQLExecC::scriptStatement(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  setStatement(args.getText(0));
  result.setInt(1);
}

proxyMethodTableC* dbJDBCSQLExecC::table() {
  using T = dbJDBCSQLExecC;
  static const proxyMethodRowS rows[] = {
      {"statement", kQzMethod, 1, &dbMember<T, &T::scriptStatement>}};
  static proxyMethodTableC t;
  static const bool built = (addLayer(t, rows, 1), true);
  (void)built;
  return &t;
}
