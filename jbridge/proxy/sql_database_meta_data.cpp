#include "jbridge/proxy/sql_database_meta_data.h"

#include "jbridge/proxy/java_sql.h"

namespace jbridge::proxy::java::sql {

JInt DatabaseMetaData::procedureResultUnknown() {
  return call::staticField<DatabaseMetaData, JInt, "procedureResultUnknown">();
}
JInt DatabaseMetaData::procedureNoResult() {
  return call::staticField<DatabaseMetaData, JInt, "procedureNoResult">();
}
JInt DatabaseMetaData::procedureReturnsResult() {
  return call::staticField<DatabaseMetaData, JInt, "procedureReturnsResult">();
}
JInt DatabaseMetaData::procedureColumnUnknown() {
  return call::staticField<DatabaseMetaData, JInt, "procedureColumnUnknown">();
}
JInt DatabaseMetaData::procedureColumnIn() {
  return call::staticField<DatabaseMetaData, JInt, "procedureColumnIn">();
}
JInt DatabaseMetaData::procedureColumnInOut() {
  return call::staticField<DatabaseMetaData, JInt, "procedureColumnInOut">();
}
JInt DatabaseMetaData::procedureColumnOut() {
  return call::staticField<DatabaseMetaData, JInt, "procedureColumnOut">();
}
JInt DatabaseMetaData::procedureColumnReturn() {
  return call::staticField<DatabaseMetaData, JInt, "procedureColumnReturn">();
}
JInt DatabaseMetaData::procedureColumnResult() {
  return call::staticField<DatabaseMetaData, JInt, "procedureColumnResult">();
}
JInt DatabaseMetaData::procedureNoNulls() {
  return call::staticField<DatabaseMetaData, JInt, "procedureNoNulls">();
}
JInt DatabaseMetaData::procedureNullable() {
  return call::staticField<DatabaseMetaData, JInt, "procedureNullable">();
}
JInt DatabaseMetaData::procedureNullableUnknown() {
  return call::staticField<DatabaseMetaData, JInt, "procedureNullableUnknown">();
}
JInt DatabaseMetaData::columnNoNulls() {
  return call::staticField<DatabaseMetaData, JInt, "columnNoNulls">();
}
JInt DatabaseMetaData::columnNullable() {
  return call::staticField<DatabaseMetaData, JInt, "columnNullable">();
}
JInt DatabaseMetaData::columnNullableUnknown() {
  return call::staticField<DatabaseMetaData, JInt, "columnNullableUnknown">();
}
JInt DatabaseMetaData::bestRowTemporary() {
  return call::staticField<DatabaseMetaData, JInt, "bestRowTemporary">();
}
JInt DatabaseMetaData::bestRowTransaction() {
  return call::staticField<DatabaseMetaData, JInt, "bestRowTransaction">();
}
JInt DatabaseMetaData::bestRowSession() {
  return call::staticField<DatabaseMetaData, JInt, "bestRowSession">();
}
JInt DatabaseMetaData::bestRowUnknown() {
  return call::staticField<DatabaseMetaData, JInt, "bestRowUnknown">();
}
JInt DatabaseMetaData::bestRowNotPseudo() {
  return call::staticField<DatabaseMetaData, JInt, "bestRowNotPseudo">();
}
JInt DatabaseMetaData::bestRowPseudo() {
  return call::staticField<DatabaseMetaData, JInt, "bestRowPseudo">();
}
JInt DatabaseMetaData::versionColumnUnknown() {
  return call::staticField<DatabaseMetaData, JInt, "versionColumnUnknown">();
}
JInt DatabaseMetaData::versionColumnNotPseudo() {
  return call::staticField<DatabaseMetaData, JInt, "versionColumnNotPseudo">();
}
JInt DatabaseMetaData::versionColumnPseudo() {
  return call::staticField<DatabaseMetaData, JInt, "versionColumnPseudo">();
}
JInt DatabaseMetaData::importedKeyCascade() {
  return call::staticField<DatabaseMetaData, JInt, "importedKeyCascade">();
}
JInt DatabaseMetaData::importedKeyRestrict() {
  return call::staticField<DatabaseMetaData, JInt, "importedKeyRestrict">();
}
JInt DatabaseMetaData::importedKeySetNull() {
  return call::staticField<DatabaseMetaData, JInt, "importedKeySetNull">();
}
JInt DatabaseMetaData::importedKeyNoAction() {
  return call::staticField<DatabaseMetaData, JInt, "importedKeyNoAction">();
}
JInt DatabaseMetaData::importedKeySetDefault() {
  return call::staticField<DatabaseMetaData, JInt, "importedKeySetDefault">();
}
JInt DatabaseMetaData::importedKeyInitiallyDeferred() {
  return call::staticField<DatabaseMetaData, JInt, "importedKeyInitiallyDeferred">();
}
JInt DatabaseMetaData::importedKeyInitiallyImmediate() {
  return call::staticField<DatabaseMetaData, JInt, "importedKeyInitiallyImmediate">();
}
JInt DatabaseMetaData::importedKeyNotDeferrable() {
  return call::staticField<DatabaseMetaData, JInt, "importedKeyNotDeferrable">();
}
JInt DatabaseMetaData::typeNoNulls() {
  return call::staticField<DatabaseMetaData, JInt, "typeNoNulls">();
}
JInt DatabaseMetaData::typeNullable() {
  return call::staticField<DatabaseMetaData, JInt, "typeNullable">();
}
JInt DatabaseMetaData::typeNullableUnknown() {
  return call::staticField<DatabaseMetaData, JInt, "typeNullableUnknown">();
}
JInt DatabaseMetaData::typePredNone() {
  return call::staticField<DatabaseMetaData, JInt, "typePredNone">();
}
JInt DatabaseMetaData::typePredChar() {
  return call::staticField<DatabaseMetaData, JInt, "typePredChar">();
}
JInt DatabaseMetaData::typePredBasic() {
  return call::staticField<DatabaseMetaData, JInt, "typePredBasic">();
}
JInt DatabaseMetaData::typeSearchable() {
  return call::staticField<DatabaseMetaData, JInt, "typeSearchable">();
}
JShort DatabaseMetaData::tableIndexStatistic() {
  return call::staticField<DatabaseMetaData, JShort, "tableIndexStatistic">();
}
JShort DatabaseMetaData::tableIndexClustered() {
  return call::staticField<DatabaseMetaData, JShort, "tableIndexClustered">();
}
JShort DatabaseMetaData::tableIndexHashed() {
  return call::staticField<DatabaseMetaData, JShort, "tableIndexHashed">();
}
JShort DatabaseMetaData::tableIndexOther() {
  return call::staticField<DatabaseMetaData, JShort, "tableIndexOther">();
}
JShort DatabaseMetaData::attributeNoNulls() {
  return call::staticField<DatabaseMetaData, JShort, "attributeNoNulls">();
}
JShort DatabaseMetaData::attributeNullable() {
  return call::staticField<DatabaseMetaData, JShort, "attributeNullable">();
}
JShort DatabaseMetaData::attributeNullableUnknown() {
  return call::staticField<DatabaseMetaData, JShort, "attributeNullableUnknown">();
}
JInt DatabaseMetaData::sqlStateXOpen() {
  return call::staticField<DatabaseMetaData, JInt, "sqlStateXOpen">();
}
JInt DatabaseMetaData::sqlStateSQL99() {
  return call::staticField<DatabaseMetaData, JInt, "sqlStateSQL99">();
}
JBoolean DatabaseMetaData::allProceduresAreCallable() const {
  return call::method<JBoolean, "allProceduresAreCallable">(this);
}
JBoolean DatabaseMetaData::allTablesAreSelectable() const {
  return call::method<JBoolean, "allTablesAreSelectable">(this);
}
lang::String DatabaseMetaData::getURL() const {
  return call::method<lang::String, "getURL">(this);
}
lang::String DatabaseMetaData::getUserName() const {
  return call::method<lang::String, "getUserName">(this);
}
JBoolean DatabaseMetaData::isReadOnly() const {
  return call::method<JBoolean, "isReadOnly">(this);
}
JBoolean DatabaseMetaData::nullsAreSortedHigh() const {
  return call::method<JBoolean, "nullsAreSortedHigh">(this);
}
JBoolean DatabaseMetaData::nullsAreSortedLow() const {
  return call::method<JBoolean, "nullsAreSortedLow">(this);
}
JBoolean DatabaseMetaData::nullsAreSortedAtStart() const {
  return call::method<JBoolean, "nullsAreSortedAtStart">(this);
}
JBoolean DatabaseMetaData::nullsAreSortedAtEnd() const {
  return call::method<JBoolean, "nullsAreSortedAtEnd">(this);
}
lang::String DatabaseMetaData::getDatabaseProductName() const {
  return call::method<lang::String, "getDatabaseProductName">(this);
}
lang::String DatabaseMetaData::getDatabaseProductVersion() const {
  return call::method<lang::String, "getDatabaseProductVersion">(this);
}
lang::String DatabaseMetaData::getDriverName() const {
  return call::method<lang::String, "getDriverName">(this);
}
lang::String DatabaseMetaData::getDriverVersion() const {
  return call::method<lang::String, "getDriverVersion">(this);
}
JInt DatabaseMetaData::getDriverMajorVersion() const {
  return call::method<JInt, "getDriverMajorVersion">(this);
}
JInt DatabaseMetaData::getDriverMinorVersion() const {
  return call::method<JInt, "getDriverMinorVersion">(this);
}
JBoolean DatabaseMetaData::usesLocalFiles() const {
  return call::method<JBoolean, "usesLocalFiles">(this);
}
JBoolean DatabaseMetaData::usesLocalFilePerTable() const {
  return call::method<JBoolean, "usesLocalFilePerTable">(this);
}
JBoolean DatabaseMetaData::supportsMixedCaseIdentifiers() const {
  return call::method<JBoolean, "supportsMixedCaseIdentifiers">(this);
}
JBoolean DatabaseMetaData::storesUpperCaseIdentifiers() const {
  return call::method<JBoolean, "storesUpperCaseIdentifiers">(this);
}
JBoolean DatabaseMetaData::storesLowerCaseIdentifiers() const {
  return call::method<JBoolean, "storesLowerCaseIdentifiers">(this);
}
JBoolean DatabaseMetaData::storesMixedCaseIdentifiers() const {
  return call::method<JBoolean, "storesMixedCaseIdentifiers">(this);
}
JBoolean DatabaseMetaData::supportsMixedCaseQuotedIdentifiers() const {
  return call::method<JBoolean, "supportsMixedCaseQuotedIdentifiers">(this);
}
JBoolean DatabaseMetaData::storesUpperCaseQuotedIdentifiers() const {
  return call::method<JBoolean, "storesUpperCaseQuotedIdentifiers">(this);
}
JBoolean DatabaseMetaData::storesLowerCaseQuotedIdentifiers() const {
  return call::method<JBoolean, "storesLowerCaseQuotedIdentifiers">(this);
}
JBoolean DatabaseMetaData::storesMixedCaseQuotedIdentifiers() const {
  return call::method<JBoolean, "storesMixedCaseQuotedIdentifiers">(this);
}
lang::String DatabaseMetaData::getIdentifierQuoteString() const {
  return call::method<lang::String, "getIdentifierQuoteString">(this);
}
lang::String DatabaseMetaData::getSQLKeywords() const {
  return call::method<lang::String, "getSQLKeywords">(this);
}
lang::String DatabaseMetaData::getNumericFunctions() const {
  return call::method<lang::String, "getNumericFunctions">(this);
}
lang::String DatabaseMetaData::getStringFunctions() const {
  return call::method<lang::String, "getStringFunctions">(this);
}
lang::String DatabaseMetaData::getSystemFunctions() const {
  return call::method<lang::String, "getSystemFunctions">(this);
}
lang::String DatabaseMetaData::getTimeDateFunctions() const {
  return call::method<lang::String, "getTimeDateFunctions">(this);
}
lang::String DatabaseMetaData::getSearchStringEscape() const {
  return call::method<lang::String, "getSearchStringEscape">(this);
}
lang::String DatabaseMetaData::getExtraNameCharacters() const {
  return call::method<lang::String, "getExtraNameCharacters">(this);
}
JBoolean DatabaseMetaData::supportsAlterTableWithAddColumn() const {
  return call::method<JBoolean, "supportsAlterTableWithAddColumn">(this);
}
JBoolean DatabaseMetaData::supportsAlterTableWithDropColumn() const {
  return call::method<JBoolean, "supportsAlterTableWithDropColumn">(this);
}
JBoolean DatabaseMetaData::supportsColumnAliasing() const {
  return call::method<JBoolean, "supportsColumnAliasing">(this);
}
JBoolean DatabaseMetaData::nullPlusNonNullIsNull() const {
  return call::method<JBoolean, "nullPlusNonNullIsNull">(this);
}
JBoolean DatabaseMetaData::supportsConvert() const {
  return call::method<JBoolean, "supportsConvert">(this);
}
JBoolean DatabaseMetaData::supportsConvert(JInt fromType, JInt toType) const {
  return call::method<JBoolean, "supportsConvert">(this, fromType, toType);
}
JBoolean DatabaseMetaData::supportsTableCorrelationNames() const {
  return call::method<JBoolean, "supportsTableCorrelationNames">(this);
}
JBoolean DatabaseMetaData::supportsDifferentTableCorrelationNames() const {
  return call::method<JBoolean, "supportsDifferentTableCorrelationNames">(this);
}
JBoolean DatabaseMetaData::supportsExpressionsInOrderBy() const {
  return call::method<JBoolean, "supportsExpressionsInOrderBy">(this);
}
JBoolean DatabaseMetaData::supportsOrderByUnrelated() const {
  return call::method<JBoolean, "supportsOrderByUnrelated">(this);
}
JBoolean DatabaseMetaData::supportsGroupBy() const {
  return call::method<JBoolean, "supportsGroupBy">(this);
}
JBoolean DatabaseMetaData::supportsGroupByUnrelated() const {
  return call::method<JBoolean, "supportsGroupByUnrelated">(this);
}
JBoolean DatabaseMetaData::supportsGroupByBeyondSelect() const {
  return call::method<JBoolean, "supportsGroupByBeyondSelect">(this);
}
JBoolean DatabaseMetaData::supportsLikeEscapeClause() const {
  return call::method<JBoolean, "supportsLikeEscapeClause">(this);
}
JBoolean DatabaseMetaData::supportsMultipleResultSets() const {
  return call::method<JBoolean, "supportsMultipleResultSets">(this);
}
JBoolean DatabaseMetaData::supportsMultipleTransactions() const {
  return call::method<JBoolean, "supportsMultipleTransactions">(this);
}
JBoolean DatabaseMetaData::supportsNonNullableColumns() const {
  return call::method<JBoolean, "supportsNonNullableColumns">(this);
}
JBoolean DatabaseMetaData::supportsMinimumSQLGrammar() const {
  return call::method<JBoolean, "supportsMinimumSQLGrammar">(this);
}
JBoolean DatabaseMetaData::supportsCoreSQLGrammar() const {
  return call::method<JBoolean, "supportsCoreSQLGrammar">(this);
}
JBoolean DatabaseMetaData::supportsExtendedSQLGrammar() const {
  return call::method<JBoolean, "supportsExtendedSQLGrammar">(this);
}
JBoolean DatabaseMetaData::supportsANSI92EntryLevelSQL() const {
  return call::method<JBoolean, "supportsANSI92EntryLevelSQL">(this);
}
JBoolean DatabaseMetaData::supportsANSI92IntermediateSQL() const {
  return call::method<JBoolean, "supportsANSI92IntermediateSQL">(this);
}
JBoolean DatabaseMetaData::supportsANSI92FullSQL() const {
  return call::method<JBoolean, "supportsANSI92FullSQL">(this);
}
JBoolean DatabaseMetaData::supportsIntegrityEnhancementFacility() const {
  return call::method<JBoolean, "supportsIntegrityEnhancementFacility">(this);
}
JBoolean DatabaseMetaData::supportsOuterJoins() const {
  return call::method<JBoolean, "supportsOuterJoins">(this);
}
JBoolean DatabaseMetaData::supportsFullOuterJoins() const {
  return call::method<JBoolean, "supportsFullOuterJoins">(this);
}
JBoolean DatabaseMetaData::supportsLimitedOuterJoins() const {
  return call::method<JBoolean, "supportsLimitedOuterJoins">(this);
}
lang::String DatabaseMetaData::getSchemaTerm() const {
  return call::method<lang::String, "getSchemaTerm">(this);
}
lang::String DatabaseMetaData::getProcedureTerm() const {
  return call::method<lang::String, "getProcedureTerm">(this);
}
lang::String DatabaseMetaData::getCatalogTerm() const {
  return call::method<lang::String, "getCatalogTerm">(this);
}
JBoolean DatabaseMetaData::isCatalogAtStart() const {
  return call::method<JBoolean, "isCatalogAtStart">(this);
}
lang::String DatabaseMetaData::getCatalogSeparator() const {
  return call::method<lang::String, "getCatalogSeparator">(this);
}
JBoolean DatabaseMetaData::supportsSchemasInDataManipulation() const {
  return call::method<JBoolean, "supportsSchemasInDataManipulation">(this);
}
JBoolean DatabaseMetaData::supportsSchemasInProcedureCalls() const {
  return call::method<JBoolean, "supportsSchemasInProcedureCalls">(this);
}
JBoolean DatabaseMetaData::supportsSchemasInTableDefinitions() const {
  return call::method<JBoolean, "supportsSchemasInTableDefinitions">(this);
}
JBoolean DatabaseMetaData::supportsSchemasInIndexDefinitions() const {
  return call::method<JBoolean, "supportsSchemasInIndexDefinitions">(this);
}
JBoolean DatabaseMetaData::supportsSchemasInPrivilegeDefinitions() const {
  return call::method<JBoolean, "supportsSchemasInPrivilegeDefinitions">(this);
}
JBoolean DatabaseMetaData::supportsCatalogsInDataManipulation() const {
  return call::method<JBoolean, "supportsCatalogsInDataManipulation">(this);
}
JBoolean DatabaseMetaData::supportsCatalogsInProcedureCalls() const {
  return call::method<JBoolean, "supportsCatalogsInProcedureCalls">(this);
}
JBoolean DatabaseMetaData::supportsCatalogsInTableDefinitions() const {
  return call::method<JBoolean, "supportsCatalogsInTableDefinitions">(this);
}
JBoolean DatabaseMetaData::supportsCatalogsInIndexDefinitions() const {
  return call::method<JBoolean, "supportsCatalogsInIndexDefinitions">(this);
}
JBoolean DatabaseMetaData::supportsCatalogsInPrivilegeDefinitions() const {
  return call::method<JBoolean, "supportsCatalogsInPrivilegeDefinitions">(this);
}
JBoolean DatabaseMetaData::supportsPositionedDelete() const {
  return call::method<JBoolean, "supportsPositionedDelete">(this);
}
JBoolean DatabaseMetaData::supportsPositionedUpdate() const {
  return call::method<JBoolean, "supportsPositionedUpdate">(this);
}
JBoolean DatabaseMetaData::supportsSelectForUpdate() const {
  return call::method<JBoolean, "supportsSelectForUpdate">(this);
}
JBoolean DatabaseMetaData::supportsStoredProcedures() const {
  return call::method<JBoolean, "supportsStoredProcedures">(this);
}
JBoolean DatabaseMetaData::supportsSubqueriesInComparisons() const {
  return call::method<JBoolean, "supportsSubqueriesInComparisons">(this);
}
JBoolean DatabaseMetaData::supportsSubqueriesInExists() const {
  return call::method<JBoolean, "supportsSubqueriesInExists">(this);
}
JBoolean DatabaseMetaData::supportsSubqueriesInIns() const {
  return call::method<JBoolean, "supportsSubqueriesInIns">(this);
}
JBoolean DatabaseMetaData::supportsSubqueriesInQuantifieds() const {
  return call::method<JBoolean, "supportsSubqueriesInQuantifieds">(this);
}
JBoolean DatabaseMetaData::supportsCorrelatedSubqueries() const {
  return call::method<JBoolean, "supportsCorrelatedSubqueries">(this);
}
JBoolean DatabaseMetaData::supportsUnion() const {
  return call::method<JBoolean, "supportsUnion">(this);
}
JBoolean DatabaseMetaData::supportsUnionAll() const {
  return call::method<JBoolean, "supportsUnionAll">(this);
}
JBoolean DatabaseMetaData::supportsOpenCursorsAcrossCommit() const {
  return call::method<JBoolean, "supportsOpenCursorsAcrossCommit">(this);
}
JBoolean DatabaseMetaData::supportsOpenCursorsAcrossRollback() const {
  return call::method<JBoolean, "supportsOpenCursorsAcrossRollback">(this);
}
JBoolean DatabaseMetaData::supportsOpenStatementsAcrossCommit() const {
  return call::method<JBoolean, "supportsOpenStatementsAcrossCommit">(this);
}
JBoolean DatabaseMetaData::supportsOpenStatementsAcrossRollback() const {
  return call::method<JBoolean, "supportsOpenStatementsAcrossRollback">(this);
}
JInt DatabaseMetaData::getMaxBinaryLiteralLength() const {
  return call::method<JInt, "getMaxBinaryLiteralLength">(this);
}
JInt DatabaseMetaData::getMaxCharLiteralLength() const {
  return call::method<JInt, "getMaxCharLiteralLength">(this);
}
JInt DatabaseMetaData::getMaxColumnNameLength() const {
  return call::method<JInt, "getMaxColumnNameLength">(this);
}
JInt DatabaseMetaData::getMaxColumnsInGroupBy() const {
  return call::method<JInt, "getMaxColumnsInGroupBy">(this);
}
JInt DatabaseMetaData::getMaxColumnsInIndex() const {
  return call::method<JInt, "getMaxColumnsInIndex">(this);
}
JInt DatabaseMetaData::getMaxColumnsInOrderBy() const {
  return call::method<JInt, "getMaxColumnsInOrderBy">(this);
}
JInt DatabaseMetaData::getMaxColumnsInSelect() const {
  return call::method<JInt, "getMaxColumnsInSelect">(this);
}
JInt DatabaseMetaData::getMaxColumnsInTable() const {
  return call::method<JInt, "getMaxColumnsInTable">(this);
}
JInt DatabaseMetaData::getMaxConnections() const {
  return call::method<JInt, "getMaxConnections">(this);
}
JInt DatabaseMetaData::getMaxCursorNameLength() const {
  return call::method<JInt, "getMaxCursorNameLength">(this);
}
JInt DatabaseMetaData::getMaxIndexLength() const {
  return call::method<JInt, "getMaxIndexLength">(this);
}
JInt DatabaseMetaData::getMaxSchemaNameLength() const {
  return call::method<JInt, "getMaxSchemaNameLength">(this);
}
JInt DatabaseMetaData::getMaxProcedureNameLength() const {
  return call::method<JInt, "getMaxProcedureNameLength">(this);
}
JInt DatabaseMetaData::getMaxCatalogNameLength() const {
  return call::method<JInt, "getMaxCatalogNameLength">(this);
}
JInt DatabaseMetaData::getMaxRowSize() const {
  return call::method<JInt, "getMaxRowSize">(this);
}
JBoolean DatabaseMetaData::doesMaxRowSizeIncludeBlobs() const {
  return call::method<JBoolean, "doesMaxRowSizeIncludeBlobs">(this);
}
JInt DatabaseMetaData::getMaxStatementLength() const {
  return call::method<JInt, "getMaxStatementLength">(this);
}
JInt DatabaseMetaData::getMaxStatements() const {
  return call::method<JInt, "getMaxStatements">(this);
}
JInt DatabaseMetaData::getMaxTableNameLength() const {
  return call::method<JInt, "getMaxTableNameLength">(this);
}
JInt DatabaseMetaData::getMaxTablesInSelect() const {
  return call::method<JInt, "getMaxTablesInSelect">(this);
}
JInt DatabaseMetaData::getMaxUserNameLength() const {
  return call::method<JInt, "getMaxUserNameLength">(this);
}
JInt DatabaseMetaData::getDefaultTransactionIsolation() const {
  return call::method<JInt, "getDefaultTransactionIsolation">(this);
}
JBoolean DatabaseMetaData::supportsTransactions() const {
  return call::method<JBoolean, "supportsTransactions">(this);
}
JBoolean DatabaseMetaData::supportsTransactionIsolationLevel(JInt level) const {
  return call::method<JBoolean, "supportsTransactionIsolationLevel">(this, level);
}
JBoolean DatabaseMetaData::supportsDataDefinitionAndDataManipulationTransactions() const {
  return call::method<JBoolean, "supportsDataDefinitionAndDataManipulationTransactions">(this);
}
JBoolean DatabaseMetaData::supportsDataManipulationTransactionsOnly() const {
  return call::method<JBoolean, "supportsDataManipulationTransactionsOnly">(this);
}
JBoolean DatabaseMetaData::dataDefinitionCausesTransactionCommit() const {
  return call::method<JBoolean, "dataDefinitionCausesTransactionCommit">(this);
}
JBoolean DatabaseMetaData::dataDefinitionIgnoredInTransactions() const {
  return call::method<JBoolean, "dataDefinitionIgnoredInTransactions">(this);
}
ResultSet DatabaseMetaData::getProcedures(const lang::String& catalog,
                                          const lang::String& schemaPattern,
                                          const lang::String& procedureNamePattern) const {
  return call::method<ResultSet, "getProcedures">(this, catalog, schemaPattern,
                                                  procedureNamePattern);
}
ResultSet DatabaseMetaData::getProcedureColumns(const lang::String& catalog,
                                                const lang::String& schemaPattern,
                                                const lang::String& procedureNamePattern,
                                                const lang::String& columnNamePattern) const {
  return call::method<ResultSet, "getProcedureColumns">(this, catalog, schemaPattern,
                                                        procedureNamePattern, columnNamePattern);
}
ResultSet DatabaseMetaData::getTables(const lang::String& catalog,
                                      const lang::String& schemaPattern,
                                      const lang::String& tableNamePattern,
                                      const JArray<lang::String>& types) const {
  return call::method<ResultSet, "getTables">(this, catalog, schemaPattern, tableNamePattern,
                                              types);
}
ResultSet DatabaseMetaData::getSchemas() const {
  return call::method<ResultSet, "getSchemas">(this);
}
ResultSet DatabaseMetaData::getCatalogs() const {
  return call::method<ResultSet, "getCatalogs">(this);
}
ResultSet DatabaseMetaData::getTableTypes() const {
  return call::method<ResultSet, "getTableTypes">(this);
}
ResultSet DatabaseMetaData::getColumns(const lang::String& catalog,
                                       const lang::String& schemaPattern,
                                       const lang::String& tableNamePattern,
                                       const lang::String& columnNamePattern) const {
  return call::method<ResultSet, "getColumns">(this, catalog, schemaPattern, tableNamePattern,
                                               columnNamePattern);
}
ResultSet DatabaseMetaData::getColumnPrivileges(const lang::String& catalog,
                                                const lang::String& schema,
                                                const lang::String& table,
                                                const lang::String& columnNamePattern) const {
  return call::method<ResultSet, "getColumnPrivileges">(this, catalog, schema, table,
                                                        columnNamePattern);
}
ResultSet DatabaseMetaData::getTablePrivileges(const lang::String& catalog,
                                               const lang::String& schemaPattern,
                                               const lang::String& tableNamePattern) const {
  return call::method<ResultSet, "getTablePrivileges">(this, catalog, schemaPattern,
                                                       tableNamePattern);
}
ResultSet DatabaseMetaData::getBestRowIdentifier(const lang::String& catalog,
                                                 const lang::String& schema,
                                                 const lang::String& table, JInt scope,
                                                 JBoolean nullable) const {
  return call::method<ResultSet, "getBestRowIdentifier">(this, catalog, schema, table, scope,
                                                         nullable);
}
ResultSet DatabaseMetaData::getVersionColumns(const lang::String& catalog,
                                              const lang::String& schema,
                                              const lang::String& table) const {
  return call::method<ResultSet, "getVersionColumns">(this, catalog, schema, table);
}
ResultSet DatabaseMetaData::getPrimaryKeys(const lang::String& catalog, const lang::String& schema,
                                           const lang::String& table) const {
  return call::method<ResultSet, "getPrimaryKeys">(this, catalog, schema, table);
}
ResultSet DatabaseMetaData::getImportedKeys(const lang::String& catalog, const lang::String& schema,
                                            const lang::String& table) const {
  return call::method<ResultSet, "getImportedKeys">(this, catalog, schema, table);
}
ResultSet DatabaseMetaData::getExportedKeys(const lang::String& catalog, const lang::String& schema,
                                            const lang::String& table) const {
  return call::method<ResultSet, "getExportedKeys">(this, catalog, schema, table);
}
ResultSet DatabaseMetaData::getCrossReference(const lang::String& parentCatalog,
                                              const lang::String& parentSchema,
                                              const lang::String& parentTable,
                                              const lang::String& foreignCatalog,
                                              const lang::String& foreignSchema,
                                              const lang::String& foreignTable) const {
  return call::method<ResultSet, "getCrossReference">(
      this, parentCatalog, parentSchema, parentTable, foreignCatalog, foreignSchema, foreignTable);
}
ResultSet DatabaseMetaData::getTypeInfo() const {
  return call::method<ResultSet, "getTypeInfo">(this);
}
ResultSet DatabaseMetaData::getIndexInfo(const lang::String& catalog, const lang::String& schema,
                                         const lang::String& table, JBoolean unique,
                                         JBoolean approximate) const {
  return call::method<ResultSet, "getIndexInfo">(this, catalog, schema, table, unique, approximate);
}
JBoolean DatabaseMetaData::supportsResultSetType(JInt type) const {
  return call::method<JBoolean, "supportsResultSetType">(this, type);
}
JBoolean DatabaseMetaData::supportsResultSetConcurrency(JInt type, JInt concurrency) const {
  return call::method<JBoolean, "supportsResultSetConcurrency">(this, type, concurrency);
}
JBoolean DatabaseMetaData::ownUpdatesAreVisible(JInt type) const {
  return call::method<JBoolean, "ownUpdatesAreVisible">(this, type);
}
JBoolean DatabaseMetaData::ownDeletesAreVisible(JInt type) const {
  return call::method<JBoolean, "ownDeletesAreVisible">(this, type);
}
JBoolean DatabaseMetaData::ownInsertsAreVisible(JInt type) const {
  return call::method<JBoolean, "ownInsertsAreVisible">(this, type);
}
JBoolean DatabaseMetaData::othersUpdatesAreVisible(JInt type) const {
  return call::method<JBoolean, "othersUpdatesAreVisible">(this, type);
}
JBoolean DatabaseMetaData::othersDeletesAreVisible(JInt type) const {
  return call::method<JBoolean, "othersDeletesAreVisible">(this, type);
}
JBoolean DatabaseMetaData::othersInsertsAreVisible(JInt type) const {
  return call::method<JBoolean, "othersInsertsAreVisible">(this, type);
}
JBoolean DatabaseMetaData::updatesAreDetected(JInt type) const {
  return call::method<JBoolean, "updatesAreDetected">(this, type);
}
JBoolean DatabaseMetaData::deletesAreDetected(JInt type) const {
  return call::method<JBoolean, "deletesAreDetected">(this, type);
}
JBoolean DatabaseMetaData::insertsAreDetected(JInt type) const {
  return call::method<JBoolean, "insertsAreDetected">(this, type);
}
JBoolean DatabaseMetaData::supportsBatchUpdates() const {
  return call::method<JBoolean, "supportsBatchUpdates">(this);
}
ResultSet DatabaseMetaData::getUDTs(const lang::String& catalog, const lang::String& schemaPattern,
                                    const lang::String& typeNamePattern,
                                    const JArray<JInt>& types) const {
  return call::method<ResultSet, "getUDTs">(this, catalog, schemaPattern, typeNamePattern, types);
}
Connection DatabaseMetaData::getConnection() const {
  return call::method<Connection, "getConnection">(this);
}
JBoolean DatabaseMetaData::supportsSavepoints() const {
  return call::method<JBoolean, "supportsSavepoints">(this);
}
JBoolean DatabaseMetaData::supportsNamedParameters() const {
  return call::method<JBoolean, "supportsNamedParameters">(this);
}
JBoolean DatabaseMetaData::supportsMultipleOpenResults() const {
  return call::method<JBoolean, "supportsMultipleOpenResults">(this);
}
JBoolean DatabaseMetaData::supportsGetGeneratedKeys() const {
  return call::method<JBoolean, "supportsGetGeneratedKeys">(this);
}
ResultSet DatabaseMetaData::getSuperTypes(const lang::String& catalog,
                                          const lang::String& schemaPattern,
                                          const lang::String& typeNamePattern) const {
  return call::method<ResultSet, "getSuperTypes">(this, catalog, schemaPattern, typeNamePattern);
}
ResultSet DatabaseMetaData::getSuperTables(const lang::String& catalog,
                                           const lang::String& schemaPattern,
                                           const lang::String& tableNamePattern) const {
  return call::method<ResultSet, "getSuperTables">(this, catalog, schemaPattern, tableNamePattern);
}
ResultSet DatabaseMetaData::getAttributes(const lang::String& catalog,
                                          const lang::String& schemaPattern,
                                          const lang::String& typeNamePattern,
                                          const lang::String& attributeNamePattern) const {
  return call::method<ResultSet, "getAttributes">(this, catalog, schemaPattern, typeNamePattern,
                                                  attributeNamePattern);
}
JBoolean DatabaseMetaData::supportsResultSetHoldability(JInt holdability) const {
  return call::method<JBoolean, "supportsResultSetHoldability">(this, holdability);
}
JInt DatabaseMetaData::getResultSetHoldability() const {
  return call::method<JInt, "getResultSetHoldability">(this);
}
JInt DatabaseMetaData::getDatabaseMajorVersion() const {
  return call::method<JInt, "getDatabaseMajorVersion">(this);
}
JInt DatabaseMetaData::getDatabaseMinorVersion() const {
  return call::method<JInt, "getDatabaseMinorVersion">(this);
}
JInt DatabaseMetaData::getJDBCMajorVersion() const {
  return call::method<JInt, "getJDBCMajorVersion">(this);
}
JInt DatabaseMetaData::getJDBCMinorVersion() const {
  return call::method<JInt, "getJDBCMinorVersion">(this);
}
JInt DatabaseMetaData::getSQLStateType() const {
  return call::method<JInt, "getSQLStateType">(this);
}
JBoolean DatabaseMetaData::locatorsUpdateCopy() const {
  return call::method<JBoolean, "locatorsUpdateCopy">(this);
}
JBoolean DatabaseMetaData::supportsStatementPooling() const {
  return call::method<JBoolean, "supportsStatementPooling">(this);
}
ResultSet DatabaseMetaData::getSchemas(const lang::String& catalog,
                                       const lang::String& schemaPattern) const {
  return call::method<ResultSet, "getSchemas">(this, catalog, schemaPattern);
}

}  // namespace jbridge::proxy::java::sql
