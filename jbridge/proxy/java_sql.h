// Every Java class proxy: java.sql with the java.lang, java.util and java.io types its
// signatures use. Include this one header to call any proxy member.
#pragma once

#include "jbridge/proxy/java_lang.h"
#include "jbridge/proxy/java_util.h"
#include "jbridge/proxy/sql_connection.h"
#include "jbridge/proxy/sql_database_meta_data.h"
#include "jbridge/proxy/sql_result_set.h"
#include "jbridge/proxy/sql_statement.h"
#include "jbridge/proxy/sql_types.h"
