#include "database/sql_exec.h"

#include "database/database.h"
#include "database/db_object.h"
#include "jbridge/proxy/java_sql.h"
#include "jdbc/jsql_api.h"
#include "jdbc/sql_literals.h"

using qz::jdbc::JSQLApi;
namespace lang = jbridge::proxy::java::lang;
namespace sql = jbridge::proxy::java::sql;

dbJDBCSQLExecC::dbJDBCSQLExecC(dbJDBCDatabaseC* connection, bool utf8)
    : dbObjectT(table(), connection),
      resultType_(JSQLApi::kForwardOnly),
      resultConcurrency_(JSQLApi::kReadOnly),
      utf8_(utf8) {
  connection->session().SetResultSetOptions(JSQLApi::kForwardOnly, JSQLApi::kReadOnly);
}

dbJDBCSQLExecC::~dbJDBCSQLExecC() {
  std::lock_guard<std::mutex> lock(cancelMutex_);
  // An open statement holds a cursor (and with it locks or server resources) until the
  // connection closes; nobody can reach it once this object is gone.
  try {
    connection().session().JSQLCloseStatement(statement_);
  } catch (...) {
  }
}

bool dbJDBCSQLExecC::isQuery(const std::string& text) {
  // Only the first kQueryBound positions can answer: the rest of the text is not searched.
  const std::string_view view(text);
  for (long i = 0; i < kQueryBound && static_cast<size_t>(i) < view.size(); ++i) {
    // Only an 's' or 'S' (the two bytes that OR 0x20 makes 's') can start the word.
    if ((static_cast<unsigned char>(view[static_cast<size_t>(i)]) | 0x20) != 's') continue;
    if (qzStartsWithIgnoringAsciiCase(view.substr(static_cast<size_t>(i)), "SELECT")) return true;
  }
  return false;
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

namespace {

// The statement as the trace shows it: without the passwords it may set.
std::string traced(const std::string& sql) {
  return dbDebugEnabled() ? qz::jdbc::hidePasswordLiterals(sql) : std::string();
}

}  // namespace

int32_t dbJDBCSQLExecC::execute(qzIUnknown** errOut) {
  if (errOut) *errOut = nullptr;
  if (!statementSet_) return kQzFailed;
  dbJDBCDatabaseC& c = connection();
  JSQLApi& session = c.session();
  int32_t r;
  const char* sql = sqlText_.c_str();
  // The run below writes statement_ once, from null to the new statement, and deletes no
  // reference unlocked: cancel may then read it from another thread. The old one goes here,
  // where cancel waits for the lock, unless the update runs on it again (and finds it closed:
  // then the update replaces it under the lock too).
  const bool query = isQuery(sqlText_);
  // Asked once per run: each ask reads the environment.
  const bool debug = dbDebugEnabled();
  // An update's text is split once, for this choice and for the run.
  if (!query) JSQLApi::JSQLSplitText(sql, c.verbatim(), &kept_, &split_);
  const bool reuse = !query && JSQLApi::JSQLWouldReuse(split_, kept_);
  {
    std::lock_guard<std::mutex> lock(cancelMutex_);
    if (!reuse) {
      session.JSQLCloseStatement(statement_);
      statement_ = Statement();
      kept_.clear();
    }
    running_ = true;
  }
  struct Finished {
    dbJDBCSQLExecC* self;
    ~Finished() {
      std::lock_guard<std::mutex> lock(self->cancelMutex_);
      self->running_ = false;
    }
  } finished{this};
  if (query) {
    if (debug) dbTrace("JSQLExecQuery %s\n", traced(sqlText_).c_str());
    session.SetResultSetOptions(resultType_, resultConcurrency_);
    const ResultSet before = resultSet_;
    kept_.clear();  // the query replaces the statement
    r = session.JSQLExecQuery(c.javaConnection(), statement_, sql, resultSet_, resultMetaData_,
                              utf8_, c.verbatim());
    updateCount_ = 0;
    // Once per run: the same Java result handed back again is not a new one.
    try {
      if (!resultSet_.isSameObject(before)) ++resultVersion_;
    } catch (...) {
      ++resultVersion_;
    }
    if (debug) dbTrace("JSQLExecQuery done\n");
  } else {
    if (debug) dbTrace("JSQLExecUpdate %s\n", traced(sqlText_).c_str());
    r = session.JSQLExecUpdate(c.javaConnection(), statement_, sql, &updateCount_, utf8_,
                               c.verbatim(), &kept_, &split_, &cancelMutex_);
    if (debug) dbTrace("JSQLExecUpdate %s done\n", traced(sqlText_).c_str());
  }
  lastError_.reset();
  if (r == JSQLApi::kFailed) {
    session.JSQLReportError("execute", lastError_.out());
    if (errOut && lastError_) {
      lastError_->AddRef();
      *errOut = lastError_.get();
    }
    return kQzFailed;
  }
  return kQzOk;
}

int32_t dbJDBCSQLExecC::cancel() {
  std::lock_guard<std::mutex> lock(cancelMutex_);
  if (!running_) return 0;
  // The pointer is written once during the run (aligned, so never seen half-written) and
  // deleted only under the lock: null here means the driver has not made the statement yet.
  const jobject ref = statement_.getJniObject();
  if (!ref) return 0;
  try {
    Statement(ref).cancel();
  } catch (const std::exception& e) {
    throw proxyExecuteExceptionC(e.what(), "ZIRUV:cancel");
  } catch (...) {
    throw proxyExecuteExceptionC("the driver could not cancel the statement", "ZIRUV:cancel");
  }
  return 1;
}

void dbJDBCSQLExecC::scriptCancel(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(cancel());
}

void dbJDBCSQLExecC::scriptColumnType(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  const int32_t column = args.getInt(0);
  JSQLApi& session = connection().session();
  int32_t type = 0;
  if (resultMetaData_.isNull()) {
    throw proxyExecuteExceptionC("no query result to describe", "ZIRUV:columnType");
  }
  if (session.JSQLDescribeColumn(resultMetaData_, column + 1, nullptr, 0, nullptr, &type, nullptr,
                                 nullptr, nullptr) != JSQLApi::kOk) {
    qzIUnknown* err = nullptr;
    session.JSQLReportError("columnType", &err);
    qzRef<qzIUnknown> held(err);
    throw proxyExecuteComExceptionC(held.get());
  }
  result.setInt(type);
}

void dbJDBCSQLExecC::scriptColumnInfo(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  const int32_t column = args.getInt(0);
  const std::string what = args.getText(1);
  if (resultMetaData_.isNull()) {
    throw proxyExecuteExceptionC("no query result to describe", "ZIRUV:columnInfo");
  }
  try {
    const jbridge::proxy::JInt index(column + 1);
    if (qzEqualsIgnoringAsciiCase(what.c_str(), "precision")) {
      result.setInt(resultMetaData_.getPrecision(index));
    } else if (qzEqualsIgnoringAsciiCase(what.c_str(), "scale")) {
      result.setInt(resultMetaData_.getScale(index));
    } else if (qzEqualsIgnoringAsciiCase(what.c_str(), "typename")) {
      result.setString(resultMetaData_.getColumnTypeName(index).toUtf8());
    } else {
      throw proxyExecuteExceptionC(
          "columnInfo takes precision, scale or typename, not \"" + what + "\"",
          "ZIRUV:columnInfo");
    }
  } catch (const proxyExecuteExceptionC&) {
    throw;
  } catch (const std::exception& e) {
    throw proxyExecuteExceptionC(e.what(), "ZIRUV:columnInfo");
  }
}

void dbJDBCSQLExecC::scriptMetadata(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  const std::string what = args.getText(0);
  const std::string schema = args.getText(1);
  const std::string table = args.getText(2);
  dbJDBCDatabaseC& c = connection();
  JSQLApi& session = c.session();
  sql::DatabaseMetaData& metaData = c.metaData();
  if (metaData.isNull()) throw proxyExecuteExceptionC("not connected", "ZIRUV:metadata");
  {
    std::lock_guard<std::mutex> lock(cancelMutex_);
    session.JSQLCloseStatement(statement_);
    statement_ = Statement();
  }
  session.JSQLCloseResultSet(resultSet_);
  resultSet_ = ResultSet();
  resultMetaData_ = ResultSetMetaData();
  updateCount_ = 0;
  const char* s = schema.empty() ? nullptr : schema.c_str();
  const char* t = table.c_str();
  int32_t r = JSQLApi::kOk;
  try {
    if (qzEqualsIgnoringAsciiCase(what.c_str(), "tables")) {
      // A null list of types: all of them (an empty list could mean none).
      resultSet_ = metaData.getTables(lang::String(), s ? lang::String(schema) : lang::String(),
                                      lang::String(table.empty() ? "%" : table),
                                      jbridge::proxy::JArray<lang::String>());
    } else if (qzEqualsIgnoringAsciiCase(what.c_str(), "columns")) {
      r = session.JSQLGetColumns(metaData, resultSet_, nullptr, s, t, "%");
    } else if (qzEqualsIgnoringAsciiCase(what.c_str(), "primarykeys")) {
      r = session.JSQLGetPrimaryKeys(metaData, resultSet_, nullptr, s, t);
    } else if (qzEqualsIgnoringAsciiCase(what.c_str(), "foreignkeys")) {
      r = session.JSQLGetImportedKeys(metaData, resultSet_, nullptr, s, t);
    } else if (qzEqualsIgnoringAsciiCase(what.c_str(), "schemas")) {
      resultSet_ = metaData.getSchemas();
    } else if (qzEqualsIgnoringAsciiCase(what.c_str(), "indexes")) {
      resultSet_ = metaData.getIndexInfo(lang::String(), s ? lang::String(schema) : lang::String(),
                                         lang::String(table), false, true);
    } else {
      const std::string message =
          "metadata takes tables, schemas, columns, primarykeys, "
          "foreignkeys or indexes, not \"" +
          what + "\"";
      throw proxyExecuteExceptionC(message, "ZIRUV:metadata");
    }
    if (r == JSQLApi::kOk && !resultSet_.isNull()) resultMetaData_ = resultSet_.getMetaData();
  } catch (const proxyExecuteExceptionC&) {
    throw;
  } catch (const std::exception& e) {
    throw proxyExecuteExceptionC(e.what(), "ZIRUV:metadata");
  }
  if (r != JSQLApi::kOk) {
    qzIUnknown* err = nullptr;
    session.JSQLReportError("metadata", &err);
    qzRef<qzIUnknown> held(err);
    throw proxyExecuteComExceptionC(held.get());
  }
  if (resultSet_.isNull() || resultMetaData_.isNull()) {
    throw proxyExecuteExceptionC("the driver answered no result", "ZIRUV:metadata");
  }
  result.setInt(1);
}

void dbJDBCSQLExecC::scriptStatement(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  setStatement(args.getText(0));
  result.setInt(1);
}

proxyMethodTableC* dbJDBCSQLExecC::table() {
  using T = dbJDBCSQLExecC;
  return layeredTable<T>({
      dbMethod<&T::scriptStatement>("statement", 1),
      dbMethod<&T::scriptCancel>("cancel", 0),
      dbMethod<&T::scriptColumnType>("columnType", 1),
      dbMethod<&T::scriptMetadata>("metadata", 3),
      dbMethod<&T::scriptColumnInfo>("columnInfo", 2),
  });
}
