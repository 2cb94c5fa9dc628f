#include "database/table_info.h"

#include <exception>
#include <vector>

#include "database/children.h"
#include "database/database.h"
#include "database/db_object.h"
#include "database/record_set.h"
#include "jbridge/proxy/java_sql.h"
#include "jdbc/jsql_api.h"

using qz::jdbc::JSQLApi;
namespace lang = jbridge::proxy::java::lang;
namespace sql = jbridge::proxy::java::sql;

namespace {

// Error labels and texts.
constexpr char kLabelTable[] = "TABLEINFO:TABLEINFO";
constexpr char kLabelColumns[] = "TABLEINFO";
constexpr char kLabelColumnRead[] = "TABLEINFO::COMMONINFO";
constexpr char kLabelPrimaryKey[] = "TABLEINFO:PRIMKEY";
constexpr char kLabelPrimaryKeyRead[] = "TABLEINFO::PRIMKEY";
constexpr char kLabelForeignKey[] = "TABLEINFO:FOREIGNKEY";
constexpr char kLabelForeignKeyRead[] = "TABLEINFO::FOREIGNKEY";
constexpr char kAmbiguous[] = "Ambiguous tablename supplied";
constexpr char kInvalidResult[] = "Invalid result set";
constexpr char kResultSource[] = "tableinfo::getResult";

// Catalogue texts are read whole: identifiers of any database (128 characters in most, up to 4
// bytes each in UTF-8) fit these buffers, so a key column is never missed for a cut name.
constexpr int32_t kNameBuffer = 1024;
constexpr int32_t kRemarksBuffer = 4096;

// Columns of the DatabaseMetaData results (from 1).
constexpr int32_t kTablesCatalog = 1, kTablesSchema = 2, kTablesName = 3, kTablesType = 4,
                  kTablesRemarks = 5;
constexpr int32_t kColumnsName = 4, kColumnsDataType = 5, kColumnsSize = 7, kColumnsRemarks = 12,
                  kColumnsOrdinal = 17;
constexpr int32_t kPrimaryTable = 3, kPrimaryColumn = 4, kPrimarySequence = 5;
constexpr int32_t kImportedPkTable = 3, kImportedPkColumn = 4, kImportedFkTable = 7,
                  kImportedFkColumn = 8, kImportedSequence = 9;
constexpr int32_t kPrimaryTexts[] = {kPrimaryTable, kPrimaryColumn};
constexpr int32_t kImportedTexts[] = {kImportedPkTable, kImportedPkColumn, kImportedFkTable,
                                      kImportedFkColumn};

// isNull, when not null, tells SQL NULL apart from the empty text.
bool readText(JSQLApi& session, sql::ResultSet& rs, int32_t column, int32_t size, std::string* out,
              bool* isNull = nullptr) {
  std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
  int32_t length = 0;
  if (session.JSQLGetResultSetStringData(rs, column, JSQLApi::kKeepEmpty, buffer.data(), size,
                                         &length) != JSQLApi::kOk) {
    return false;
  }
  out->assign(buffer.data());
  if (isNull) *isNull = length < 0;
  return true;
}

bool readInt(JSQLApi& session, sql::ResultSet& rs, int32_t column, int32_t* out) {
  return session.JSQLGetResultSetIntData(rs, column, 0, out) == JSQLApi::kOk;
}

// Puts a new report into errOut, in place of one an earlier step left there. message null:
// the session's last error.
void report(JSQLApi& session, const char* label, qzIUnknown** errOut,
            const char* message = nullptr) {
  qzIUnknown* fresh = nullptr;
  if (message) {
    session.JSQLReportMessage(label, message, errOut ? &fresh : nullptr);
  } else {
    session.JSQLReportError(label, errOut ? &fresh : nullptr);
  }
  if (!errOut) return;
  if (*errOut) (*errOut)->Release();
  *errOut = fresh;
}

// A name as a catalogue pattern that matches only itself: "_" and "%" escaped.
std::string literalPattern(sql::DatabaseMetaData& metaData, const std::string& name) {
  if (name.find_first_of("_%") == std::string::npos) return name;
  std::string escape;
  try {
    lang::String e = metaData.getSearchStringEscape();
    if (!e.isNull()) escape = e.getCString();
  } catch (...) {
  }
  if (escape.empty()) return name;
  std::string pattern;
  for (char c : name) {
    if (c == '_' || c == '%' || escape.compare(0, 1, &c, 1) == 0) pattern += escape;
    pattern += c;
  }
  return pattern;
}

// A part of a table name without its double quotes.
std::string unquoted(const std::string& part) {
  if (part.size() < 2 || part.front() != '"' || part.back() != '"') return part;
  std::string name;
  for (size_t i = 1; i + 1 < part.size(); ++i) {
    name += part[i];
    if (part[i] == '"' && part[i + 1] == '"' && i + 2 < part.size()) ++i;
  }
  return name;
}

}  // namespace

qzRef<qzIUnknown> dbCreateTableInfo(dbJDBCDatabaseC& connection) {
  return qzRef<qzIUnknown>::share(static_cast<qzIDispatch*>(new dbJDBCTableInfoC(&connection)));
}

// --- table information ----------------------------------------------------------------------

dbJDBCTableInfoC::dbJDBCTableInfoC(dbJDBCDatabaseC* connection)
    : dbObjectT(table(), connection), emptyIsNull_(connection->emptyIsNull()) {}

dbJDBCTableInfoC::~dbJDBCTableInfoC() = default;

void dbJDBCTableInfoC::splitName(const std::string& text, std::string* schema, std::string* table) {
  bool quoted = false;
  size_t stop = std::string::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (text[i] == '.' && !quoted) {
      stop = i;
      break;
    }
  }
  if (stop == std::string::npos) {
    schema->clear();
    *table = unquoted(text);
  } else {
    *schema = unquoted(text.substr(0, stop));
    *table = unquoted(text.substr(stop + 1));
  }
}

int32_t dbJDBCTableInfoC::setTableName(const char* text) {
  try {
    splitName(text ? text : "", &schema_, &requestedName_);
  } catch (...) {
    return kQzFailed;
  }
  return kQzOk;
}

int32_t dbJDBCTableInfoC::getResult(qzIUnknown** out) {
  if (!out) return kQzFailed;
  *out = nullptr;
  try {
    auto result = qzRef<dbJDBCTableInfoResC>::share(new dbJDBCTableInfoResC(this));
    return dbHandOut(static_cast<dbITableInfoRes*>(result.get()), reinterpret_cast<void**>(out));
  } catch (...) {
    return kQzFailed;
  }
}

int32_t dbJDBCTableInfoC::execute(qzIUnknown** errOut) {
  if (errOut) *errOut = nullptr;
  try {
    if (lookUpTable(errOut) != kQzOk) return kQzFailed;
    if (readColumns(errOut) != kQzOk) return kQzFailed;
    readKeys({&JSQLApi::JSQLGetPrimaryKeys, kLabelPrimaryKey, kLabelPrimaryKeyRead, kPrimaryTexts,
              kPrimarySequence, kDbKeyRolePrimary, kDbKeyFlagPrimary},
             errOut);
    readKeys({&JSQLApi::JSQLGetImportedKeys, kLabelForeignKey, kLabelForeignKeyRead, kImportedTexts,
              kImportedSequence, kDbKeyRoleForeign, kDbKeyFlagForeign},
             errOut);
    return kQzOk;
  } catch (...) {
    return kQzFailed;
  }
}

void dbJDBCTableInfoC::loseKeyInformation() {
  for (dbJDBCTableColumnS& c : columns_) {
    if (c.keyRole == kDbKeyRolePlain) c.keyRole = kDbKeyRoleLost;
  }
}

void dbJDBCTableInfoC::mark(const std::string& column, int32_t role, int32_t flag) {
  for (dbJDBCTableColumnS& c : columns_) {
    if (c.name == column) {
      c.keyRole = role;
      c.keyFlags |= flag;
    }
  }
}

int32_t dbJDBCTableInfoC::lookUpTable(qzIUnknown** errOut) {
  JSQLApi& session = connection().session();
  static const char* const kTypes[] = {"TABLE"};
  // Nothing of an earlier execute survives this one, whether it succeeds or not.
  found_ = false;
  columns_.clear();
  tableName_.clear();
  tableCatalog_.clear();
  tableSchema_.clear();
  tableType_.clear();
  sql::ResultSet rs;
  if (session.JSQLGetTables(connection().metaData(), rs, nullptr,
                            schema_.empty() ? nullptr : schema_.c_str(), requestedName_.c_str(),
                            kTypes, 1) != JSQLApi::kOk) {
    loseKeyInformation();
    report(session, kLabelTable, errOut);
    return kQzFailed;
  }
  struct Found {
    std::string catalog, schema, name, type, remarks;
  };
  std::vector<Found> matches;
  int32_t status = kQzOk;
  try {
    while (status == kQzOk && rs.next()) {
      Found f;
      if (!readText(session, rs, kTablesCatalog, kNameBuffer, &f.catalog) ||
          !readText(session, rs, kTablesSchema, kNameBuffer, &f.schema) ||
          !readText(session, rs, kTablesName, kNameBuffer, &f.name) ||
          !readText(session, rs, kTablesType, kNameBuffer, &f.type) ||
          !readText(session, rs, kTablesRemarks, kRemarksBuffer, &f.remarks)) {
        report(session, kLabelTable, errOut);
        status = kQzFailed;
      } else {
        matches.push_back(std::move(f));
      }
    }
  } catch (const std::exception& e) {
    report(session, kLabelTable, errOut, dbJavaMessage(e).c_str());
    status = kQzFailed;
  }
  session.JSQLCloseResultSet(rs);
  if (status != kQzOk) return status;
  // The name is a pattern to the catalogue: "T_1" also matches "TX1". Of several matches, the
  // one table whose name is exactly the one asked for is meant.
  const Found* chosen = matches.size() == 1 ? &matches.front() : nullptr;
  if (matches.size() > 1) {
    for (const Found& f : matches) {
      if (f.name != requestedName_) continue;
      if (chosen) {
        chosen = nullptr;  // the same name in two schemas
        break;
      }
      chosen = &f;
    }
    if (!chosen) {
      report(session, kLabelTable, errOut, kAmbiguous);
      return kQzFailed;
    }
  }
  // No table at all is not an error here: the columns step finds nothing then.
  if (chosen) {
    schema_ = chosen->schema;
    tableName_ = chosen->name;
    tableCatalog_ = chosen->catalog;
    tableSchema_ = chosen->schema;
    tableType_ = chosen->type;
    found_ = true;
  }
  return kQzOk;
}

int32_t dbJDBCTableInfoC::readColumns(qzIUnknown** errOut) {
  JSQLApi& session = connection().session();
  sql::DatabaseMetaData& metaData = connection().metaData();
  // A second execute replaces what the first found.
  columns_.clear();
  // The table found is asked for by its own name, so that a pattern that happened to match it
  // cannot bring in the columns of similarly named tables.
  const std::string schema = found_ ? literalPattern(metaData, schema_) : schema_;
  const std::string table = found_ ? literalPattern(metaData, tableName_) : requestedName_;
  sql::ResultSet rs;
  if (session.JSQLGetColumns(metaData, rs, nullptr, schema.c_str(), table.c_str(), nullptr) !=
      JSQLApi::kOk) {
    report(session, kLabelColumns, errOut);
    return kQzFailed;
  }
  int32_t status = kQzOk;
  try {
    while (rs.next()) {
      dbJDBCTableColumnS c;
      if (!readText(session, rs, kColumnsName, kNameBuffer, &c.name) ||
          !readInt(session, rs, kColumnsDataType, &c.dataType) ||
          !readInt(session, rs, kColumnsSize, &c.columnSize) ||
          !readText(session, rs, kColumnsRemarks, kRemarksBuffer, &c.remarks, &c.remarksNull) ||
          !readInt(session, rs, kColumnsOrdinal, &c.ordinal)) {
        report(session, kLabelColumnRead, errOut);
        status = kQzFailed;
        break;
      }
      c.cType = dbDefaultColumnMapping(c.dataType, c.columnSize).cType;
      columns_.push_back(std::move(c));
    }
  } catch (const std::exception& e) {
    report(session, kLabelColumnRead, errOut, dbJavaMessage(e).c_str());
    status = kQzFailed;
  }
  session.JSQLCloseResultSet(rs);
  if (status == kQzOk && columns_.empty()) return kQzFailed;
  return status;
}

void dbJDBCTableInfoC::readKeys(const KeyQueryS& keys, qzIUnknown** errOut) {
  JSQLApi& session = connection().session();
  const std::string& table = found_ ? tableName_ : requestedName_;
  sql::ResultSet rs;
  if ((session.*keys.query)(connection().metaData(), rs, nullptr, schema_.c_str(), table.c_str()) !=
      JSQLApi::kOk) {
    loseKeyInformation();
    report(session, keys.label, errOut);
    return;
  }
  try {
    std::string text;
    int32_t sequence = 0;
    while (rs.next()) {
      bool read = true;
      for (const int32_t column : keys.texts) {
        read = read && readText(session, rs, column, kNameBuffer, &text);
      }
      if (!read) {
        report(session, keys.readLabel, errOut);
        break;
      }
      if (!readInt(session, rs, keys.sequence, &sequence)) break;
      mark(text, keys.role, keys.flag);  // the last text read: the key column
    }
  } catch (const std::exception& e) {
    report(session, keys.readLabel, errOut, dbJavaMessage(e).c_str());
  }
  session.JSQLCloseResultSet(rs);
}

void dbJDBCTableInfoC::scriptTableName(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  setTableName(args.getText(0));
  result.setInt(1);
}

void dbJDBCTableInfoC::scriptResult(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  qzRef<qzIUnknown> res;
  if (getResult(res.out()) != kQzOk || !res) {
    res.detach();
    throw proxyExecuteExceptionC(kInvalidResult, kResultSource);
  }
  qzRef<qzIDispatch> d = qzQuery<qzIDispatch>(res.get(), qziid::kDispatch);
  if (!d) throw proxyExecuteExceptionC(kInvalidResult, kResultSource);
  result.setObject(d.get());
}

// The base layer's execute, except that a report the key steps left behind when the call
// succeeded is released rather than lost.
void dbJDBCTableInfoC::scriptExecute(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  qzIUnknown* err = nullptr;
  const int32_t rc = execute(&err);
  qzRef<qzIUnknown> held(err);
  if (rc != kQzOk) throw proxyExecuteComExceptionC(held.get());
  result.setInt(1);
}

proxyMethodTableC* dbJDBCTableInfoC::table() {
  using T = dbJDBCTableInfoC;
  return layeredTable<T>({
      dbPut<&T::scriptTableName>("tablename"),
      dbGet<&T::scriptResult>("result"),
      dbMethod<&T::scriptExecute>("execute", 0),
  });
}

// --- the result object ----------------------------------------------------------------------

namespace {

bool toInt(const qzVariantS* v, int32_t* out) {
  if (!v) return false;
  qzVariantS copy(*v);
  dbResolveSymbolRefs(copy);
  return copy.getInt(out) == kQzOk;
}

}  // namespace

dbJDBCTableInfoResC::dbJDBCTableInfoResC(dbJDBCTableInfoC* info)
    : dbObjectT(table()), info_(qzRef<dbJDBCTableInfoC>::share(info)) {}

dbJDBCTableInfoResC::~dbJDBCTableInfoResC() = default;

int32_t dbJDBCTableInfoResC::tableinfo(const qzVariantS* code, qzVariantS* out) {
  int32_t n = 0;
  if (!out || !toInt(code, &n)) return kQzFailed;
  try {
    switch (n) {
      case 1:
        out->setString(info_->tableName().c_str());
        return kQzOk;
      case 2:
        out->setString(info_->tableCatalog().c_str());
        return kQzOk;
      case 3:
        out->setString(info_->tableSchema().c_str());
        return kQzOk;
      default:
        return kQzFailed;
    }
  } catch (...) {
    return kQzFailed;
  }
}

int32_t dbJDBCTableInfoResC::countColumns(int32_t* out) {
  if (out) *out = static_cast<int32_t>(info_->columns().size());
  return kQzOk;
}

int32_t dbJDBCTableInfoResC::columnInfo(const qzVariantS* column, const qzVariantS* code,
                                        qzVariantS* out) {
  if (!column || !out) return kQzFailed;
  try {
    const std::vector<dbJDBCTableColumnS>& columns = info_->columns();
    qzVariantS key(*column);
    dbResolveSymbolRefs(key);
    const dbJDBCTableColumnS* c = nullptr;
    if (key.type == kVtInt || key.type == kVtFloat) {
      int32_t i = -1;
      if (key.getInt(&i) != kQzOk || i < 0 || i >= static_cast<int32_t>(columns.size())) {
        return kQzFailed;
      }
      c = &columns[static_cast<size_t>(i)];
    } else {
      const char* name = nullptr;
      if (key.getText(&name) != kQzOk) return kQzFailed;
      for (const dbJDBCTableColumnS& candidate : columns) {
        if (qzEqualsIgnoringAsciiCase(candidate.name.c_str(), name)) {
          c = &candidate;
          break;
        }
      }
      if (!c) return kQzFailed;
    }
    int32_t n = 0;
    if (!toInt(code, &n)) return kQzFailed;
    switch (n) {
      case 1:
        out->setString(c->name.c_str());
        return kQzOk;
      case 2:
        out->setInt(c->cType);
        return kQzOk;
      case 3:
        out->setInt(c->ordinal - 1);
        return kQzOk;
      case 4:
        // Empty remarks read as NULL does, unless the connection keeps them apart.
        if (c->remarksNull && !info_->emptyIsNull()) {
          out->clear();
        } else {
          out->setString(c->remarks.c_str());
        }
        return kQzOk;
      case 5:
        out->setInt(c->keyRole);
        return c->keyRole == kDbKeyRoleLost ? kQzFailed : kQzOk;
      case 6:
        out->setInt(c->dataType);
        return kQzOk;
      case 7:
        out->setInt(c->columnSize);
        return kQzOk;
      case 8:
        out->setInt(c->keyFlags);
        return kQzOk;
      default:
        return kQzFailed;
    }
  } catch (...) {
    return kQzFailed;
  }
}

void dbJDBCTableInfoResC::scriptTableInfo(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  qzVariantS out;
  if (tableinfo(&args.get(0).value, &out) != kQzOk) throw proxyAutoTypeCastExceptionC();
  result.value = out;
}

void dbJDBCTableInfoResC::scriptCountColumns(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  int32_t n = 0;
  countColumns(&n);
  result.setInt(n);
}

void dbJDBCTableInfoResC::scriptColumnInfo(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  qzVariantS out;
  if (columnInfo(&args.get(0).value, &args.get(1).value, &out) != kQzOk) {
    throw proxyAutoTypeCastExceptionC();
  }
  result.value = out;
}

proxyMethodTableC* dbJDBCTableInfoResC::table() {
  using T = dbJDBCTableInfoResC;
  return dbTable<T>({
      dbMethod<&T::scriptTableInfo>("tableinfo", 1),
      dbGet<&T::scriptCountColumns>("countColumns"),
      dbMethod<&T::scriptColumnInfo>("columnInfo", 2),
  });
}
