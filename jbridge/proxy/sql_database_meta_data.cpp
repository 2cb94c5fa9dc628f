// The members of the DatabaseMetaData proxies, from their tables.
#include "jbridge/proxy/java_sql.h"

QZ_JAVA_DEFINE(sql, DatabaseMetaData)
