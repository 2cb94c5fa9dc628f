#include "database/date_time.h"

#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <exception>
#include <optional>
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
  // Up to `max` digits passed over, their value unread (more than an int64_t holds).
  void skipDigits(std::size_t max) {
    for (std::size_t n = 0; n < max && peek() >= '0' && peek() <= '9'; ++n) ++at_;
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
      in.skipDigits(64);  // digits below a nanosecond are dropped
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

// The word arithmetic below takes a word's first byte as its lowest lane.
static_assert(std::endian::native == std::endian::little);

// Eight bytes of text as one word, in memory order.
uint64_t word(const char* bytes) {
  uint64_t w;
  std::memcpy(&w, bytes, sizeof w);
  return w;
}

// The bytes of `text` each xor-ed with `pattern`'s: a digit against '0' leaves its value (0 to
// 9), a separator against itself 0. Any lane above 9, or a separator lane not 0, is a miss:
// false. Otherwise *pairs has in each lane that lane's digit times ten plus the next lane's,
// the two-digit number starting there (99 at most: no lane carries into the next).
bool digitsAndSeparators(uint64_t text, const char* pattern, const char* separators,
                         uint64_t* pairs) {
  const uint64_t x = text ^ word(pattern);
  // A lane of 10 or more gets its top bit from the sum or has it already (a carry out of a
  // lane only comes from one whose top bit is set).
  const uint64_t above9 = (x | (x + 0x7676767676767676ULL)) & 0x8080808080808080ULL;
  *pairs = x * 10 + (x >> 8);
  return (above9 | (x & word(separators))) == 0;
}

int32_t lane(uint64_t w, int i) {
  return static_cast<int32_t>((w >> (8 * i)) & 0xFF);
}

// "YYYY-MM-DD HH:MM:SS" with an optional fraction of one to nine digits and nothing else, as
// drivers write a TIMESTAMP: read at fixed places, the parts the scanner would give. Anything
// else, a value out of range included, is left to the scanner.
bool quickTimestamp(std::string_view t, dbDateTimeParts* p) {
  const std::size_t size = t.size();
  if (size < 19 || size == 20 || size > 29) return false;
  // "YYYY-MM-", "DD HH:MM" and "HH:MM:SS" (overlapping the second by five bytes).
  uint64_t a, b, c;
  if (!digitsAndSeparators(word(t.data()), "0000-00-", "\0\0\0\0\xff\0\0\xff", &a) ||
      !digitsAndSeparators(word(t.data() + 8), "00 00:00", "\0\0\xff\0\0\xff\0\0", &b) ||
      !digitsAndSeparators(word(t.data() + 11), "00:00:00", "\0\0\xff\0\0\xff\0\0", &c)) {
    return false;
  }
  int32_t nanos = 0;
  if (size > 19) {
    if (t[19] != '.') return false;
    // The last eight bytes hold the fraction's last digits (the text is at least 21 long):
    // shifted down so that its first digit is the lowest lane, they read as the fraction in
    // units of 10 ns, the lanes above it 0.
    const std::size_t digits = size - 20;
    const std::size_t inWord = digits < 8 ? digits : 8;
    const uint64_t x = (word(t.data() + size - 8) ^ 0x3030303030303030ULL) >> (8 * (8 - inWord));
    if ((x | (x + 0x7676767676767676ULL)) & 0x8080808080808080ULL) return false;
    // Lanes summed in pairs, then in fours, then the two fours (most significant lane first).
    uint64_t v = x * 10 + (x >> 8);
    v = ((v & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32)) +
         ((v >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32))) >>
        32;
    nanos = static_cast<int32_t>(v);
    if (digits == 9) {
      const auto first = static_cast<uint32_t>(t[20] - '0');
      if (first > 9) return false;
      nanos += static_cast<int32_t>(first) * 100000000;
    } else {
      nanos *= 10;
    }
  }
  const int32_t month = lane(a, 5), day = lane(b, 0), hour = lane(c, 0), minute = lane(c, 3),
                second = lane(c, 6);
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 24 || minute > 59 || second > 60) {
    return false;
  }
  p->year = lane(a, 0) * 100 + lane(a, 2);
  p->month = month;
  p->day = day;
  p->hour = hour;
  p->minute = minute;
  p->second = second;
  p->nanos = nanos;
  p->hasDate = p->hasTime = true;
  return true;
}

// Every form, through the scanner. Out of line: its registers and stack would be set up for
// the usual timestamp too.
__attribute__((noinline)) bool scanDateTime(std::string_view text, dbDateTimeParts* p) {
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

}  // namespace

bool dbParseDateTime(std::string_view text, dbDateTimeParts* p) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return quickTimestamp(text, p) || scanDateTime(text, p);
}

namespace {

// One part of a value: its member name and how the Java value answers it. Fraction is kept
// apart from the Java value, since java.sql.Time holds none.
#define QZ_DATE_PART(Type, Name, getter)       \
  struct Type {                                \
    static constexpr char kName[] = Name;      \
    template <class V>                         \
    static int32_t read(const V& v, int32_t) { \
      return int32_t(v.getter());              \
    }                                          \
  };
QZ_DATE_PART(YearPart, "Year", getYear)
QZ_DATE_PART(MonthPart, "Month", getMonth)
QZ_DATE_PART(DayPart, "Day", getDay)
QZ_DATE_PART(HourPart, "Hour", getHours)
QZ_DATE_PART(MinutePart, "Minute", getMinutes)
QZ_DATE_PART(SecondPart, "Second", getSeconds)
#undef QZ_DATE_PART
struct FractionPart {
  static constexpr char kName[] = "Fraction";
  template <class V>
  static int32_t read(const V&, int32_t nanos) {
    return nanos;
  }
};

// One class for the three kinds: the parts read from the text, the Java value made from them
// at the first read of a part (most values a walk reads are never asked for one: the JNI
// construction would cost more than the rest of the row), and the parts its kind answers as
// read-only integer properties.
template <class Kind, class... Parts>
class ExtDataC final : public proxyObjectC {
 public:
  using V = typename Kind::Value;
  // Born with the one reference its creator hands out: no count to raise a moment later.
  ExtDataC(const dbDateTimeParts& parts, int32_t year)
      : proxyObjectC(table(), nullptr, true), parts_(parts), year_(year) {}

  int32_t QueryInterface(const qzIIDS* iid, void** out) override {
    if (!iid || !out) return kQzFailed;
    if (qzIIDEqual(*iid, Kind::iid())) return dbHandOut(static_cast<qzIDispatch*>(this), out);
    return proxyObjectC::QueryInterface(iid, out);
  }
  const char* className() override { return Kind::kClassName; }

 private:
  const V& value() {
    if (!value_) value_.emplace(Kind::make(parts_, JInt(year_)));
    return *value_;
  }

  template <class Part>
  static void part(void* native, proxyAutoParaListC&, proxyAutoTypeCastC& result) {
    auto* self = static_cast<ExtDataC*>(static_cast<proxyObjectC*>(native));
    try {
      result.setInt(Part::read(self->value(), self->parts_.nanos));
    } catch (const std::exception& e) {
      throw proxyExecuteExceptionC(std::string(Part::kName) + ": " + e.what(), kPartSource);
    }
  }

  static proxyMethodTableC* table() {
    // Kept apart from dbTable's own static: its row list would be built on every value.
    static proxyMethodTableC* const built =
        dbTable<ExtDataC>({{Parts::kName, kQzPropertyGet, 0, &part<Parts>}...});
    return built;
  }

  dbDateTimeParts parts_;
  int32_t year_;  // the Java year, from 1900 (a JInt here would be copied through memory)
  std::optional<V> value_;
};

struct TimestampKind {
  using Value = sql::Timestamp;
  static constexpr char kClassName[] = "dbJDBCExtDataTimestampC";
  static const qzIIDS& iid() { return dbiid::kExtDataTimestamp; }
  static Value make(const dbDateTimeParts& p, JInt year) {
    return Value(year, JInt(p.month - 1), JInt(p.day), JInt(p.hour), JInt(p.minute), JInt(p.second),
                 JInt(p.nanos));
  }
};
struct DateKind {
  using Value = sql::Date;
  static constexpr char kClassName[] = "dbJDBCExtDataDateC";
  static const qzIIDS& iid() { return dbiid::kExtDataDate; }
  static Value make(const dbDateTimeParts& p, JInt year) {
    return Value(year, JInt(p.month - 1), JInt(p.day));
  }
};
struct TimeKind {
  using Value = sql::Time;
  static constexpr char kClassName[] = "dbJDBCExtDataTimeC";
  static const qzIIDS& iid() { return dbiid::kExtDataTime; }
  static Value make(const dbDateTimeParts& p, JInt) {
    return Value(JInt(p.hour), JInt(p.minute), JInt(p.second));
  }
};

using TimestampValueC = ExtDataC<TimestampKind, YearPart, MonthPart, DayPart, HourPart, MinutePart,
                                 SecondPart, FractionPart>;
using DateValueC = ExtDataC<DateKind, YearPart, MonthPart, DayPart>;
using TimeValueC = ExtDataC<TimeKind, HourPart, MinutePart, SecondPart, FractionPart>;

template <class C>
qzIUnknown* wrap(const dbDateTimeParts& parts, int32_t year) {
  return static_cast<qzIDispatch*>(new C(parts, year));
}

// java.util.Date counts years from 1900 in an int, and answers the year of the era: a year
// before the common era would read as the same year after it, so it is refused.
bool javaYear(const dbDateTimeParts& p, int32_t* out) {
  const int64_t y = p.year - 1900;
  if (p.year < 1 || y > INT32_MAX) return false;
  *out = static_cast<int32_t>(y);
  return true;
}

}  // namespace

qzIUnknown* dbCreateDateTimeValue(int32_t sqlType, std::string_view text) {
  dbDateTimeParts p;
  if (!dbParseDateTime(text, &p)) return nullptr;
  int32_t year = 0;
  try {
    switch (sqlType) {
      case kDbSqlDate:
        if (!p.hasDate || !javaYear(p, &year)) return nullptr;
        return wrap<DateValueC>(p, year);
      case kDbSqlTime:
        if (!p.hasTime) return nullptr;
        return wrap<TimeValueC>(p, year);
      case kDbSqlTimestamp:
        if (!p.hasDate || !javaYear(p, &year)) return nullptr;
        return wrap<TimestampValueC>(p, year);
      default:
        return nullptr;
    }
  } catch (...) {
    return nullptr;
  }
}
