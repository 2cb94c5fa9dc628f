// The members of the Statement and PreparedStatement proxies, from their tables.
#include "jbridge/proxy/java_sql.h"

QZ_JAVA_DEFINE(sql, Statement)
QZ_JAVA_DEFINE(sql, PreparedStatement)
