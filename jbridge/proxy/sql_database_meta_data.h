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
#define QZ_JAVA_sql_DatabaseMetaData(_, CONST, METHOD, STATIC, NEW)                             \
  CONST(_, JInt, procedureResultUnknown)                                                        \
  CONST(_, JInt, procedureNoResult)                                                             \
  CONST(_, JInt, procedureReturnsResult)                                                        \
  CONST(_, JInt, procedureColumnUnknown)                                                        \
  CONST(_, JInt, procedureColumnIn)                                                             \
  CONST(_, JInt, procedureColumnInOut)                                                          \
  CONST(_, JInt, procedureColumnOut)                                                            \
  CONST(_, JInt, procedureColumnReturn)                                                         \
  CONST(_, JInt, procedureColumnResult)                                                         \
  CONST(_, JInt, procedureNoNulls)                                                              \
  CONST(_, JInt, procedureNullable)                                                             \
  CONST(_, JInt, procedureNullableUnknown)                                                      \
  CONST(_, JInt, columnNoNulls)                                                                 \
  CONST(_, JInt, columnNullable)                                                                \
  CONST(_, JInt, columnNullableUnknown)                                                         \
  CONST(_, JInt, bestRowTemporary)                                                              \
  CONST(_, JInt, bestRowTransaction)                                                            \
  CONST(_, JInt, bestRowSession)                                                                \
  CONST(_, JInt, bestRowUnknown)                                                                \
  CONST(_, JInt, bestRowNotPseudo)                                                              \
  CONST(_, JInt, bestRowPseudo)                                                                 \
  CONST(_, JInt, versionColumnUnknown)                                                          \
  CONST(_, JInt, versionColumnNotPseudo)                                                        \
  CONST(_, JInt, versionColumnPseudo)                                                           \
  CONST(_, JInt, importedKeyCascade)                                                            \
  CONST(_, JInt, importedKeyRestrict)                                                           \
  CONST(_, JInt, importedKeySetNull)                                                            \
  CONST(_, JInt, importedKeyNoAction)                                                           \
  CONST(_, JInt, importedKeySetDefault)                                                         \
  CONST(_, JInt, importedKeyInitiallyDeferred)                                                  \
  CONST(_, JInt, importedKeyInitiallyImmediate)                                                 \
  CONST(_, JInt, importedKeyNotDeferrable)                                                      \
  CONST(_, JInt, typeNoNulls)                                                                   \
  CONST(_, JInt, typeNullable)                                                                  \
  CONST(_, JInt, typeNullableUnknown)                                                           \
  CONST(_, JInt, typePredNone)                                                                  \
  CONST(_, JInt, typePredChar)                                                                  \
  CONST(_, JInt, typePredBasic)                                                                 \
  CONST(_, JInt, typeSearchable)                                                                \
  CONST(_, JShort, tableIndexStatistic)                                                         \
  CONST(_, JShort, tableIndexClustered)                                                         \
  CONST(_, JShort, tableIndexHashed)                                                            \
  CONST(_, JShort, tableIndexOther)                                                             \
  CONST(_, JShort, attributeNoNulls)                                                            \
  CONST(_, JShort, attributeNullable)                                                           \
  CONST(_, JShort, attributeNullableUnknown)                                                    \
  CONST(_, JInt, sqlStateXOpen)                                                                 \
  CONST(_, JInt, sqlStateSQL99)                                                                 \
  METHOD(_, JBoolean, allProceduresAreCallable, ())                                             \
  METHOD(_, JBoolean, allTablesAreSelectable, ())                                               \
  METHOD(_, lang::String, getURL, ())                                                           \
  METHOD(_, lang::String, getUserName, ())                                                      \
  METHOD(_, JBoolean, isReadOnly, ())                                                           \
  METHOD(_, JBoolean, nullsAreSortedHigh, ())                                                   \
  METHOD(_, JBoolean, nullsAreSortedLow, ())                                                    \
  METHOD(_, JBoolean, nullsAreSortedAtStart, ())                                                \
  METHOD(_, JBoolean, nullsAreSortedAtEnd, ())                                                  \
  METHOD(_, lang::String, getDatabaseProductName, ())                                           \
  METHOD(_, lang::String, getDatabaseProductVersion, ())                                        \
  METHOD(_, lang::String, getDriverName, ())                                                    \
  METHOD(_, lang::String, getDriverVersion, ())                                                 \
  METHOD(_, JInt, getDriverMajorVersion, ())                                                    \
  METHOD(_, JInt, getDriverMinorVersion, ())                                                    \
  METHOD(_, JBoolean, usesLocalFiles, ())                                                       \
  METHOD(_, JBoolean, usesLocalFilePerTable, ())                                                \
  METHOD(_, JBoolean, supportsMixedCaseIdentifiers, ())                                         \
  METHOD(_, JBoolean, storesUpperCaseIdentifiers, ())                                           \
  METHOD(_, JBoolean, storesLowerCaseIdentifiers, ())                                           \
  METHOD(_, JBoolean, storesMixedCaseIdentifiers, ())                                           \
  METHOD(_, JBoolean, supportsMixedCaseQuotedIdentifiers, ())                                   \
  METHOD(_, JBoolean, storesUpperCaseQuotedIdentifiers, ())                                     \
  METHOD(_, JBoolean, storesLowerCaseQuotedIdentifiers, ())                                     \
  METHOD(_, JBoolean, storesMixedCaseQuotedIdentifiers, ())                                     \
  METHOD(_, lang::String, getIdentifierQuoteString, ())                                         \
  METHOD(_, lang::String, getSQLKeywords, ())                                                   \
  METHOD(_, lang::String, getNumericFunctions, ())                                              \
  METHOD(_, lang::String, getStringFunctions, ())                                               \
  METHOD(_, lang::String, getSystemFunctions, ())                                               \
  METHOD(_, lang::String, getTimeDateFunctions, ())                                             \
  METHOD(_, lang::String, getSearchStringEscape, ())                                            \
  METHOD(_, lang::String, getExtraNameCharacters, ())                                           \
  METHOD(_, JBoolean, supportsAlterTableWithAddColumn, ())                                      \
  METHOD(_, JBoolean, supportsAlterTableWithDropColumn, ())                                     \
  METHOD(_, JBoolean, supportsColumnAliasing, ())                                               \
  METHOD(_, JBoolean, nullPlusNonNullIsNull, ())                                                \
  METHOD(_, JBoolean, supportsConvert, ())                                                      \
  METHOD(_, JBoolean, supportsConvert, (JInt, JInt))                                            \
  METHOD(_, JBoolean, supportsTableCorrelationNames, ())                                        \
  METHOD(_, JBoolean, supportsDifferentTableCorrelationNames, ())                               \
  METHOD(_, JBoolean, supportsExpressionsInOrderBy, ())                                         \
  METHOD(_, JBoolean, supportsOrderByUnrelated, ())                                             \
  METHOD(_, JBoolean, supportsGroupBy, ())                                                      \
  METHOD(_, JBoolean, supportsGroupByUnrelated, ())                                             \
  METHOD(_, JBoolean, supportsGroupByBeyondSelect, ())                                          \
  METHOD(_, JBoolean, supportsLikeEscapeClause, ())                                             \
  METHOD(_, JBoolean, supportsMultipleResultSets, ())                                           \
  METHOD(_, JBoolean, supportsMultipleTransactions, ())                                         \
  METHOD(_, JBoolean, supportsNonNullableColumns, ())                                           \
  METHOD(_, JBoolean, supportsMinimumSQLGrammar, ())                                            \
  METHOD(_, JBoolean, supportsCoreSQLGrammar, ())                                               \
  METHOD(_, JBoolean, supportsExtendedSQLGrammar, ())                                           \
  METHOD(_, JBoolean, supportsANSI92EntryLevelSQL, ())                                          \
  METHOD(_, JBoolean, supportsANSI92IntermediateSQL, ())                                        \
  METHOD(_, JBoolean, supportsANSI92FullSQL, ())                                                \
  METHOD(_, JBoolean, supportsIntegrityEnhancementFacility, ())                                 \
  METHOD(_, JBoolean, supportsOuterJoins, ())                                                   \
  METHOD(_, JBoolean, supportsFullOuterJoins, ())                                               \
  METHOD(_, JBoolean, supportsLimitedOuterJoins, ())                                            \
  METHOD(_, lang::String, getSchemaTerm, ())                                                    \
  METHOD(_, lang::String, getProcedureTerm, ())                                                 \
  METHOD(_, lang::String, getCatalogTerm, ())                                                   \
  METHOD(_, JBoolean, isCatalogAtStart, ())                                                     \
  METHOD(_, lang::String, getCatalogSeparator, ())                                              \
  METHOD(_, JBoolean, supportsSchemasInDataManipulation, ())                                    \
  METHOD(_, JBoolean, supportsSchemasInProcedureCalls, ())                                      \
  METHOD(_, JBoolean, supportsSchemasInTableDefinitions, ())                                    \
  METHOD(_, JBoolean, supportsSchemasInIndexDefinitions, ())                                    \
  METHOD(_, JBoolean, supportsSchemasInPrivilegeDefinitions, ())                                \
  METHOD(_, JBoolean, supportsCatalogsInDataManipulation, ())                                   \
  METHOD(_, JBoolean, supportsCatalogsInProcedureCalls, ())                                     \
  METHOD(_, JBoolean, supportsCatalogsInTableDefinitions, ())                                   \
  METHOD(_, JBoolean, supportsCatalogsInIndexDefinitions, ())                                   \
  METHOD(_, JBoolean, supportsCatalogsInPrivilegeDefinitions, ())                               \
  METHOD(_, JBoolean, supportsPositionedDelete, ())                                             \
  METHOD(_, JBoolean, supportsPositionedUpdate, ())                                             \
  METHOD(_, JBoolean, supportsSelectForUpdate, ())                                              \
  METHOD(_, JBoolean, supportsStoredProcedures, ())                                             \
  METHOD(_, JBoolean, supportsSubqueriesInComparisons, ())                                      \
  METHOD(_, JBoolean, supportsSubqueriesInExists, ())                                           \
  METHOD(_, JBoolean, supportsSubqueriesInIns, ())                                              \
  METHOD(_, JBoolean, supportsSubqueriesInQuantifieds, ())                                      \
  METHOD(_, JBoolean, supportsCorrelatedSubqueries, ())                                         \
  METHOD(_, JBoolean, supportsUnion, ())                                                        \
  METHOD(_, JBoolean, supportsUnionAll, ())                                                     \
  METHOD(_, JBoolean, supportsOpenCursorsAcrossCommit, ())                                      \
  METHOD(_, JBoolean, supportsOpenCursorsAcrossRollback, ())                                    \
  METHOD(_, JBoolean, supportsOpenStatementsAcrossCommit, ())                                   \
  METHOD(_, JBoolean, supportsOpenStatementsAcrossRollback, ())                                 \
  METHOD(_, JInt, getMaxBinaryLiteralLength, ())                                                \
  METHOD(_, JInt, getMaxCharLiteralLength, ())                                                  \
  METHOD(_, JInt, getMaxColumnNameLength, ())                                                   \
  METHOD(_, JInt, getMaxColumnsInGroupBy, ())                                                   \
  METHOD(_, JInt, getMaxColumnsInIndex, ())                                                     \
  METHOD(_, JInt, getMaxColumnsInOrderBy, ())                                                   \
  METHOD(_, JInt, getMaxColumnsInSelect, ())                                                    \
  METHOD(_, JInt, getMaxColumnsInTable, ())                                                     \
  METHOD(_, JInt, getMaxConnections, ())                                                        \
  METHOD(_, JInt, getMaxCursorNameLength, ())                                                   \
  METHOD(_, JInt, getMaxIndexLength, ())                                                        \
  METHOD(_, JInt, getMaxSchemaNameLength, ())                                                   \
  METHOD(_, JInt, getMaxProcedureNameLength, ())                                                \
  METHOD(_, JInt, getMaxCatalogNameLength, ())                                                  \
  METHOD(_, JInt, getMaxRowSize, ())                                                            \
  METHOD(_, JBoolean, doesMaxRowSizeIncludeBlobs, ())                                           \
  METHOD(_, JInt, getMaxStatementLength, ())                                                    \
  METHOD(_, JInt, getMaxStatements, ())                                                         \
  METHOD(_, JInt, getMaxTableNameLength, ())                                                    \
  METHOD(_, JInt, getMaxTablesInSelect, ())                                                     \
  METHOD(_, JInt, getMaxUserNameLength, ())                                                     \
  METHOD(_, JInt, getDefaultTransactionIsolation, ())                                           \
  METHOD(_, JBoolean, supportsTransactions, ())                                                 \
  METHOD(_, JBoolean, supportsTransactionIsolationLevel, (JInt))                                \
  METHOD(_, JBoolean, supportsDataDefinitionAndDataManipulationTransactions, ())                \
  METHOD(_, JBoolean, supportsDataManipulationTransactionsOnly, ())                             \
  METHOD(_, JBoolean, dataDefinitionCausesTransactionCommit, ())                                \
  METHOD(_, JBoolean, dataDefinitionIgnoredInTransactions, ())                                  \
  METHOD(_, ResultSet, getProcedures, (lang::String, lang::String, lang::String))               \
  METHOD(_, ResultSet, getProcedureColumns,                                                     \
         (lang::String, lang::String, lang::String, lang::String))                              \
  METHOD(_, ResultSet, getTables,                                                               \
         (lang::String, lang::String, lang::String, JArray<lang::String>))                      \
  METHOD(_, ResultSet, getSchemas, ())                                                          \
  METHOD(_, ResultSet, getCatalogs, ())                                                         \
  METHOD(_, ResultSet, getTableTypes, ())                                                       \
  METHOD(_, ResultSet, getColumns, (lang::String, lang::String, lang::String, lang::String))    \
  METHOD(_, ResultSet, getColumnPrivileges,                                                     \
         (lang::String, lang::String, lang::String, lang::String))                              \
  METHOD(_, ResultSet, getTablePrivileges, (lang::String, lang::String, lang::String))          \
  METHOD(_, ResultSet, getBestRowIdentifier,                                                    \
         (lang::String, lang::String, lang::String, JInt, JBoolean))                            \
  METHOD(_, ResultSet, getVersionColumns, (lang::String, lang::String, lang::String))           \
  METHOD(_, ResultSet, getPrimaryKeys, (lang::String, lang::String, lang::String))              \
  METHOD(_, ResultSet, getImportedKeys, (lang::String, lang::String, lang::String))             \
  METHOD(_, ResultSet, getExportedKeys, (lang::String, lang::String, lang::String))             \
  METHOD(_, ResultSet, getCrossReference,                                                       \
         (lang::String, lang::String, lang::String, lang::String, lang::String, lang::String))  \
  METHOD(_, ResultSet, getTypeInfo, ())                                                         \
  METHOD(_, ResultSet, getIndexInfo,                                                            \
         (lang::String, lang::String, lang::String, JBoolean, JBoolean))                        \
  METHOD(_, JBoolean, supportsResultSetType, (JInt))                                            \
  METHOD(_, JBoolean, supportsResultSetConcurrency, (JInt, JInt))                               \
  METHOD(_, JBoolean, ownUpdatesAreVisible, (JInt))                                             \
  METHOD(_, JBoolean, ownDeletesAreVisible, (JInt))                                             \
  METHOD(_, JBoolean, ownInsertsAreVisible, (JInt))                                             \
  METHOD(_, JBoolean, othersUpdatesAreVisible, (JInt))                                          \
  METHOD(_, JBoolean, othersDeletesAreVisible, (JInt))                                          \
  METHOD(_, JBoolean, othersInsertsAreVisible, (JInt))                                          \
  METHOD(_, JBoolean, updatesAreDetected, (JInt))                                               \
  METHOD(_, JBoolean, deletesAreDetected, (JInt))                                               \
  METHOD(_, JBoolean, insertsAreDetected, (JInt))                                               \
  METHOD(_, JBoolean, supportsBatchUpdates, ())                                                 \
  METHOD(_, ResultSet, getUDTs, (lang::String, lang::String, lang::String, JArray<JInt>))       \
  METHOD(_, Connection, getConnection, ())                                                      \
  METHOD(_, JBoolean, supportsSavepoints, ())                                                   \
  METHOD(_, JBoolean, supportsNamedParameters, ())                                              \
  METHOD(_, JBoolean, supportsMultipleOpenResults, ())                                          \
  METHOD(_, JBoolean, supportsGetGeneratedKeys, ())                                             \
  METHOD(_, ResultSet, getSuperTypes, (lang::String, lang::String, lang::String))               \
  METHOD(_, ResultSet, getSuperTables, (lang::String, lang::String, lang::String))              \
  METHOD(_, ResultSet, getAttributes, (lang::String, lang::String, lang::String, lang::String)) \
  METHOD(_, JBoolean, supportsResultSetHoldability, (JInt))                                     \
  METHOD(_, JInt, getResultSetHoldability, ())                                                  \
  METHOD(_, JInt, getDatabaseMajorVersion, ())                                                  \
  METHOD(_, JInt, getDatabaseMinorVersion, ())                                                  \
  METHOD(_, JInt, getJDBCMajorVersion, ())                                                      \
  METHOD(_, JInt, getJDBCMinorVersion, ())                                                      \
  METHOD(_, JInt, getSQLStateType, ())                                                          \
  METHOD(_, JBoolean, locatorsUpdateCopy, ())                                                   \
  METHOD(_, JBoolean, supportsStatementPooling, ())
class DatabaseMetaData : public virtual lang::Object {
  JBRIDGE_PROXY(sql, DatabaseMetaData)
};

}  // namespace jbridge::proxy::java::sql
