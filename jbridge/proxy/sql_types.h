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
class SQLException : public virtual lang::Exception {
  JBRIDGE_PROXY(SQLException, "java/sql/SQLException")

  explicit SQLException(NewObject);
  SQLException(const lang::String& reason, const lang::String& SQLState, JInt vendorCode);
  SQLException(const lang::String& reason, const lang::String& SQLState);
  explicit SQLException(const lang::String& reason);
  SQLException(const lang::String& reason, const lang::Throwable& cause);
  SQLException(const lang::String& reason, const lang::String& sqlState,
               const lang::Throwable& cause);
  SQLException(const lang::String& reason, const lang::String& sqlState, JInt vendorCode,
               const lang::Throwable& cause);

  lang::String getSQLState() const;
  JInt getErrorCode() const;
  SQLException getNextException() const;
  void setNextException(const SQLException& ex) const;
};

// java.sql.Date.
class Date : public virtual util::Date {
  JBRIDGE_PROXY(Date, "java/sql/Date")

  Date(JInt year, JInt month, JInt day);
  explicit Date(JLong date);

  void setTime(JLong date) const;
  static Date valueOf(const lang::String& s);
  lang::String toString() const;
  JInt getHours() const;
  JInt getMinutes() const;
  JInt getSeconds() const;
  void setHours(JInt i) const;
  void setMinutes(JInt i) const;
  void setSeconds(JInt i) const;
};

// java.sql.Time.
class Time : public virtual util::Date {
  JBRIDGE_PROXY(Time, "java/sql/Time")

  Time(JInt hour, JInt minute, JInt second);
  explicit Time(JLong time);

  void setTime(JLong time) const;
  static Time valueOf(const lang::String& s);
  lang::String toString() const;
  JInt getYear() const;
  JInt getMonth() const;
  JInt getDay() const;
  JInt getDate() const;
  void setYear(JInt i) const;
  void setMonth(JInt i) const;
  void setDate(JInt i) const;
};

// java.sql.Timestamp.
class Timestamp : public virtual util::Date {
  JBRIDGE_PROXY(Timestamp, "java/sql/Timestamp")

  Timestamp(JInt year, JInt month, JInt date, JInt hour, JInt minute, JInt second, JInt nano);
  explicit Timestamp(JLong time);

  void setTime(JLong time) const;
  JLong getTime() const;
  static Timestamp valueOf(const lang::String& s);
  lang::String toString() const;
  JInt getNanos() const;
  void setNanos(JInt n) const;
  JBoolean equals(const Timestamp& ts) const;
  JBoolean equals(const lang::Object& ts) const;
  JBoolean before(const Timestamp& ts) const;
  JBoolean after(const Timestamp& ts) const;
  JInt compareTo(const Timestamp& ts) const;
  JInt compareTo(const util::Date& o) const;

  using util::Date::after;
  using util::Date::before;
  using util::Date::compareTo;
};

}  // namespace jbridge::proxy::java::sql
