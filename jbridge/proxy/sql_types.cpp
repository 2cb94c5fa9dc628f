// The members of the SQLException, Date, Time and Timestamp proxies, from their tables.
#include "jbridge/proxy/java_sql.h"

QZ_JAVA_DEFINE(sql, SQLException)
QZ_JAVA_DEFINE(sql, Date)
QZ_JAVA_DEFINE(sql, Time)
QZ_JAVA_DEFINE(sql, Timestamp)
