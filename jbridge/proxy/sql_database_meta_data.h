// The java.sql proxy DatabaseMetaData: the JDBC 3.0 interface, its catalogue queries and
// constants.
//
// Thread rule and ownership: as every proxy (proxy.h). Include java_sql.h for the whole set.
#pragma once

#include "jbridge/proxy/java_lang.h"
#include "jbridge/proxy/proxy.h"
#include "jbridge/proxy/proxy_fwd.h"

namespace jbridge::proxy::java::sql {

// java.sql.DatabaseMetaData.
class DatabaseMetaData : public virtual lang::Object {
  JBRIDGE_PROXY(DatabaseMetaData, "java/sql/DatabaseMetaData")

  static JInt procedureResultUnknown();
  static JInt procedureNoResult();
  static JInt procedureReturnsResult();
  static JInt procedureColumnUnknown();
  static JInt procedureColumnIn();
  static JInt procedureColumnInOut();
  static JInt procedureColumnOut();
  static JInt procedureColumnReturn();
  static JInt procedureColumnResult();
  static JInt procedureNoNulls();
  static JInt procedureNullable();
  static JInt procedureNullableUnknown();
  static JInt columnNoNulls();
  static JInt columnNullable();
  static JInt columnNullableUnknown();
  static JInt bestRowTemporary();
  static JInt bestRowTransaction();
  static JInt bestRowSession();
  static JInt bestRowUnknown();
  static JInt bestRowNotPseudo();
  static JInt bestRowPseudo();
  static JInt versionColumnUnknown();
  static JInt versionColumnNotPseudo();
  static JInt versionColumnPseudo();
  static JInt importedKeyCascade();
  static JInt importedKeyRestrict();
  static JInt importedKeySetNull();
  static JInt importedKeyNoAction();
  static JInt importedKeySetDefault();
  static JInt importedKeyInitiallyDeferred();
  static JInt importedKeyInitiallyImmediate();
  static JInt importedKeyNotDeferrable();
  static JInt typeNoNulls();
  static JInt typeNullable();
  static JInt typeNullableUnknown();
  static JInt typePredNone();
  static JInt typePredChar();
  static JInt typePredBasic();
  static JInt typeSearchable();
  static JShort tableIndexStatistic();
  static JShort tableIndexClustered();
  static JShort tableIndexHashed();
  static JShort tableIndexOther();
  static JShort attributeNoNulls();
  static JShort attributeNullable();
  static JShort attributeNullableUnknown();
  static JInt sqlStateXOpen();
  static JInt sqlStateSQL99();

  JBoolean allProceduresAreCallable() const;
  JBoolean allTablesAreSelectable() const;
  lang::String getURL() const;
  lang::String getUserName() const;
  JBoolean isReadOnly() const;
  JBoolean nullsAreSortedHigh() const;
  JBoolean nullsAreSortedLow() const;
  JBoolean nullsAreSortedAtStart() const;
  JBoolean nullsAreSortedAtEnd() const;
  lang::String getDatabaseProductName() const;
  lang::String getDatabaseProductVersion() const;
  lang::String getDriverName() const;
  lang::String getDriverVersion() const;
  JInt getDriverMajorVersion() const;
  JInt getDriverMinorVersion() const;
  JBoolean usesLocalFiles() const;
  JBoolean usesLocalFilePerTable() const;
  JBoolean supportsMixedCaseIdentifiers() const;
  JBoolean storesUpperCaseIdentifiers() const;
  JBoolean storesLowerCaseIdentifiers() const;
  JBoolean storesMixedCaseIdentifiers() const;
  JBoolean supportsMixedCaseQuotedIdentifiers() const;
  JBoolean storesUpperCaseQuotedIdentifiers() const;
  JBoolean storesLowerCaseQuotedIdentifiers() const;
  JBoolean storesMixedCaseQuotedIdentifiers() const;
  lang::String getIdentifierQuoteString() const;
  lang::String getSQLKeywords() const;
  lang::String getNumericFunctions() const;
  lang::String getStringFunctions() const;
  lang::String getSystemFunctions() const;
  lang::String getTimeDateFunctions() const;
  lang::String getSearchStringEscape() const;
  lang::String getExtraNameCharacters() const;
  JBoolean supportsAlterTableWithAddColumn() const;
  JBoolean supportsAlterTableWithDropColumn() const;
  JBoolean supportsColumnAliasing() const;
  JBoolean nullPlusNonNullIsNull() const;
  JBoolean supportsConvert() const;
  JBoolean supportsConvert(JInt fromType, JInt toType) const;
  JBoolean supportsTableCorrelationNames() const;
  JBoolean supportsDifferentTableCorrelationNames() const;
  JBoolean supportsExpressionsInOrderBy() const;
  JBoolean supportsOrderByUnrelated() const;
  JBoolean supportsGroupBy() const;
  JBoolean supportsGroupByUnrelated() const;
  JBoolean supportsGroupByBeyondSelect() const;
  JBoolean supportsLikeEscapeClause() const;
  JBoolean supportsMultipleResultSets() const;
  JBoolean supportsMultipleTransactions() const;
  JBoolean supportsNonNullableColumns() const;
  JBoolean supportsMinimumSQLGrammar() const;
  JBoolean supportsCoreSQLGrammar() const;
  JBoolean supportsExtendedSQLGrammar() const;
  JBoolean supportsANSI92EntryLevelSQL() const;
  JBoolean supportsANSI92IntermediateSQL() const;
  JBoolean supportsANSI92FullSQL() const;
  JBoolean supportsIntegrityEnhancementFacility() const;
  JBoolean supportsOuterJoins() const;
  JBoolean supportsFullOuterJoins() const;
  JBoolean supportsLimitedOuterJoins() const;
  lang::String getSchemaTerm() const;
  lang::String getProcedureTerm() const;
  lang::String getCatalogTerm() const;
  JBoolean isCatalogAtStart() const;
  lang::String getCatalogSeparator() const;
  JBoolean supportsSchemasInDataManipulation() const;
  JBoolean supportsSchemasInProcedureCalls() const;
  JBoolean supportsSchemasInTableDefinitions() const;
  JBoolean supportsSchemasInIndexDefinitions() const;
  JBoolean supportsSchemasInPrivilegeDefinitions() const;
  JBoolean supportsCatalogsInDataManipulation() const;
  JBoolean supportsCatalogsInProcedureCalls() const;
  JBoolean supportsCatalogsInTableDefinitions() const;
  JBoolean supportsCatalogsInIndexDefinitions() const;
  JBoolean supportsCatalogsInPrivilegeDefinitions() const;
  JBoolean supportsPositionedDelete() const;
  JBoolean supportsPositionedUpdate() const;
  JBoolean supportsSelectForUpdate() const;
  JBoolean supportsStoredProcedures() const;
  JBoolean supportsSubqueriesInComparisons() const;
  JBoolean supportsSubqueriesInExists() const;
  JBoolean supportsSubqueriesInIns() const;
  JBoolean supportsSubqueriesInQuantifieds() const;
  JBoolean supportsCorrelatedSubqueries() const;
  JBoolean supportsUnion() const;
  JBoolean supportsUnionAll() const;
  JBoolean supportsOpenCursorsAcrossCommit() const;
  JBoolean supportsOpenCursorsAcrossRollback() const;
  JBoolean supportsOpenStatementsAcrossCommit() const;
  JBoolean supportsOpenStatementsAcrossRollback() const;
  JInt getMaxBinaryLiteralLength() const;
  JInt getMaxCharLiteralLength() const;
  JInt getMaxColumnNameLength() const;
  JInt getMaxColumnsInGroupBy() const;
  JInt getMaxColumnsInIndex() const;
  JInt getMaxColumnsInOrderBy() const;
  JInt getMaxColumnsInSelect() const;
  JInt getMaxColumnsInTable() const;
  JInt getMaxConnections() const;
  JInt getMaxCursorNameLength() const;
  JInt getMaxIndexLength() const;
  JInt getMaxSchemaNameLength() const;
  JInt getMaxProcedureNameLength() const;
  JInt getMaxCatalogNameLength() const;
  JInt getMaxRowSize() const;
  JBoolean doesMaxRowSizeIncludeBlobs() const;
  JInt getMaxStatementLength() const;
  JInt getMaxStatements() const;
  JInt getMaxTableNameLength() const;
  JInt getMaxTablesInSelect() const;
  JInt getMaxUserNameLength() const;
  JInt getDefaultTransactionIsolation() const;
  JBoolean supportsTransactions() const;
  JBoolean supportsTransactionIsolationLevel(JInt level) const;
  JBoolean supportsDataDefinitionAndDataManipulationTransactions() const;
  JBoolean supportsDataManipulationTransactionsOnly() const;
  JBoolean dataDefinitionCausesTransactionCommit() const;
  JBoolean dataDefinitionIgnoredInTransactions() const;
  ResultSet getProcedures(const lang::String& catalog, const lang::String& schemaPattern,
                          const lang::String& procedureNamePattern) const;
  ResultSet getProcedureColumns(const lang::String& catalog, const lang::String& schemaPattern,
                                const lang::String& procedureNamePattern,
                                const lang::String& columnNamePattern) const;
  ResultSet getTables(const lang::String& catalog, const lang::String& schemaPattern,
                      const lang::String& tableNamePattern,
                      const JArray<lang::String>& types) const;
  ResultSet getSchemas() const;
  ResultSet getCatalogs() const;
  ResultSet getTableTypes() const;
  ResultSet getColumns(const lang::String& catalog, const lang::String& schemaPattern,
                       const lang::String& tableNamePattern,
                       const lang::String& columnNamePattern) const;
  ResultSet getColumnPrivileges(const lang::String& catalog, const lang::String& schema,
                                const lang::String& table,
                                const lang::String& columnNamePattern) const;
  ResultSet getTablePrivileges(const lang::String& catalog, const lang::String& schemaPattern,
                               const lang::String& tableNamePattern) const;
  ResultSet getBestRowIdentifier(const lang::String& catalog, const lang::String& schema,
                                 const lang::String& table, JInt scope, JBoolean nullable) const;
  ResultSet getVersionColumns(const lang::String& catalog, const lang::String& schema,
                              const lang::String& table) const;
  ResultSet getPrimaryKeys(const lang::String& catalog, const lang::String& schema,
                           const lang::String& table) const;
  ResultSet getImportedKeys(const lang::String& catalog, const lang::String& schema,
                            const lang::String& table) const;
  ResultSet getExportedKeys(const lang::String& catalog, const lang::String& schema,
                            const lang::String& table) const;
  ResultSet getCrossReference(const lang::String& parentCatalog, const lang::String& parentSchema,
                              const lang::String& parentTable, const lang::String& foreignCatalog,
                              const lang::String& foreignSchema,
                              const lang::String& foreignTable) const;
  ResultSet getTypeInfo() const;
  ResultSet getIndexInfo(const lang::String& catalog, const lang::String& schema,
                         const lang::String& table, JBoolean unique, JBoolean approximate) const;
  JBoolean supportsResultSetType(JInt type) const;
  JBoolean supportsResultSetConcurrency(JInt type, JInt concurrency) const;
  JBoolean ownUpdatesAreVisible(JInt type) const;
  JBoolean ownDeletesAreVisible(JInt type) const;
  JBoolean ownInsertsAreVisible(JInt type) const;
  JBoolean othersUpdatesAreVisible(JInt type) const;
  JBoolean othersDeletesAreVisible(JInt type) const;
  JBoolean othersInsertsAreVisible(JInt type) const;
  JBoolean updatesAreDetected(JInt type) const;
  JBoolean deletesAreDetected(JInt type) const;
  JBoolean insertsAreDetected(JInt type) const;
  JBoolean supportsBatchUpdates() const;
  ResultSet getUDTs(const lang::String& catalog, const lang::String& schemaPattern,
                    const lang::String& typeNamePattern, const JArray<JInt>& types) const;
  Connection getConnection() const;
  JBoolean supportsSavepoints() const;
  JBoolean supportsNamedParameters() const;
  JBoolean supportsMultipleOpenResults() const;
  JBoolean supportsGetGeneratedKeys() const;
  ResultSet getSuperTypes(const lang::String& catalog, const lang::String& schemaPattern,
                          const lang::String& typeNamePattern) const;
  ResultSet getSuperTables(const lang::String& catalog, const lang::String& schemaPattern,
                           const lang::String& tableNamePattern) const;
  ResultSet getAttributes(const lang::String& catalog, const lang::String& schemaPattern,
                          const lang::String& typeNamePattern,
                          const lang::String& attributeNamePattern) const;
  JBoolean supportsResultSetHoldability(JInt holdability) const;
  JInt getResultSetHoldability() const;
  JInt getDatabaseMajorVersion() const;
  JInt getDatabaseMinorVersion() const;
  JInt getJDBCMajorVersion() const;
  JInt getJDBCMinorVersion() const;
  JInt getSQLStateType() const;
  JBoolean locatorsUpdateCopy() const;
  JBoolean supportsStatementPooling() const;
  ResultSet getSchemas(const lang::String& catalog, const lang::String& schemaPattern) const;
};

}  // namespace jbridge::proxy::java::sql
