#include "jbridge/proxy/sql_types.h"

#include "jbridge/proxy/java_sql.h"

namespace jbridge::proxy::java::sql {

SQLException::SQLException(NewObject) : Object(call::construct<SQLException>().get()) {}
SQLException::SQLException(const lang::String& reason, const lang::String& SQLState,
                           JInt vendorCode)
    : Object(call::construct<SQLException>(reason, SQLState, vendorCode).get()) {}
SQLException::SQLException(const lang::String& reason, const lang::String& SQLState)
    : Object(call::construct<SQLException>(reason, SQLState).get()) {}
SQLException::SQLException(const lang::String& reason)
    : Object(call::construct<SQLException>(reason).get()) {}
SQLException::SQLException(const lang::String& reason, const lang::Throwable& cause)
    : Object(call::construct<SQLException>(reason, cause).get()) {}
SQLException::SQLException(const lang::String& reason, const lang::String& sqlState,
                           const lang::Throwable& cause)
    : Object(call::construct<SQLException>(reason, sqlState, cause).get()) {}
SQLException::SQLException(const lang::String& reason, const lang::String& sqlState,
                           JInt vendorCode, const lang::Throwable& cause)
    : Object(call::construct<SQLException>(reason, sqlState, vendorCode, cause).get()) {}
lang::String SQLException::getSQLState() const {
  return call::method<lang::String, "getSQLState">(this);
}
JInt SQLException::getErrorCode() const {
  return call::method<JInt, "getErrorCode">(this);
}
SQLException SQLException::getNextException() const {
  return call::method<SQLException, "getNextException">(this);
}
void SQLException::setNextException(const SQLException& ex) const {
  call::method<void, "setNextException">(this, ex);
}

Date::Date(JInt year, JInt month, JInt day)
    : Object(call::construct<Date>(year, month, day).get()) {}
Date::Date(JLong date) : Object(call::construct<Date>(date).get()) {}
void Date::setTime(JLong date) const {
  call::method<void, "setTime">(this, date);
}
Date Date::valueOf(const lang::String& s) {
  return call::staticMethod<Date, Date, "valueOf">(s);
}
lang::String Date::toString() const {
  return call::method<lang::String, "toString">(this);
}
JInt Date::getHours() const {
  return call::method<JInt, "getHours">(this);
}
JInt Date::getMinutes() const {
  return call::method<JInt, "getMinutes">(this);
}
JInt Date::getSeconds() const {
  return call::method<JInt, "getSeconds">(this);
}
void Date::setHours(JInt i) const {
  call::method<void, "setHours">(this, i);
}
void Date::setMinutes(JInt i) const {
  call::method<void, "setMinutes">(this, i);
}
void Date::setSeconds(JInt i) const {
  call::method<void, "setSeconds">(this, i);
}

Time::Time(JInt hour, JInt minute, JInt second)
    : Object(call::construct<Time>(hour, minute, second).get()) {}
Time::Time(JLong time) : Object(call::construct<Time>(time).get()) {}
void Time::setTime(JLong time) const {
  call::method<void, "setTime">(this, time);
}
Time Time::valueOf(const lang::String& s) {
  return call::staticMethod<Time, Time, "valueOf">(s);
}
lang::String Time::toString() const {
  return call::method<lang::String, "toString">(this);
}
JInt Time::getYear() const {
  return call::method<JInt, "getYear">(this);
}
JInt Time::getMonth() const {
  return call::method<JInt, "getMonth">(this);
}
JInt Time::getDay() const {
  return call::method<JInt, "getDay">(this);
}
JInt Time::getDate() const {
  return call::method<JInt, "getDate">(this);
}
void Time::setYear(JInt i) const {
  call::method<void, "setYear">(this, i);
}
void Time::setMonth(JInt i) const {
  call::method<void, "setMonth">(this, i);
}
void Time::setDate(JInt i) const {
  call::method<void, "setDate">(this, i);
}

Timestamp::Timestamp(JInt year, JInt month, JInt date, JInt hour, JInt minute, JInt second,
                     JInt nano)
    : Object(call::construct<Timestamp>(year, month, date, hour, minute, second, nano).get()) {}
Timestamp::Timestamp(JLong time) : Object(call::construct<Timestamp>(time).get()) {}
void Timestamp::setTime(JLong time) const {
  call::method<void, "setTime">(this, time);
}
JLong Timestamp::getTime() const {
  return call::method<JLong, "getTime">(this);
}
Timestamp Timestamp::valueOf(const lang::String& s) {
  return call::staticMethod<Timestamp, Timestamp, "valueOf">(s);
}
lang::String Timestamp::toString() const {
  return call::method<lang::String, "toString">(this);
}
JInt Timestamp::getNanos() const {
  return call::method<JInt, "getNanos">(this);
}
void Timestamp::setNanos(JInt n) const {
  call::method<void, "setNanos">(this, n);
}
JBoolean Timestamp::equals(const Timestamp& ts) const {
  return call::method<JBoolean, "equals">(this, ts);
}
JBoolean Timestamp::equals(const lang::Object& ts) const {
  return call::method<JBoolean, "equals">(this, ts);
}
JBoolean Timestamp::before(const Timestamp& ts) const {
  return call::method<JBoolean, "before">(this, ts);
}
JBoolean Timestamp::after(const Timestamp& ts) const {
  return call::method<JBoolean, "after">(this, ts);
}
JInt Timestamp::compareTo(const Timestamp& ts) const {
  return call::method<JInt, "compareTo">(this, ts);
}
JInt Timestamp::compareTo(const util::Date& o) const {
  return call::method<JInt, "compareTo">(this, o);
}

}  // namespace jbridge::proxy::java::sql
