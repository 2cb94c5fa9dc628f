// The members of every proxy class with a table, defined from its table.
#include "jbridge/proxy/java_sql.h"

QZ_JAVA_CLASSES(QZ_JAVA_DEFINE)
