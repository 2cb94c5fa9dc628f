#include "database/date_time.h"

#include <exception>
#include <string>

#include "database/db_object.h"
#include "database/record_set.h"
#include "jbridge/proxy/java_sql.h"

namespace lang = jbridge::proxy::java::lang;
namespace sql = jbridge::proxy::java::sql;

namespace dbiid {
const qzIIDS kExtDataTimestamp = qzMakeIID("DATABASE.EXTDATATIMESRES");
const qzIIDS kExtDataDate = qzMakeIID("DATABASE.EXTDATADATERES");
const qzIIDS kExtDataTime = qzMakeIID("DATABASE.EXTDATATIMERES");
}  // namespace dbiid

namespace {

constexpr char kPartSource[] = "db com server";

template <class Object, class V>
qzIUnknown* wrap(V value) {
  if (value.isNull()) return nullptr;
  auto* o = new Object(std::move(value));
  qzIUnknown* unknown = static_cast<qzIDispatch*>(o);
  unknown->AddRef();
  return unknown;
}

// valueOf of the Java class; the null proxy when it cannot parse the text (valueOf throws
// IllegalArgumentException then).
template <class V>
V parse(const char* text) {
  try {
    return V::valueOf(lang::String(std::string(text)));
  } catch (const std::exception&) {
    return V();
  }
}

}  // namespace

qzIUnknown* dbCreateDateTimeValue(int32_t sqlType, const char* text) {
  if (!text) return nullptr;
  try {
    switch (sqlType) {
      case kDbSqlDate:
        return wrap<dbJDBCExtDataDateC>(parse<sql::Date>(text));
      case kDbSqlTime:
        return wrap<dbJDBCExtDataTimeC>(parse<sql::Time>(text));
      case kDbSqlTimestamp:
        return wrap<dbJDBCExtDataTimestampC>(parse<sql::Timestamp>(text));
      default:
        return nullptr;
    }
  } catch (...) {
    return nullptr;
  }
}

// --- the shared part ------------------------------------------------------------------------

template <class V>
int32_t dbJDBCExtDataC<V>::QueryInterface(const qzIIDS* iid, void** out) {
  if (!iid || !out) return kQzFailed;
  if (qzIIDEqual(*iid, iid_)) return dbHandOut(static_cast<qzIDispatch*>(this), out);
  return proxyObjectC::QueryInterface(iid, out);
}

template <class V>
template <class Getter>
int32_t dbJDBCExtDataC<V>::part(const char* name, Getter getter) const {
  try {
    return getter(value_);
  } catch (const std::exception& e) {
    throw proxyExecuteExceptionC(std::string(name) + ": " + e.what(), kPartSource);
  }
}

template class dbJDBCExtDataC<sql::Timestamp>;
template class dbJDBCExtDataC<sql::Date>;
template class dbJDBCExtDataC<sql::Time>;

// --- timestamp ------------------------------------------------------------------------------

dbJDBCExtDataTimestampC::dbJDBCExtDataTimestampC(sql::Timestamp value)
    : dbJDBCExtDataC(table(), dbiid::kExtDataTimestamp, std::move(value)) {}

const char* dbJDBCExtDataTimestampC::className() {
  return qzReadableTypeName(typeid(dbJDBCExtDataTimestampC));
}

void dbJDBCExtDataTimestampC::year(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(part("Year", [](const sql::Timestamp& v) { return int32_t(v.getYear()); }));
}
void dbJDBCExtDataTimestampC::month(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(part("Month", [](const sql::Timestamp& v) { return int32_t(v.getMonth()); }));
}
void dbJDBCExtDataTimestampC::day(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(part("Day", [](const sql::Timestamp& v) { return int32_t(v.getDay()); }));
}
void dbJDBCExtDataTimestampC::hour(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(part("Hour", [](const sql::Timestamp& v) { return int32_t(v.getHours()); }));
}
void dbJDBCExtDataTimestampC::minute(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(part("Minute", [](const sql::Timestamp& v) { return int32_t(v.getMinutes()); }));
}
void dbJDBCExtDataTimestampC::second(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(part("Second", [](const sql::Timestamp& v) { return int32_t(v.getSeconds()); }));
}
void dbJDBCExtDataTimestampC::fraction(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(part("Fraction", [](const sql::Timestamp& v) { return int32_t(v.getNanos()); }));
}

proxyMethodTableC* dbJDBCExtDataTimestampC::table() {
  using T = dbJDBCExtDataTimestampC;
  static const proxyMethodRowS rows[] = {
      {"Year", kQzPropertyGet, 0, &dbMember<T, &T::year>},
      {"Month", kQzPropertyGet, 0, &dbMember<T, &T::month>},
      {"Day", kQzPropertyGet, 0, &dbMember<T, &T::day>},
      {"Hour", kQzPropertyGet, 0, &dbMember<T, &T::hour>},
      {"Minute", kQzPropertyGet, 0, &dbMember<T, &T::minute>},
      {"Second", kQzPropertyGet, 0, &dbMember<T, &T::second>},
      {"Fraction", kQzPropertyGet, 0, &dbMember<T, &T::fraction>},
      {nullptr, 0, 0, nullptr}};
  static proxyMethodTableC t(rows);
  return &t;
}

// --- date -----------------------------------------------------------------------------------

dbJDBCExtDataDateC::dbJDBCExtDataDateC(sql::Date value)
    : dbJDBCExtDataC(table(), dbiid::kExtDataDate, std::move(value)) {}

const char* dbJDBCExtDataDateC::className() {
  return qzReadableTypeName(typeid(dbJDBCExtDataDateC));
}

void dbJDBCExtDataDateC::year(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(part("Year", [](const sql::Date& v) { return int32_t(v.getYear()); }));
}
void dbJDBCExtDataDateC::month(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(part("Month", [](const sql::Date& v) { return int32_t(v.getMonth()); }));
}
void dbJDBCExtDataDateC::day(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(part("Day", [](const sql::Date& v) { return int32_t(v.getDay()); }));
}

proxyMethodTableC* dbJDBCExtDataDateC::table() {
  using T = dbJDBCExtDataDateC;
  static const proxyMethodRowS rows[] = {{"Year", kQzPropertyGet, 0, &dbMember<T, &T::year>},
                                         {"Month", kQzPropertyGet, 0, &dbMember<T, &T::month>},
                                         {"Day", kQzPropertyGet, 0, &dbMember<T, &T::day>},
                                         {nullptr, 0, 0, nullptr}};
  static proxyMethodTableC t(rows);
  return &t;
}

// --- time -----------------------------------------------------------------------------------

dbJDBCExtDataTimeC::dbJDBCExtDataTimeC(sql::Time value)
    : dbJDBCExtDataC(table(), dbiid::kExtDataTime, std::move(value)) {}

const char* dbJDBCExtDataTimeC::className() {
  return qzReadableTypeName(typeid(dbJDBCExtDataTimeC));
}

void dbJDBCExtDataTimeC::hour(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(part("Hour", [](const sql::Time& v) { return int32_t(v.getHours()); }));
}
void dbJDBCExtDataTimeC::minute(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(part("Minute", [](const sql::Time& v) { return int32_t(v.getMinutes()); }));
}
void dbJDBCExtDataTimeC::second(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(part("Second", [](const sql::Time& v) { return int32_t(v.getSeconds()); }));
}
void dbJDBCExtDataTimeC::fraction(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  result.setInt(0);
}

proxyMethodTableC* dbJDBCExtDataTimeC::table() {
  using T = dbJDBCExtDataTimeC;
  static const proxyMethodRowS rows[] = {
      {"Hour", kQzPropertyGet, 0, &dbMember<T, &T::hour>},
      {"Minute", kQzPropertyGet, 0, &dbMember<T, &T::minute>},
      {"Second", kQzPropertyGet, 0, &dbMember<T, &T::second>},
      {"Fraction", kQzPropertyGet, 0, &dbMember<T, &T::fraction>},
      {nullptr, 0, 0, nullptr}};
  static proxyMethodTableC t(rows);
  return &t;
}
