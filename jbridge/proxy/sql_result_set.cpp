// The members of the ResultSet and ResultSetMetaData proxies, from their tables.
#include "jbridge/proxy/java_sql.h"

QZ_JAVA_DEFINE(sql, ResultSet)
QZ_JAVA_DEFINE(sql, ResultSetMetaData)
