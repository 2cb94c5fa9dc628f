// The java.sql proxies SQLException and the date-time values Date, Time and Timestamp.
//
// Thread rule and ownership: as every proxy (proxy.h). Include java_sql.h for the whole set.
#pragma once

#include "jbridge/proxy/java_lang.h"
#include "jbridge/proxy/java_util.h"
#include "jbridge/proxy/proxy.h"
#include "jbridge/proxy/proxy_fwd.h"

namespace jbridge::proxy::java::sql {

// java.sql.SQLException.
#define QZ_JAVA_sql_SQLException(_, CONST, METHOD, STATIC, NEW) \
  NEW(_, ())                                                    \
  NEW(_, (lang::String, lang::String, JInt))                    \
  NEW(_, (lang::String, lang::String))                          \
  NEW(_, (lang::String))                                        \
  METHOD(_, lang::String, getSQLState, ())                      \
  METHOD(_, JInt, getErrorCode, ())                             \
  METHOD(_, SQLException, getNextException, ())                 \
  METHOD(_, void, setNextException, (SQLException))
class SQLException : public virtual lang::Exception {
  JBRIDGE_PROXY(sql, SQLException)
};

// java.sql.Date.
#define QZ_JAVA_sql_Date(_, CONST, METHOD, STATIC, NEW) \
  NEW(_, (JInt, JInt, JInt))                            \
  NEW(_, (JLong))                                       \
  METHOD(_, void, setTime, (JLong))                     \
  STATIC(_, Date, valueOf, (lang::String))              \
  METHOD(_, lang::String, toString, ())                 \
  QZ_J_DATE_TIME_OF_DAY(_, METHOD)
class Date : public virtual util::Date {
  JBRIDGE_PROXY(sql, Date)
};

// java.sql.Time.
#define QZ_JAVA_sql_Time(_, CONST, METHOD, STATIC, NEW) \
  NEW(_, (JInt, JInt, JInt))                            \
  NEW(_, (JLong))                                       \
  METHOD(_, void, setTime, (JLong))                     \
  STATIC(_, Time, valueOf, (lang::String))              \
  METHOD(_, lang::String, toString, ())                 \
  QZ_J_DATE_DAY(_, METHOD)
class Time : public virtual util::Date {
  JBRIDGE_PROXY(sql, Time)
};

// java.sql.Timestamp.
#define QZ_JAVA_sql_Timestamp(_, CONST, METHOD, STATIC, NEW) \
  NEW(_, (JInt, JInt, JInt, JInt, JInt, JInt, JInt))         \
  NEW(_, (JLong))                                            \
  METHOD(_, void, setTime, (JLong))                          \
  METHOD(_, JLong, getTime, ())                              \
  STATIC(_, Timestamp, valueOf, (lang::String))              \
  METHOD(_, lang::String, toString, ())                      \
  METHOD(_, JInt, getNanos, ())                              \
  METHOD(_, void, setNanos, (JInt))                          \
  METHOD(_, JBoolean, equals, (Timestamp))                   \
  METHOD(_, JBoolean, equals, (lang::Object))                \
  METHOD(_, JBoolean, before, (Timestamp))                   \
  METHOD(_, JBoolean, after, (Timestamp))                    \
  METHOD(_, JInt, compareTo, (Timestamp))                    \
  METHOD(_, JInt, compareTo, (util::Date))
class Timestamp : public virtual util::Date {
  JBRIDGE_PROXY(sql, Timestamp)
  using util::Date::after;
  using util::Date::before;
  using util::Date::compareTo;
};

}  // namespace jbridge::proxy::java::sql
