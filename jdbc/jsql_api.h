// JSQLApi: the one way the database objects talk to JDBC. It obtains the Java VM from the
// companion zeltools.jvm, loads the driver class and opens connections as jdbc.cfg names them
// for a data source, runs queries and updates with every quoted literal sent as a bound
// parameter, copies columns and metadata into caller buffers, and keeps the last error.
//
// Results: 1 for success, -1 for failure with the error in the last-error fields (vendor code,
// SQL state and message of a java.sql.SQLException; code 0 and an empty state for errors of
// this layer). No exception leaves an operation. Outputs assigned before a failing step keep
// their new values. Every call through an empty proxy fails here, before it reaches Java;
// closing one has nothing to do and succeeds.
//
// Buffers: a caller-owned byte array and its size. Text is cut to the size at the last whole
// character and the rest is zero-filled, so a text is terminated only when it is shorter than
// the size: pass one byte less than the capacity to be sure of a terminator.
//
// Text: with the UTF-8 flag, SQL text and literals are taken as UTF-8; otherwise, and for every
// other text sent (URLs, user names, catalogue patterns, updated values), in the JVM's default
// encoding. Texts read come back in the JVM's default encoding; column values are turned into
// the user's locale character set when a converter could be opened for it.
//
// Ownership: the caller owns every Java proxy and passes it by reference; an operation that
// produces a connection, statement, result set or metadata object assigns it to the caller's
// proxy. JSQLApi keeps no Java object; it owns its references to the charset components.
//
// Thread rule: no lock. One thread at a time per JSQLApi (the last error and the conversion
// scratch are shared); which thread does not matter, each Java call attaches its thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <mutex>
#include <string>

#include "interfaces/qzcom.h"
#include "jdbc/sql_literals.h"
#include "object/com_ref.h"
#include "variant/variant.h"

namespace qz::config {
class CSConfig;
}

namespace jbridge::proxy {
class JObject;
}
namespace jbridge::proxy::java::sql {
class Connection;
class DatabaseMetaData;
class PreparedStatement;
class ResultSet;
class ResultSetMetaData;
class SQLException;
class Statement;
}  // namespace jbridge::proxy::java::sql

namespace qz::jdbc {

// A prepared statement the caller keeps beside its proxy for updates whose texts rewrite to the
// same.
struct KeptStatement {
  std::string original;  // the caller's text it was prepared for
  SplitSql split;        // of that text; split.statement empty: none kept
  // Set by a run that succeeded; asked for the types when it runs again (once, so a statement
  // run once costs no more).
  bool ranOk = false;
  bool typesAsked = false;
  IntegerParameters types;  // as the driver tells, once asked
  void clear() { *this = KeptStatement(); }
};

// The URL with a PostgreSQL driver's loginTimeout and connectTimeout set to seconds (when
// positive and the URL names neither); any other URL unchanged.
std::string withDriverTimeouts(const std::string& url, int32_t seconds);

class JSQLApi {
 public:
  using Connection = jbridge::proxy::java::sql::Connection;
  using DatabaseMetaData = jbridge::proxy::java::sql::DatabaseMetaData;
  using PreparedStatement = jbridge::proxy::java::sql::PreparedStatement;
  using ResultSet = jbridge::proxy::java::sql::ResultSet;
  using ResultSetMetaData = jbridge::proxy::java::sql::ResultSetMetaData;
  using Statement = jbridge::proxy::java::sql::Statement;

  static constexpr int32_t kOk = 1;
  static constexpr int32_t kFailed = -1;
  // java.sql.ResultSet.TYPE_FORWARD_ONLY and CONCUR_READ_ONLY.
  static constexpr int32_t kForwardOnly = 1003;
  static constexpr int32_t kReadOnly = 1007;
  // At most this many bytes of the last message go into an error object.
  static constexpr std::size_t kReportedMessageMax = 1023;

  JSQLApi();
  ~JSQLApi();
  JSQLApi(const JSQLApi&) = delete;
  JSQLApi& operator=(const JSQLApi&) = delete;

  // Set-up, in the order a connect runs them.
  // Obtains the VM once (later calls answer 1 at once).
  int32_t CreateOrGetJVM();
  // Loads the "DriverClass" of the data source's block; runs on every connect.
  int32_t RegisterDBDriver(const char* dataSource);
  // Opens the converters between UTF-8 and the locale charset once. Answers 1 also when a
  // converter does not open: texts then stay unconverted, and the message stays recorded.
  int32_t initCharsetConverter();
  // Opens a connection with the data source's "URL"; user and password may be null. A positive
  // loginTimeout (seconds) also goes into a PostgreSQL URL as its driver's own loginTimeout and
  // connectTimeout, which that driver needs to give up on a server that accepts and never
  // answers; a URL that names them keeps its own.
  int32_t JSQLConnect(Connection& connection, const char* dataSource, const char* user,
                      const char* password, int32_t loginTimeout = 0);

  // Connection level. Disconnecting an empty proxy has nothing to do and answers 1.
  int32_t JSQLDisconnect(Connection& connection);
  int32_t JSQLIsClosed(Connection& connection, int32_t* closed);  // 1 closed, 0 open
  int32_t JSQLCommit(Connection& connection);
  int32_t JSQLRollback(Connection& connection);
  int32_t JSQLSetAutoCommit(Connection& connection, bool on);
  int32_t JSQLGetAutoCommit(Connection& connection, bool* on);
  // DriverManager's login time-out in seconds, for later connects.
  int32_t JSQLSetLoginTimeout(int32_t seconds);
  int32_t JSQLGetLoginTimeout(int32_t* seconds);
  int32_t JSQLCreateStatement(Connection& connection, Statement& statement, int32_t type,
                              int32_t concurrency);
  // Closing an empty proxy answers 1; a closed proxy stays assigned.
  int32_t JSQLCloseStatement(Statement& statement);
  int32_t JSQLCloseResultSet(ResultSet& resultSet);
  // The type and concurrency JSQLExecQuery prepares its statements with.
  void SetResultSetOptions(int32_t type, int32_t concurrency);
  void GetResultSetOptions(int32_t* type, int32_t* concurrency) const;
  // The data source's "ServerDB" (empty when missing).
  int32_t JSQLGetServerDB(const char* dataSource, char* buffer, int32_t size);

  // Database information, in the JVM's default encoding.
  int32_t JSQLGetDatabaseProductName(DatabaseMetaData& metaData, char* buffer, int32_t size);
  int32_t JSQLGetDatabaseProductVersion(DatabaseMetaData& metaData, char* buffer, int32_t size);
  int32_t JSQLGetDriverName(DatabaseMetaData& metaData, char* buffer, int32_t size);
  int32_t JSQLGetDriverVersion(DatabaseMetaData& metaData, char* buffer, int32_t size);

  // Statements. The statement the out proxy holds is closed before a new one replaces it (and
  // with it its result set): pass an empty proxy, never a copy of a statement still in use.
  // The literals splitLiterals finds are bound (sql_literals.h); a text with none to bind, and
  // every text when `verbatim` is set, runs through a plain Statement exactly as written. A
  // failure's message shows the caller's text, never the rewritten one.
  int32_t JSQLExecQuery(Connection& connection, Statement& statement, const char* sql,
                        ResultSet& resultSet, ResultSetMetaData& metaData, bool utf8,
                        bool verbatim = false);
  // With `kept` (what the caller keeps beside the statement), a text that rewrites to the same
  // runs again on the same prepared statement, while it is open, with its new literals bound;
  // there a literal that is a canonical decimal integer goes to a parameter the driver types
  // INTEGER or BIGINT as that number (updateInOneCall in row_block.h). `split`, when given, is
  // JSQLSplitText of the same sql and verbatim, so a caller that split the text already does
  // not split it again. A kept statement found closed is replaced holding `replaceLock`, the
  // lock under which another thread may read `statement` to cancel it.
  int32_t JSQLExecUpdate(Connection& connection, Statement& statement, const char* sql,
                         int32_t* count, bool utf8, bool verbatim = false,
                         KeptStatement* kept = nullptr, const SplitSql* split = nullptr,
                         std::mutex* replaceLock = nullptr);
  // The text as the two above hand it to the driver, into `out` (not kept's split): split, or
  // (nothing to bind, or verbatim) the text itself with nothing bound. A text like the one
  // `kept` was prepared for but for the values of its literals is split alike, without a scan
  // and in `out`'s own buffers (splitAlike).
  static void JSQLSplitText(const char* sql, bool verbatim, const KeptStatement* kept,
                            SplitSql* out);
  // True when JSQLExecUpdate would run the split text on the statement kept (as long as that
  // statement is still open).
  static bool JSQLWouldReuse(const SplitSql& split, const KeptStatement& kept);

  // Results. Columns count from 1.
  int32_t JSQLGetColumnCount(ResultSetMetaData& metaData, int32_t* count);
  // nameLength is the byte length of the whole name, before any cut.
  int32_t JSQLDescribeColumn(ResultSetMetaData& metaData, int32_t column, char* name, int32_t size,
                             int32_t* nameLength, int32_t* sqlType, int32_t* displaySize,
                             int32_t* precision, int32_t* nullable);
  // The flag of JSQLGetResultSetStringData: the empty text reads as itself (length 0), apart
  // from SQL NULL. Any other flag value keeps the old rule: the empty text reads as NULL.
  static constexpr int32_t kKeepEmpty = 1;
  // length: the value's length in Java characters, or -1 for SQL NULL (and for the empty text
  // unless flag is kKeepEmpty); the buffer is then empty. cut, when not null, is set when the
  // buffer holds less than the whole value.
  int32_t JSQLGetResultSetStringData(ResultSet& resultSet, int32_t column, int32_t flag,
                                     char* buffer, int32_t size, int32_t* length,
                                     bool* cut = nullptr);
  // The whole text of a column, whatever its length, converted as the buffers are; isNull is
  // set for SQL NULL (text empty).
  int32_t JSQLGetResultSetText(ResultSet& resultSet, int32_t column, std::string* text,
                               bool* isNull);
  // A value read some other way (a block of rows): the bytes getString gives in the VM's
  // default charset and its length in Java chars (-1 for SQL NULL), put into the buffer
  // exactly as JSQLGetResultSetStringData puts the value it reads, except that of the bytes
  // after the text only the first `dirty` are zeroed: the rest must be zero already.
  // *written receives how many bytes of the buffer may be non-zero now.
  int32_t JSQLPutColumnText(const char* bytes, int32_t byteCount, int32_t chars, int32_t flag,
                            char* buffer, int32_t size, int32_t dirty, int32_t* length, bool* cut,
                            int32_t* written) {
    // Inline for what a walk meets in nearly every column: a value that fits, taken as it is.
    if (chars >= 0 && byteCount > 0 && byteCount <= size && !converting()) {
      std::memcpy(buffer, bytes, static_cast<std::size_t>(byteCount));
      if (dirty > byteCount) {
        std::memset(buffer + byteCount, 0,
                    static_cast<std::size_t>((dirty < size ? dirty : size) - byteCount));
      }
      if (length) *length = chars;
      if (cut) *cut = false;
      if (written) *written = byteCount;
      return kOk;
    }
    if (chars < 0 && size > 0) {
      // SQL NULL: nothing but the dirty bytes to clear.
      if (dirty > 0) std::memset(buffer, 0, static_cast<std::size_t>(dirty < size ? dirty : size));
      if (length) *length = -1;
      if (cut) *cut = false;
      if (written) *written = 0;
      return kOk;
    }
    return putColumnText(bytes, byteCount, chars, flag, buffer, size, dirty, length, cut, written);
  }
  // The whole text of such a value, converted as JSQLGetResultSetText converts.
  std::string JSQLColumnText(const char* bytes, int32_t byteCount);
  int32_t JSQLGetResultSetIntData(ResultSet& resultSet, int32_t column, int32_t flag,
                                  int32_t* value);
  // Moves to row (absolute), updates the column and the row. A null text is sent as SQL NULL.
  int32_t JSQLUpdateStringData(ResultSet& resultSet, int32_t row, int32_t column, int32_t flag,
                               const char* text);

  // Catalogue queries: the DatabaseMetaData result goes to resultSet. A null text is passed to
  // Java as null; typeCount 0 passes an empty array, not null.
  int32_t JSQLGetTables(DatabaseMetaData& metaData, ResultSet& resultSet, const char* catalog,
                        const char* schemaPattern, const char* tablePattern,
                        const char* const* typeNames, int16_t typeCount);
  int32_t JSQLGetColumns(DatabaseMetaData& metaData, ResultSet& resultSet, const char* catalog,
                         const char* schemaPattern, const char* tablePattern,
                         const char* columnPattern);
  int32_t JSQLGetPrimaryKeys(DatabaseMetaData& metaData, ResultSet& resultSet, const char* catalog,
                             const char* schema, const char* table);
  int32_t JSQLGetImportedKeys(DatabaseMetaData& metaData, ResultSet& resultSet, const char* catalog,
                              const char* schema, const char* table);
  int32_t JSQLGetCrossReference(DatabaseMetaData& metaData, ResultSet& resultSet,
                                const char* primaryCatalog, const char* primarySchema,
                                const char* primaryTable, const char* foreignCatalog,
                                const char* foreignSchema, const char* foreignTable);

  // Errors. The buffers may be null.
  void JSQLGetLastError(int32_t* code, char* sqlState, int32_t stateSize, char* message,
                        int32_t messageSize) const;
  // A call exception object with source "ZIRUV:" + context and the last message (at most
  // kReportedMessageMax bytes) as description, stored with one reference in *error. It also
  // answers "QZISQLERROR" with the last SQL state and vendor code, so that a caller can tell
  // errors apart without parsing messages. A null error pointer creates nothing.
  void JSQLReportError(const char* context, qzIUnknown** error) const;
  // The same with a message of the caller's.
  void JSQLReportMessage(const char* context, const char* message, qzIUnknown** error) const;
  // For an exception a proxy call threw: a java.sql.SQLException is recorded as the last error
  // and reported with its SQL state and vendor code; any other with `message`.
  void JSQLReportException(const char* context, const std::exception& e, const char* message,
                           qzIUnknown** error);

  int32_t lastErrorCode() const { return lastErrorCode_; }
  const std::string& lastMessage() const { return lastMessage_; }
  const std::string& lastSqlState() const { return lastSqlState_; }
  bool jvmReady() const { return jvmReady_; }
  bool fromUtf8Ready() const { return fromUtf8Ready_; }
  bool toUtf8Ready() const { return toUtf8Ready_; }
  // Column text goes through the locale's converter (which is not UTF-8 itself).
  bool converting() const { return fromUtf8Ready_ && fromUtf8Converter_ && !localeIsUtf8_; }

 private:
  int32_t putColumnText(const char* bytes, int32_t byteCount, int32_t chars, int32_t flag,
                        char* buffer, int32_t size, int32_t dirty, int32_t* length, bool* cut,
                        int32_t* written);
  void setError(const std::string& text);
  void setErrorFromSQLException(const jbridge::proxy::java::sql::SQLException& e);
  // Runs an operation's body; every exception becomes -1 and a recorded error. An SQLException
  // records its code, state and message; any other exception `otherMessage`, or its what() text
  // when that is null.
  template <class Body>
  int32_t guarded(const char* otherMessage, Body&& body);
  // False, with `message` recorded, for an empty proxy: nothing may call Java through it.
  bool present(const jbridge::proxy::JObject& proxy, const char* message);
  // Reads the first jdbc.cfg that loads; false (error recorded) when none does, or when the
  // first that exists is not a regular file, or a path does not expand.
  bool loadJdbcConfig(config::CSConfig& config);
  // 1 read, 0 not there, -1 there but not a regular file or the path does not expand (error
  // recorded for every failure).
  int loadJdbcConfig(config::CSConfig& config, const char* pathTemplate);
  // The column text as the caller receives it: converted, cut to size.
  std::string columnText(const std::string& bytes, std::size_t size, bool* cut);
  // After a failed run of a rewritten text: the last message shows the caller's text instead.
  void showCallerText(const SplitSql& split, const char* sql);
  // Copies the text one DatabaseMetaData getter answers.
  template <class Getter>
  int32_t copyMetaText(DatabaseMetaData& metaData, char* buffer, int32_t size,
                       const char* operation, Getter getter);
  // Makes resultSet the answer of one catalogue query of metaData.
  template <class Query>
  int32_t queryCatalogue(DatabaseMetaData& metaData, ResultSet& resultSet, const char* operation,
                         Query query);

  int32_t lastErrorCode_ = 0;
  std::string lastMessage_;
  std::string lastSqlState_;
  bool jvmReady_ = false;
  bool fromUtf8Ready_ = false;
  bool toUtf8Ready_ = false;
  qzRef<qzICharsetFactory> charsetFactory_;
  qzRef<qzICharsetConverter> fromUtf8Converter_;
  qzRef<qzICharsetConverter> toUtf8Converter_;
  qzVariantS conversionBuffer_;
  int32_t resultSetType_ = kForwardOnly;
  int32_t resultSetConcurrency_ = kReadOnly;
  bool localeIsUtf8_ = false;  // the converters' locale charset is UTF-8 itself
};

}  // namespace qz::jdbc
