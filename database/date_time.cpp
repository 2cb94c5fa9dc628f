#include "database/date_time.h"

#include <climits>
#include <exception>
#include <string>

#include "database/db_object.h"
#include "database/record_set.h"
#include "jbridge/proxy/java_sql.h"

namespace sql = jbridge::proxy::java::sql;
using jbridge::proxy::JInt;

namespace dbiid {
const qzIIDS kExtDataTimestamp = qzMakeIID("DATABASE.EXTDATATIMESRES");
const qzIIDS kExtDataDate = qzMakeIID("DATABASE.EXTDATADATERES");
const qzIIDS kExtDataTime = qzMakeIID("DATABASE.EXTDATATIMERES");
}  // namespace dbiid

namespace {

constexpr char kPartSource[] = "db com server";

qzIUnknown* wrap(proxyObjectC* object) {
  qzIUnknown* unknown = static_cast<qzIDispatch*>(object);
  unknown->AddRef();
  return unknown;
}

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}
  bool atEnd() const { return at_ == text_.size(); }
  char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
  bool take(char c) {
    if (peek() != c) return false;
    ++at_;
    return true;
  }
  bool takeWord(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }
  // At least `min` and at most `max` digits; their count in *count.
  bool number(int64_t* out, std::size_t min, std::size_t max, std::size_t* count = nullptr) {
    std::size_t n = 0;
    int64_t v = 0;
    while (n < max && peek() >= '0' && peek() <= '9') {
      v = v * 10 + (peek() - '0');
      ++at_;
      ++n;
    }
    if (count) *count = n;
    *out = v;
    return n >= min;
  }
  std::size_t mark() const { return at_; }
  void reset(std::size_t at) { at_ = at; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

bool parseTime(Scanner& in, dbDateTimeParts* p) {
  int64_t h = 0, m = 0, s = 0;
  if (!in.number(&h, 1, 2) || !in.take(':') || !in.number(&m, 2, 2)) return false;
  if (in.take(':')) {
    if (!in.number(&s, 2, 2)) return false;
    if (in.take('.')) {
      int64_t f = 0;
      std::size_t digits = 0;
      if (!in.number(&f, 1, 9, &digits)) return false;
      for (std::size_t i = digits; i < 9; ++i) f *= 10;
      int64_t below = 0;
      in.number(&below, 0, 64);  // digits below a nanosecond are dropped
      p->nanos = static_cast<int32_t>(f);
    }
  }
  if (h > 24 || m > 59 || s > 60) return false;
  p->hour = static_cast<int32_t>(h);
  p->minute = static_cast<int32_t>(m);
  p->second = static_cast<int32_t>(s);
  p->hasTime = true;
  return true;
}

// "Z", "+HH", "+HH:MM", "+HHMM", "+HH:MM:SS": read and dropped.
bool skipZone(Scanner& in) {
  if (in.take('Z')) return true;
  if (!in.take('+') && !in.take('-')) return true;
  int64_t part = 0;
  if (!in.number(&part, 2, 2)) return false;
  for (int i = 0; i < 2; ++i) {
    in.take(':');
    if (!in.number(&part, 0, 2)) return false;
  }
  return true;
}

}  // namespace

bool dbParseDateTime(std::string_view text, dbDateTimeParts* p) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  Scanner in(text);
  const bool negative = in.take('-');
  if (!negative) in.take('+');
  int64_t y = 0, mo = 0, d = 0;
  if (in.number(&y, 1, 18) && in.take('-') && in.number(&mo, 1, 2) && in.take('-') &&
      in.number(&d, 1, 2)) {
    if (mo < 1 || mo > 12 || d < 1 || d > 31) return false;
    p->year = negative ? -y : y;
    p->month = static_cast<int32_t>(mo);
    p->day = static_cast<int32_t>(d);
    p->hasDate = true;
    const std::size_t afterDate = in.mark();
    if ((in.take(' ') || in.take('T')) && !parseTime(in, p)) {
      in.reset(afterDate);  // no time: what follows may be the era
      p->nanos = 0;
    }
  } else {
    in.reset(0);
    if (!parseTime(in, p)) return false;
  }
  if (p->hasTime && !skipZone(in)) return false;
  if (p->hasDate) {
    if (in.takeWord(" BC")) {
      if (negative || p->year < 1) return false;
      p->year = 1 - p->year;
    } else {
      in.takeWord(" AD");
    }
  }
  return in.atEnd();
}

namespace {

// java.util.Date counts years from 1900 in an int, and answers the year of the era: a year
// before the common era would read as the same year after it, so it is refused.
bool javaYear(const dbDateTimeParts& p, JInt* out) {
  const int64_t y = p.year - 1900;
  if (p.year < 1 || y > INT32_MAX) return false;
  *out = JInt(static_cast<int32_t>(y));
  return true;
}

}  // namespace

qzIUnknown* dbCreateDateTimeValue(int32_t sqlType, const char* text) {
  if (!text) return nullptr;
  dbDateTimeParts p;
  if (!dbParseDateTime(text, &p)) return nullptr;
  JInt year(0);
  try {
    switch (sqlType) {
      case kDbSqlDate:
        if (!p.hasDate || !javaYear(p, &year)) return nullptr;
        return wrap(new dbJDBCExtDataDateC(sql::Date(year, JInt(p.month - 1), JInt(p.day))));
      case kDbSqlTime:
        if (!p.hasTime) return nullptr;
        return wrap(new dbJDBCExtDataTimeC(sql::Time(JInt(p.hour), JInt(p.minute), JInt(p.second)),
                                           p.nanos));
      case kDbSqlTimestamp:
        if (!p.hasDate || !javaYear(p, &year)) return nullptr;
        return wrap(new dbJDBCExtDataTimestampC(sql::Timestamp(year, JInt(p.month - 1), JInt(p.day),
                                                               JInt(p.hour), JInt(p.minute),
                                                               JInt(p.second), JInt(p.nanos))));
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

dbJDBCExtDataTimeC::dbJDBCExtDataTimeC(sql::Time value, int32_t nanos)
    : dbJDBCExtDataC(table(), dbiid::kExtDataTime, std::move(value)), nanos_(nanos) {}

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
  result.setInt(nanos_);
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
