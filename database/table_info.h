// Table information ("TABLEINFO"): which table a name denotes (catalog, schema, name), its
// columns with type, size, position and remarks, and which of them belong to the primary key
// or to a foreign key. A script assigns the name ("table" or "schema.table"; either part may be
// written in double quotes), runs execute, and reads the answers from the result object of the
// `result` property. Everything comes from the connection's JDBC database metadata.
//
// Thread rule: that of the connection. Ownership: the table information object holds a counted
// reference to the connection; each result object holds one to the table information object
// and reads its current fields on every call.
//
// Statuses: 0 success, 1 failure (the component convention).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "database/db_object.h"
#include "database/transaction.h"
#include "interfaces/database.h"
#include "interfaces/record_set.h"
#include "jbridge/proxy/proxy_fwd.h"
#include "object/com_ref.h"
#include "object/proxy_object.h"

namespace qz::jdbc {
class JSQLApi;
}

struct dbJDBCTableColumnS {
  std::string name;
  int32_t cType = 0;  // the record set's value kind for dataType (0: none)
  int32_t dataType = 0;
  int32_t ordinal = 0;  // from 1
  int32_t columnSize = 0;
  int32_t keyFlags = 0;
  std::string remarks;
  bool remarksNull = true;
  int32_t keyRole = kDbKeyRolePlain;
};

class dbJDBCTableInfoC final : public dbObjectT<dbJDBCTableInfoC, dbJDBCTransactionC,
                                                dbITableInfoTrans, dbiid::kTableInfoTrans> {
 public:
  explicit dbJDBCTableInfoC(dbJDBCDatabaseC* connection);
  ~dbJDBCTableInfoC() override;

  // Fails (1) when the table cannot be looked up, is ambiguous, or has no columns; a failure
  // to read its keys is put into errOut, but the call succeeds.
  int32_t execute(qzIUnknown** errOut) override;
  int32_t setTableName(const char* text) override;
  int32_t getResult(qzIUnknown** out) override;

  // Splits "schema.table" at the first full stop outside double quotes; a part written in
  // double quotes loses them (and "" inside stands for one quote). Without a full stop the
  // schema is empty.
  static void splitName(const std::string& text, std::string* schema, std::string* table);

  // For the result object and for tests.
  const std::string& requestedName() const { return requestedName_; }
  const std::string& schema() const { return schema_; }
  const std::string& tableName() const { return tableName_; }
  const std::string& tableSchema() const { return tableSchema_; }
  const std::string& tableCatalog() const { return tableCatalog_; }
  const std::string& tableType() const { return tableType_; }
  const std::vector<dbJDBCTableColumnS>& columns() const { return columns_; }
  // The connection's EMPTYISNULL when this object was made.
  bool emptyIsNull() const { return emptyIsNull_; }

 private:
  dbScriptFn scriptTableName, scriptResult, scriptExecute;
  static proxyMethodTableC* table();

  int32_t lookUpTable(qzIUnknown** errOut);
  int32_t readColumns(qzIUnknown** errOut);
  using KeyQuery =
      int32_t (qz::jdbc::JSQLApi::*)(jbridge::proxy::java::sql::DatabaseMetaData& metaData,
                                     jbridge::proxy::java::sql::ResultSet& resultSet,
                                     const char* catalog, const char* schema, const char* table);
  // A key query and where its answer is read: the text columns of each row, the last of them
  // the column that gets role and flag, and the key sequence column.
  struct KeyQueryS {
    KeyQuery query;
    const char* label;      // reports a failed query
    const char* readLabel;  // reports a row that does not read
    std::span<const int32_t> texts;
    int32_t sequence;
    int32_t role;
    int32_t flag;
  };
  // Runs the key query for the table and marks the key columns it names. A failed query drops
  // the key information; both failures are reported in errOut.
  void readKeys(const KeyQueryS& keys, qzIUnknown** errOut);
  void loseKeyInformation();
  void mark(const std::string& column, int32_t role, int32_t flag);

  std::string requestedName_;
  std::string schema_;
  std::string tableName_;
  std::string tableSchema_;
  std::string tableCatalog_;
  std::string tableType_;
  bool found_ = false;  // the last lookup found the table
  std::vector<dbJDBCTableColumnS> columns_;
  bool emptyIsNull_;
};

class dbJDBCTableInfoResC final
    : public dbObjectT<dbJDBCTableInfoResC, proxyObjectC, dbITableInfoRes, dbiid::kTableInfoRes> {
 public:
  // REQUIRES: info is not null.
  explicit dbJDBCTableInfoResC(dbJDBCTableInfoC* info);
  ~dbJDBCTableInfoResC() override;

  int32_t tableinfo(const qzVariantS* code, qzVariantS* out) override;
  int32_t countColumns(int32_t* out) override;
  int32_t columnInfo(const qzVariantS* column, const qzVariantS* code, qzVariantS* out) override;

 private:
  dbScriptFn scriptTableInfo, scriptCountColumns, scriptColumnInfo;
  static proxyMethodTableC* table();

  qzRef<dbJDBCTableInfoC> info_;
};

// For the connection's createObject("TABLEINFO"): declared in database/children.h.
