// The members of the java.lang and java.io proxies, from their tables.
#include "jbridge/proxy/java_sql.h"

QZ_JAVA_DEFINE(lang, Object)
QZ_JAVA_DEFINE(io, Serializable)
QZ_JAVA_DEFINE(lang, CharSequence)
QZ_JAVA_DEFINE(lang, Comparable)
QZ_JAVA_DEFINE(lang, Cloneable)
QZ_JAVA_DEFINE(lang, String)
QZ_JAVA_DEFINE(lang, Class)
QZ_JAVA_DEFINE(lang, Throwable)
QZ_JAVA_DEFINE(lang, Exception)
