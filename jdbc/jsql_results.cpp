// Statements, result columns, database information and catalogue queries of JSQLApi.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "jdbc/jsql_api.h"
#include "jdbc/jsql_internal.h"
#include "jdbc/row_block.h"
#include "jdbc/sql_literals.h"
#include "jdbc/text_buffer.h"

namespace qz::jdbc {

namespace {

using jbridge::proxy::JArray;
using jbridge::proxy::JInt;

constexpr char kUpdateFailure[] = "Unknown Exception";
constexpr char kColumnFailure[] = "Unknown exception in JSQLApi::JSQLGetResultSetStringData";

// Text for Java: standard UTF-8 with the flag, else the VM's default charset. Null stays null.
lang::String toJavaString(const std::string& text, bool utf8) {
  return utf8 ? lang::String::fromUtf8(text) : lang::String(text);
}

lang::String optionalString(const char* text) {
  return lang::String(text);
}

// Native text of a Java string in the VM's default charset; empty for null.
std::string nativeText(const lang::String& s) {
  return s.isNull() ? std::string() : s.getCString();
}

// Closes the statement that is about to be replaced; it is being discarded, so a failure to
// close it changes nothing for the caller.
void closeReplaced(sql::Statement& statement) {
  if (statement.isNull()) return;
  try {
    statement.close();
  } catch (...) {
  }
  statement = sql::Statement();
}

// What the driver is handed for one SQL text: the text itself, or the rewritten text and the
// literals to bind in its place.
struct Prepared {
  SplitSql split;
  bool bound = false;
};

Prepared prepareText(const char* sql, bool verbatim) {
  Prepared p;
  if (!verbatim) {
    p.split = splitLiterals(sql);
    p.bound = p.split.bound();
  }
  if (!p.bound) {
    p.split = SplitSql();
    p.split.statement = sql;
  }
  return p;
}

// PostgreSQL's driver hands the server "$1", "$2" ... in place of each "?": an offset in the
// server's text, turned into one in the text the driver was handed.
std::size_t markerOffset(const SplitSql& split, std::size_t server) {
  std::size_t shift = 0;  // how much longer the server's text is up to here
  std::size_t number = 0;
  for (const SplitSql::Marker& m : split.markers) {
    const std::size_t question = split.statement.find('?', m.rewritten);
    if (question == std::string::npos || server <= question + shift) break;
    const std::size_t length = 1 + std::to_string(++number).size();  // "$" and the number
    if (server < question + shift + length) return question;
    shift += length - 1;
  }
  return server - shift;
}

void bindLiterals(sql::PreparedStatement& statement, const SplitSql& split, bool utf8) {
  for (std::size_t i = 0; i < split.literals.size(); ++i) {
    statement.setString(JInt(static_cast<jint>(i + 1)), toJavaString(split.literals[i], utf8));
  }
}

// Binds the literals and runs the update: in one Java call when our class is there, without a
// proxy (and so a global reference) of the statement.
int32_t updateBound(jobject statement, const SplitSql& split, bool utf8,
                    const IntegerParameters& types = {}) {
  int32_t count = 0;
  if (updateInOneCall(statement, split.literals, utf8, types, &count)) return count;
  sql::PreparedStatement prepared(statement);
  bindLiterals(prepared, split, utf8);
  return prepared.executeUpdate();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Statements

// A text with nothing to bind runs through a plain Statement: the driver then takes it exactly
// as written, a '?' of the user's included (PostgreSQL's operators), where a prepared statement
// would take that for a parameter marker.
int32_t JSQLApi::JSQLExecQuery(Connection& connection, Statement& statement, const char* sql,
                               ResultSet& resultSet, ResultSetMetaData& metaData, bool utf8,
                               bool verbatim) {
  if (!present(connection, "JSQLExecQuery: no connection")) return kFailed;
  if (!sql) {
    setError("JSQLExecQuery: no SQL text");
    return kFailed;
  }
  Prepared text;
  const int32_t r = guarded(nullptr, [&] {
    text = prepareText(sql, verbatim);
    closeReplaced(statement);
    const lang::String javaText = toJavaString(text.split.statement, utf8);
    if (text.bound) {
      sql::PreparedStatement prepared =
          connection.prepareStatement(javaText, JInt(resultSetType_), JInt(resultSetConcurrency_));
      statement = prepared;
      if (!present(statement, "JSQLExecQuery: the driver answered no statement")) return kFailed;
      bindLiterals(prepared, text.split, utf8);
      resultSet = prepared.executeQuery();
    } else {
      statement = connection.createStatement(JInt(resultSetType_), JInt(resultSetConcurrency_));
      if (!present(statement, "JSQLExecQuery: the driver answered no statement")) return kFailed;
      resultSet = statement.executeQuery(javaText);
    }
    if (!present(resultSet, "JSQLExecQuery: the driver answered no result set")) return kFailed;
    metaData = resultSet.getMetaData();
    if (!present(metaData, "JSQLExecQuery: the result set has no metadata")) return kFailed;
    return kOk;
  });
  if (r == kFailed && text.bound) showCallerText(text.split, sql);
  return r;
}

namespace {

// An open statement for another run; a driver that cannot tell gets a new one.
bool stillOpen(const sql::Statement& statement) {
  if (statement.isNull()) return false;
  try {
    return !statement.isClosed();
  } catch (...) {
    return false;
  }
}

}  // namespace

void JSQLApi::JSQLSplitText(const char* sql, bool verbatim, const KeptStatement* kept,
                            SplitSql* out) {
  if (!sql) {
    *out = SplitSql();
    return;
  }
  if (!verbatim && kept && splitAlike(kept->original, kept->split, sql, out)) return;
  *out = prepareText(sql, verbatim).split;
}

bool JSQLApi::JSQLWouldReuse(const SplitSql& split, const KeptStatement& kept) {
  return !kept.split.statement.empty() && split.bound() && split.statement == kept.split.statement;
}

int32_t JSQLApi::JSQLExecUpdate(Connection& connection, Statement& statement, const char* sql,
                                int32_t* count, bool utf8, bool verbatim, KeptStatement* kept,
                                const SplitSql* split, std::mutex* replaceLock) {
  if (count) *count = 0;
  if (!present(connection, "JSQLExecUpdate: no connection")) return kFailed;
  if (!sql) {
    setError("JSQLExecUpdate: no SQL text");
    return kFailed;
  }
  Prepared own;
  const SplitSql* text = split;
  const int32_t r = guarded(kUpdateFailure, [&] {
    if (!text) {
      own = prepareText(sql, verbatim);
      text = &own.split;
    }
    const bool bound = text->bound();
    // The statement kept is taken as open without asking the driver for every run: a run on
    // it that fails asks, and one that failed for being closed runs again on a new statement,
    // as it would have from the start.
    bool reuse = bound && kept && kept->split.statement == text->statement && !statement.isNull();
    int32_t updated = 0;
    if (reuse) {
      try {
        // Asked after a run with every value as text succeeded: a driver that types a
        // parameter from the values bound tells the type the text had.
        if (kept->ranOk && !kept->typesAsked) {
          kept->types = integerParameters(statement.getJniObject());
          kept->typesAsked = true;
        }
        updated = updateBound(statement.getJniObject(), *text, utf8, kept->types);
      } catch (...) {
        if (stillOpen(statement)) throw;
        reuse = false;
      }
    }
    if (!reuse) {
      if (kept) kept->clear();
      {
        std::unique_lock<std::mutex> lock;
        if (replaceLock) lock = std::unique_lock<std::mutex>(*replaceLock);
        closeReplaced(statement);
      }
      if (bound) {
        sql::PreparedStatement prepared =
            connection.prepareStatement(toJavaString(text->statement, utf8));
        statement = prepared;
        if (!present(statement, "JSQLExecUpdate: the driver answered no statement")) {
          return kFailed;
        }
        if (kept) {
          kept->original = sql;
          kept->split = *text;
        }
        updated = updateBound(prepared.getJniObject(), *text, utf8);
      } else {
        statement = connection.createStatement();
        if (!present(statement, "JSQLExecUpdate: the driver answered no statement")) {
          return kFailed;
        }
        updated = statement.executeUpdate(toJavaString(text->statement, utf8));
      }
    }
    if (kept && !kept->split.statement.empty()) kept->ranOk = true;
    if (count) *count = updated;
    return kOk;
  });
  if (r == kFailed && text && text->bound()) showCallerText(*text, sql);
  return r;
}

void JSQLApi::showCallerText(const SplitSql& split, const char* sql) {
  if (split.statement.empty()) return;
  // Drivers quote the statement they were handed (H2, SQLite); the caller never wrote it.
  std::string message;
  std::size_t from = 0;
  for (std::size_t at; (at = lastMessage_.find(split.statement, from)) != std::string::npos;
       from = at + split.statement.size()) {
    message.append(lastMessage_, from, at - from).append(sql);
  }
  message.append(lastMessage_, from, std::string::npos);
  // PostgreSQL points at a character of the text it was handed, counted from 1.
  static constexpr char kPosition[] = "Position: ";
  const std::size_t at = message.rfind(kPosition);
  if (at != std::string::npos) {
    const std::size_t digits = at + sizeof kPosition - 1;
    std::size_t end = digits;
    while (end < message.size() && message[end] >= '0' && message[end] <= '9') ++end;
    if (end > digits && end - digits < 10) {
      const std::size_t position = std::stoul(message.substr(digits, end - digits));
      if (position > 0) {
        const std::size_t original = split.originalOffset(markerOffset(split, position - 1)) + 1;
        message.replace(digits, end - digits, std::to_string(original));
      }
    }
  }
  lastMessage_ = std::move(message);
}

// ---------------------------------------------------------------------------------------------
// Results

int32_t JSQLApi::JSQLGetColumnCount(ResultSetMetaData& metaData, int32_t* count) {
  if (!present(metaData, "JSQLGetColumnCount: no result set metadata")) return kFailed;
  return guarded(nullptr, [&] {
    int32_t n = metaData.getColumnCount();
    if (count) *count = n;
    return kOk;
  });
}

int32_t JSQLApi::JSQLDescribeColumn(ResultSetMetaData& metaData, int32_t column, char* name,
                                    int32_t size, int32_t* nameLength, int32_t* sqlType,
                                    int32_t* displaySize, int32_t* precision, int32_t* nullable) {
  if (!present(metaData, "JSQLDescribeColumn: no result set metadata")) return kFailed;
  return guarded(nullptr, [&] {
    JInt index(column);
    std::string columnName = nativeText(metaData.getColumnName(index));
    copyUtf8(columnName, name, size);
    if (nameLength) *nameLength = static_cast<int32_t>(columnName.size());
    int32_t type = metaData.getColumnType(index);
    if (sqlType) *sqlType = type;
    int32_t display = metaData.getColumnDisplaySize(index);
    if (displaySize) *displaySize = display;
    int32_t digits = metaData.getPrecision(index);
    if (precision) *precision = digits;
    int32_t nulls = metaData.isNullable(index);
    if (nullable) *nullable = nulls;
    return kOk;
  });
}

std::string JSQLApi::columnText(const std::string& bytes, std::size_t size, bool* cut) {
  conversionBuffer_.clear();
  bool converted = false;
  if (fromUtf8Ready_ && fromUtf8Converter_ && !localeIsUtf8_ &&
      fromUtf8Converter_->convert(bytes.c_str(), &conversionBuffer_) == kQzOk &&
      conversionBuffer_.type == kVtString) {
    converted = true;
  }
  std::string text = converted ? std::string(conversionBuffer_.text()) : bytes;
  conversionBuffer_.clear();
  if (cut) *cut = text.size() > size;
  if (text.size() <= size) return text;
  if (!converted) return text.substr(0, utf8CutLength(text, size));
  return fitConverted(
      bytes, std::move(text), size, [this](const std::string& part, std::string* out) {
        conversionBuffer_.clear();
        bool ok = fromUtf8Converter_->convert(part.c_str(), &conversionBuffer_) == kQzOk &&
                  conversionBuffer_.type == kVtString;
        if (ok) *out = conversionBuffer_.text();
        conversionBuffer_.clear();
        return ok;
      });
}

int32_t JSQLApi::JSQLGetResultSetStringData(ResultSet& resultSet, int32_t column, int32_t flag,
                                            char* buffer, int32_t size, int32_t* length,
                                            bool* cut) {
  if (cut) *cut = false;
  if (!present(resultSet, "JSQLGetResultSetStringData: no result set")) return kFailed;
  return guarded(kColumnFailure, [&] {
    lang::String value = resultSet.getString(JInt(column));
    std::string bytes = nativeText(value);
    // SQL NULL reads as an empty buffer and length -1; so does the empty text, unless the
    // caller keeps it apart (flag kKeepEmpty).
    if (value.isNull() || (bytes.empty() && flag != kKeepEmpty)) {
      fillBuffer({}, buffer, size);
      if (length) *length = -1;
      return kOk;
    }
    int32_t characters = bytes.empty() ? 0 : static_cast<int32_t>(value.length());
    std::string text = columnText(bytes, size > 0 ? static_cast<std::size_t>(size) : 0, cut);
    fillBuffer(text, buffer, size);
    if (length) *length = characters;
    return kOk;
  });
}

int32_t JSQLApi::putColumnText(const char* bytes, int32_t byteCount, int32_t chars, int32_t flag,
                               char* buffer, int32_t size, int32_t dirty, int32_t* length,
                               bool* cut, int32_t* written) {
  if (cut) *cut = false;
  const std::size_t capacity = size > 0 ? static_cast<std::size_t>(size) : 0;
  const auto zero = [buffer, capacity](std::size_t from, int32_t to) {
    const std::size_t end = std::min(capacity, static_cast<std::size_t>(std::max(to, 0)));
    if (from < end) std::memset(buffer + from, 0, end - from);
  };
  if (chars < 0 || (byteCount == 0 && flag != kKeepEmpty)) {
    zero(0, dirty);
    if (length) *length = -1;
    if (written) *written = 0;
    return kOk;
  }
  if (length) *length = byteCount == 0 ? 0 : chars;
  if (converting()) {
    // Converting: the row-at-a-time way itself, whole buffer and all.
    const std::string text =
        columnText(std::string(bytes, static_cast<std::size_t>(byteCount)), capacity, cut);
    fillBuffer(text, buffer, size);
    if (written) *written = static_cast<int32_t>(capacity);
    return kOk;
  }
  const std::string_view text(bytes, static_cast<std::size_t>(byteCount));
  std::size_t n = text.size();
  if (n > capacity) {
    n = utf8CutLength(text, capacity);
    if (cut) *cut = true;
  }
  if (n > 0) std::memcpy(buffer, bytes, n);
  zero(n, dirty);
  if (written) *written = static_cast<int32_t>(n);
  return kOk;
}

std::string JSQLApi::JSQLColumnText(const char* bytes, int32_t byteCount) {
  return columnText(std::string(bytes, static_cast<std::size_t>(byteCount)), SIZE_MAX, nullptr);
}

int32_t JSQLApi::JSQLGetResultSetText(ResultSet& resultSet, int32_t column, std::string* text,
                                      bool* isNull) {
  if (text) text->clear();
  if (isNull) *isNull = true;
  if (!present(resultSet, "JSQLGetResultSetText: no result set")) return kFailed;
  return guarded(kColumnFailure, [&] {
    lang::String value = resultSet.getString(JInt(column));
    if (value.isNull()) return kOk;
    std::string bytes = nativeText(value);
    std::string whole = columnText(bytes, SIZE_MAX, nullptr);
    if (isNull) *isNull = false;
    if (text) *text = std::move(whole);
    return kOk;
  });
}

int32_t JSQLApi::JSQLGetResultSetIntData(ResultSet& resultSet, int32_t column, int32_t /*flag*/,
                                         int32_t* value) {
  if (!present(resultSet, "JSQLGetResultSetIntData: no result set")) return kFailed;
  return guarded(nullptr, [&] {
    int32_t n = resultSet.getInt(JInt(column));
    if (value) *value = n;
    return kOk;
  });
}

int32_t JSQLApi::JSQLUpdateStringData(ResultSet& resultSet, int32_t row, int32_t column,
                                      int32_t /*flag*/, const char* text) {
  if (!present(resultSet, "JSQLUpdateStringData: no result set")) return kFailed;
  return guarded(nullptr, [&] {
    resultSet.absolute(JInt(row));
    resultSet.updateString(JInt(column), optionalString(text));
    resultSet.updateRow();
    return kOk;
  });
}

// ---------------------------------------------------------------------------------------------
// Database information

template <class Getter>
int32_t JSQLApi::copyMetaText(DatabaseMetaData& metaData, char* buffer, int32_t size,
                              const char* operation, Getter getter) {
  if (!present(metaData, (std::string(operation) + ": no database metadata").c_str())) {
    return kFailed;
  }
  return guarded(nullptr, [&] {
    copyUtf8(nativeText((metaData.*getter)()), buffer, size);
    return kOk;
  });
}

int32_t JSQLApi::JSQLGetDatabaseProductName(DatabaseMetaData& metaData, char* buffer,
                                            int32_t size) {
  return copyMetaText(metaData, buffer, size, "JSQLGetDatabaseProductName",
                      &sql::DatabaseMetaData::getDatabaseProductName);
}

int32_t JSQLApi::JSQLGetDatabaseProductVersion(DatabaseMetaData& metaData, char* buffer,
                                               int32_t size) {
  return copyMetaText(metaData, buffer, size, "JSQLGetDatabaseProductVersion",
                      &sql::DatabaseMetaData::getDatabaseProductVersion);
}

int32_t JSQLApi::JSQLGetDriverName(DatabaseMetaData& metaData, char* buffer, int32_t size) {
  return copyMetaText(metaData, buffer, size, "JSQLGetDriverName",
                      &sql::DatabaseMetaData::getDriverName);
}

int32_t JSQLApi::JSQLGetDriverVersion(DatabaseMetaData& metaData, char* buffer, int32_t size) {
  return copyMetaText(metaData, buffer, size, "JSQLGetDriverVersion",
                      &sql::DatabaseMetaData::getDriverVersion);
}

// ---------------------------------------------------------------------------------------------
// Catalogue

int32_t JSQLApi::JSQLGetTables(DatabaseMetaData& metaData, ResultSet& resultSet,
                               const char* catalog, const char* schemaPattern,
                               const char* tablePattern, const char* const* typeNames,
                               int16_t typeCount) {
  if (!present(metaData, "JSQLGetTables: no database metadata")) return kFailed;
  if (typeCount < 0 || (typeCount > 0 && !typeNames)) {
    setError("JSQLGetTables: no type names");
    return kFailed;
  }
  return guarded(nullptr, [&] {
    JArray<lang::String> types(typeCount);
    for (jsize i = 0; i < typeCount; ++i) types.set(i, optionalString(typeNames[i]));
    resultSet = metaData.getTables(optionalString(catalog), optionalString(schemaPattern),
                                   optionalString(tablePattern), types);
    if (!present(resultSet, "JSQLGetTables: the driver answered no result set")) return kFailed;
    return kOk;
  });
}

template <class Query>
int32_t JSQLApi::queryCatalogue(DatabaseMetaData& metaData, ResultSet& resultSet,
                                const char* operation, Query query) {
  if (!present(metaData, (std::string(operation) + ": no database metadata").c_str())) {
    return kFailed;
  }
  return guarded(nullptr, [&] {
    resultSet = query();
    const std::string noResult = std::string(operation) + ": the driver answered no result set";
    return present(resultSet, noResult.c_str()) ? kOk : kFailed;
  });
}

int32_t JSQLApi::JSQLGetColumns(DatabaseMetaData& metaData, ResultSet& resultSet,
                                const char* catalog, const char* schemaPattern,
                                const char* tablePattern, const char* columnPattern) {
  return queryCatalogue(metaData, resultSet, "JSQLGetColumns", [&] {
    return metaData.getColumns(optionalString(catalog), optionalString(schemaPattern),
                               optionalString(tablePattern), optionalString(columnPattern));
  });
}

int32_t JSQLApi::JSQLGetPrimaryKeys(DatabaseMetaData& metaData, ResultSet& resultSet,
                                    const char* catalog, const char* schema, const char* table) {
  return queryCatalogue(metaData, resultSet, "JSQLGetPrimaryKeys", [&] {
    return metaData.getPrimaryKeys(optionalString(catalog), optionalString(schema),
                                   optionalString(table));
  });
}

int32_t JSQLApi::JSQLGetImportedKeys(DatabaseMetaData& metaData, ResultSet& resultSet,
                                     const char* catalog, const char* schema, const char* table) {
  return queryCatalogue(metaData, resultSet, "JSQLGetImportedKeys", [&] {
    return metaData.getImportedKeys(optionalString(catalog), optionalString(schema),
                                    optionalString(table));
  });
}

int32_t JSQLApi::JSQLGetCrossReference(DatabaseMetaData& metaData, ResultSet& resultSet,
                                       const char* primaryCatalog, const char* primarySchema,
                                       const char* primaryTable, const char* foreignCatalog,
                                       const char* foreignSchema, const char* foreignTable) {
  return queryCatalogue(metaData, resultSet, "JSQLGetCrossReference", [&] {
    return metaData.getCrossReference(optionalString(primaryCatalog), optionalString(primarySchema),
                                      optionalString(primaryTable), optionalString(foreignCatalog),
                                      optionalString(foreignSchema), optionalString(foreignTable));
  });
}

}  // namespace qz::jdbc
