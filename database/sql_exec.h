// The SQL execution object ("SQLEXEC", "SQLEXEC_UTF8"): one SQL statement text, run on its
// connection as a query when "SELECT" (any letter case) starts within its first six
// characters and as an update otherwise, and what the last run produced: the Java statement,
// result set and result metadata of a query, or the update count of an update.
//
// Creating one resets the session's result-set settings (shared by every connection of the
// factory) to forward-only and read-only. Its queries, though, are prepared with its own
// result-set type and concurrency, put into those settings as each query runs: whatever other
// objects made or ran since cannot change how its result scrolls. A record set sets them.
//
// Thread rule: that of the connection, except cancel, which any thread may call while execute
// runs on the connection's thread. Ownership: holds a counted reference to the connection
// and the Java references of its last run; the accessors hand out references to them that
// live as long as this object.
//
// Statuses: 0 success, 1 failure (the component convention), except cancel, which answers 1 when a
// statement was asked to stop and 0 when none was running.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "database/db_object.h"
#include "database/transaction.h"
#include "interfaces/database.h"
#include "jbridge/proxy/sql_result_set.h"
#include "jbridge/proxy/sql_statement.h"
#include "jdbc/jsql_api.h"

class dbJDBCSQLExecC final : public dbObjectT<dbJDBCSQLExecC, dbJDBCTransactionC, dbISQLTransaction,
                                              dbiid::kSqlTransaction> {
 public:
  using Statement = jbridge::proxy::java::sql::Statement;
  using ResultSet = jbridge::proxy::java::sql::ResultSet;
  using ResultSetMetaData = jbridge::proxy::java::sql::ResultSetMetaData;

  // The query test looks for "SELECT" at positions 0 to kQueryBound - 1.
  static constexpr long kQueryBound = 6;

  dbJDBCSQLExecC(dbJDBCDatabaseC* connection, bool utf8);
  ~dbJDBCSQLExecC() override;

  // 1 without an error object when no statement was set.
  int32_t execute(qzIUnknown** errOut) override;
  int32_t setStatement(const char* sqlText) override;

  // Asks the driver to stop the statement that execute is running (java.sql.Statement.cancel):
  // 1 when one was running and was asked, 0 when none was running. Throws
  // proxyExecuteExceptionC when the driver refuses. Any thread.
  int32_t cancel();

  // True when text runs as a query.
  static bool isQuery(const std::string& text);

  // The java.sql.ResultSet type and concurrency the next queries are prepared with.
  void setResultOptions(int32_t type, int32_t concurrency) {
    resultType_ = type;
    resultConcurrency_ = concurrency;
  }

  // For the record set.
  bool statementSet() const { return statementSet_; }
  const std::string& sqlText() const { return sqlText_; }
  bool utf8() const { return utf8_; }
  int32_t updateCount() const { return updateCount_; }
  Statement& statement() { return statement_; }
  ResultSet& resultSet() { return resultSet_; }
  // Changes whenever a run leaves another result than before, so that a record set can tell
  // a new result from the one it described without asking the VM.
  uint64_t resultVersion() const { return resultVersion_; }
  ResultSetMetaData& resultMetaData() { return resultMetaData_; }
  // The error of the last run when it failed, else null: a record set on this statement hands
  // it out for every call that needs the result the run did not make.
  qzIUnknown* lastError() const { return lastError_.get(); }

 private:
  // columnType(column): the java.sql.Types code of a column (from 0) of the last query's
  // result, so that a client can tell numbers from text whatever the type map reads them as.
  // columnInfo(column, what): more of that column's description, for a client that makes a
  // table like it: "precision" and "scale" (numbers), "typename" (the driver's own name).
  // metadata(what, schema, table): makes a list of the connection's JDBC database metadata
  // this object's result, read like a query's (by a record set, columnType): what is
  // "tables" (table a name pattern, "" for all), "schemas", "columns", "primarykeys",
  // "foreignkeys" (the imported keys) or "indexes"; an empty schema stands for any.
  dbScriptFn scriptStatement, scriptCancel, scriptColumnType, scriptColumnInfo, scriptMetadata;
  static proxyMethodTableC* table();

  bool statementSet_ = false;
  std::string sqlText_;
  Statement statement_;
  ResultSet resultSet_;
  ResultSetMetaData resultMetaData_;
  qzRef<qzIUnknown> lastError_;
  int32_t updateCount_ = 0;
  // Guards running_ and the deletion of statement_'s reference against cancel.
  std::mutex cancelMutex_;
  bool running_ = false;
  uint64_t resultVersion_ = 0;
  // What statement_ was prepared for by the last update, if it was: an update that rewrites to
  // the same runs on it again.
  qz::jdbc::KeptStatement kept_;
  // An update's text as split for its run; kept from run to run for its buffers only.
  qz::jdbc::SplitSql split_;
  int32_t resultType_;
  int32_t resultConcurrency_;
  bool utf8_;
};
