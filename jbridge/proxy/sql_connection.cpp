// The members of the DriverManager and Connection proxies, from their tables.
#include "jbridge/proxy/java_sql.h"

QZ_JAVA_DEFINE(sql, DriverManager)
QZ_JAVA_DEFINE(sql, Connection)
