// The members of the java.util proxies, from their tables.
#include "jbridge/proxy/java_sql.h"

QZ_JAVA_DEFINE(util, Collection)
QZ_JAVA_DEFINE(util, List)
QZ_JAVA_DEFINE(util, AbstractCollection)
QZ_JAVA_DEFINE(util, AbstractList)
QZ_JAVA_DEFINE(util, RandomAccess)
QZ_JAVA_DEFINE(util, Enumeration)
QZ_JAVA_DEFINE(util, Date)
QZ_JAVA_DEFINE(util, Vector)
