#include "database/record_fields.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "database/date_time.h"
#include "database/db_object.h"
#include "database/record_set.h"
#include "jdbc/text_buffer.h"

namespace {

constexpr char kFieldSource[] = "db com server";

bool isBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

const char* skipBlanks(const char* p) {
  while (isBlank(*p)) ++p;
  return p;
}

// The text when it is nothing but "[-]digits[.digits]" with at most 15 significant digits and
// 22 after the point, as DECIMAL columns of that precision give it: both the digits and the
// power of ten are then exact doubles, so their quotient is the correctly rounded value
// from_chars would answer.
bool shortDecimal(const char* p, double* out) {
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const bool negative = *p == '-';
  if (negative) ++p;
  uint64_t digits = 0;
  int significant = 0, fraction = 0, count = 0;
  bool point = false;
  for (;; ++p) {
    if (*p >= '0' && *p <= '9') {
      ++count;
      if (digits != 0 || *p != '0') {
        if (++significant > 15) return false;
        digits = digits * 10 + static_cast<uint64_t>(*p - '0');
      }
      if (point && ++fraction > 22) return false;
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (*p != '\0' || count == 0) return false;
  const double v = static_cast<double>(digits) / kPowers[fraction];
  *out = negative ? -v : v;
  return true;
}

// C floating-point rules: leading blanks, an optional sign, the longest number that follows;
// 0 when none does. Independent of the locale.
double floatValue(const char* text) {
  const char* p = skipBlanks(text);
  if (*p == '+') ++p;
  if (double quick = 0; shortDecimal(p, &quick)) return quick;
  double v = 0;
  const char* end = p + std::char_traits<char>::length(p);
  std::from_chars(p, end, v);
  return v;
}

// What integerValue reads of a text that is exactly an optional minus and 1 to 18 digits, with
// no byte of [text, end) left over; false, with nothing set, for anything else. Beyond 2^53 a
// double is no longer exact: such a value is read as floating-point text.
bool plainInteger(const char* text, const char* end, qzVariantS* out) {
  const char* digits = *text == '-' ? text + 1 : text;
  if (end - digits <= 0 || end - digits > 18) return false;
  int64_t n = 0;
  for (const char* q = digits; q < end; ++q) {
    const auto digit = static_cast<uint32_t>(*q - '0');
    if (digit > 9) return false;
    n = n * 10 + digit;
  }
  if (digits != text) n = -n;
  if (n >= INT32_MIN && n <= INT32_MAX) {
    out->setInt(static_cast<int32_t>(n));
  } else {
    out->setFloat(n >= -(1LL << 53) && n <= (1LL << 53) ? static_cast<double>(n)
                                                        : floatValue(text));
  }
  return true;
}

// C decimal rules (leading blanks, an optional sign, the digits up to the first other
// character; 0 when none). A value beyond 32 bits (a BIGINT) reads as the nearest
// floating-point number rather than as a wrapped or cut integer.
void integerValue(const char* text, const char* end, qzVariantS* out) {
  const char* p = skipBlanks(text);
  if (*p == '+') ++p;
  // What nearly every value is: an optional minus and up to 18 digits, nothing else.
  if (plainInteger(p, end, out)) return;
  long long v = 0;
  const std::errc error = std::from_chars(p, end, v).ec;
  if (error == std::errc() && v >= INT32_MIN && v <= INT32_MAX) {
    out->setInt(static_cast<int32_t>(v));
  } else if (error == std::errc::invalid_argument) {
    out->setInt(0);
  } else {
    out->setFloat(floatValue(text));
  }
}

// Stages text as the column's new value: the buffer shows it (cut at a whole character to the
// capacity), and update sends it whole.
void stage(dbJDBCColumnS& c, std::string text) {
  c.lent = nullptr;
  std::fill(c.buffer.begin(), c.buffer.end(), '\0');
  const size_t n = qz::jdbc::utf8CutLength(text, static_cast<size_t>(c.capacity));
  std::copy_n(text.data(), n, c.buffer.begin());
  c.used = static_cast<int32_t>(n);
  c.length = static_cast<int32_t>(std::min<size_t>(text.size(), INT32_MAX));
  c.pending = std::move(text);
  c.modified = true;
}

// The shortest text that reads back as the same double.
std::string doubleText(double d) {
  if (!std::isfinite(d)) return std::string();  // no column holds "inf" or "nan"
  char buffer[64];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, d);
  if (error != std::errc()) return std::string();
  return std::string(buffer, end);
}

// The exact decimal text of a value staged on an integer column, or empty when the value is no
// number. The variant's own integer is 32 bits, but the column may be a BIGINT: integer text
// passes whole within 64 bits, and floating-point values (numbers or text) lose their fraction
// as they would converting to an integer.
std::string integerText(qzVariantS& v) {
  if (v.type == kVtFloat || v.type == kVtString) {
    double d = 0;
    if (v.type == kVtString) {
      const char* text = nullptr;
      if (v.getTextNoConvert(&text) != kQzOk || !text) return std::string();
      const char* p = skipBlanks(text);
      const char* digits = *p == '+' ? p + 1 : p;
      const char* end = digits + std::char_traits<char>::length(digits);
      while (end > digits && isBlank(end[-1])) --end;
      long long n = 0;
      auto [next, error] = std::from_chars(digits, end, n);
      if (error == std::errc() && next == end) return std::to_string(n);
      auto [fnext, ferror] = std::from_chars(digits, end, d);
      if (ferror != std::errc() || fnext != end) return std::string();
    } else {
      d = v.value.f;
    }
    // 2^63 is exact in a double; everything below it in magnitude fits a long long.
    if (!std::isfinite(d) || d >= 9223372036854775808.0 || d < -9223372036854775808.0) {
      return std::string();
    }
    return std::to_string(static_cast<long long>(d));
  }
  int32_t n = 0;
  if (v.getInt(&n) != kQzOk) return std::string();
  return std::to_string(n);
}

}  // namespace

dbJDBCRecordSetFieldsC::dbJDBCRecordSetFieldsC(dbJDBCSQLRecordSetC* recordSet)
    : dbObjectT(table()), recordSet_(qzRef<dbJDBCSQLRecordSetC>::share(recordSet)) {}

dbJDBCRecordSetFieldsC::~dbJDBCRecordSetFieldsC() = default;

int32_t dbJDBCRecordSetFieldsC::QueryInterface(const qzIIDS* iid, void** out) {
  if (iid && out && qzIIDEqual(*iid, dbiid::kRecordSetRows)) {
    return dbHandOut(static_cast<dbIRecordSetRows*>(this), out);
  }
  return dbObjectT::QueryInterface(iid, out);
}

int32_t dbJDBCRecordSetFieldsC::count(int32_t* out) {
  if (out) *out = recordSet_->columnCount();
  return kQzOk;
}

int32_t dbJDBCRecordSetFieldsC::find(const qzVariantS* column, int32_t* index) {
  if (!column || recordSet_->describe() != kQzOk) return kQzFailed;
  int32_t i = -1;
  if (column->type == kVtInt) {
    i = column->value.i;  // what a walk passes: no copy, no conversion
    if (i < 0 || i >= recordSet_->columnCount()) return kQzFailed;
    *index = i;
    return kQzOk;
  }
  qzVariantS key(*column);
  if (key.type == kVtFloat) {
    // The variant's conversion keeps the low 32 bits, which would turn 2^32 into column 0.
    const double d = key.value.f;
    if (!(d > -2147483649.0 && d < 2147483648.0)) return kQzFailed;
    i = static_cast<int32_t>(d);
  } else {
    const char* name = nullptr;
    if (key.getText(&name) != kQzOk) return kQzFailed;
    for (int32_t c = 0; c < recordSet_->columnCount(); ++c) {
      if (qzEqualsIgnoringAsciiCase(recordSet_->column(c).name.c_str(), name)) {
        i = c;
        break;
      }
    }
  }
  if (i < 0 || i >= recordSet_->columnCount()) return kQzFailed;
  *index = i;
  return kQzOk;
}

namespace {

// The text value of a text column that holds one (not NULL, buffered).
bool plainText(const dbJDBCColumnS& c) {
  return c.sqlType == kDbSqlChar && c.indicator != kDbNullIndicator && c.hasBuffer();
}

}  // namespace

int32_t dbJDBCRecordSetFieldsC::valueOf(const dbJDBCColumnS& c, qzVariantS* out) {
  if (c.indicator == kDbNullIndicator || !c.hasBuffer()) {
    out->clear();
    return c.hasBuffer() ? kQzOk : kQzFailed;
  }
  const char* text = c.text();
  const size_t bound = c.textBound();
  switch (c.sqlType) {
    case kDbSqlChar: {
      // One allocation per value, not two: the most common value of a walk.
      out->adoptString(str::newPacked(text, bound));
      return kQzOk;
    }
    case kDbSqlInteger:
      // A block's row leaves `used` at the value's length: a value of digits alone fills it.
      if (!plainInteger(text, text + bound, out)) {
        integerValue(text, text + strnlen(text, bound), out);
      }
      return kQzOk;
    case kDbSqlDouble:
      out->setFloat(floatValue(text));
      return kQzOk;
    case kDbSqlDate:
    case kDbSqlTime:
    case kDbSqlTimestamp: {
      // The new value's one reference goes to the variant as it is.
      qzIUnknown* value =
          dbCreateDateTimeValue(c.sqlType, std::string_view(text, strnlen(text, bound)));
      if (!value) return kQzFailed;
      out->adoptObject(value);
      return kQzOk;
    }
    default:
      return kQzFailed;
  }
}

int32_t dbJDBCRecordSetFieldsC::getField(const qzVariantS* column, int32_t code, qzVariantS* out) {
  if (!out) return kQzFailed;
  // A walk's read: the value of a column by number, the description standing.
  if (column && column->type == kVtInt && code == kDbFieldValue && recordSet_->describedCurrent()) {
    const int32_t c = column->value.i;
    if (c < 0 || c >= recordSet_->columnCount()) return kQzFailed;
    try {
      return valueOf(recordSet_->column(c), out);
    } catch (...) {
      return kQzFailed;
    }
  }
  int32_t i = 0;
  try {
    if (find(column, &i) != kQzOk) return kQzFailed;
  } catch (...) {
    return kQzFailed;
  }
  return fieldAt(i, code, out);
}

int32_t dbJDBCRecordSetFieldsC::fieldAt(int32_t i, int32_t code, qzVariantS* out) {
  try {
    const dbJDBCColumnS& c = recordSet_->column(i);
    switch (code) {
      case kDbFieldName:
        out->setString(c.name.data(), c.name.size());
        return kQzOk;
      case kDbFieldKind:
        out->setInt(c.cType);
        return kQzOk;
      case kDbFieldValue:
        return valueOf(c, out);
      case kDbFieldIndicator:
        out->setInt(c.indicator);
        return kQzOk;
      default:
        return kQzOk;
    }
  } catch (...) {
    return kQzFailed;
  }
}

int32_t dbJDBCRecordSetFieldsC::setField(const qzVariantS* column, int32_t code,
                                         const qzVariantS* value) {
  if (code != kDbFieldValue || !value) return kQzFailed;
  try {
    int32_t i = 0;
    if (find(column, &i) != kQzOk) return kQzFailed;
    dbJDBCColumnS& c = recordSet_->column(i);
    if (!c.hasBuffer()) return kQzFailed;
    qzVariantS v(*value);
    switch (c.sqlType) {
      case kDbSqlChar: {
        const char* text = nullptr;
        if (v.getText(&text) != kQzOk) return kQzFailed;
        stage(c, text);
        return kQzOk;
      }
      case kDbSqlInteger: {
        std::string text = integerText(v);
        if (text.empty()) return kQzFailed;
        stage(c, std::move(text));
        return kQzOk;
      }
      case kDbSqlDouble: {
        double d = 0;
        if (v.getFloat(&d) != kQzOk) return kQzFailed;
        std::string text = doubleText(d);
        if (text.empty()) return kQzFailed;
        stage(c, std::move(text));
        return kQzOk;
      }
      default:
        return kQzFailed;
    }
  } catch (...) {
    return kQzFailed;
  }
}

namespace {

// The code argument i; false for one that is no number, which reads like an unknown code.
bool codeArgument(proxyAutoParaListC& args, int32_t i, int32_t* out) {
  proxyAutoTypeCastC code;
  code.value = args.get(i).value;
  dbResolveSymbolRefs(code.value);
  try {
    *out = code.toInt();
  } catch (const proxyAutoTypeCastExceptionC&) {
    return false;
  }
  return true;
}

}  // namespace

bool dbJDBCRecordSetFieldsC::columnArgument(proxyAutoParaListC& args, int32_t* index) {
  qzVariantS column = args.get(0).value;
  dbResolveSymbolRefs(column);
  return find(&column, index) == kQzOk;
}

void dbJDBCRecordSetFieldsC::scriptField(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  qzVariantS column = args.get(0).value;
  dbResolveSymbolRefs(column);
  int32_t n = 0;
  if (codeArgument(args, 1, &n)) fieldValue(column, n, &result.value);
}

void dbJDBCRecordSetFieldsC::fieldValue(const qzVariantS& column, int32_t n, qzVariantS* out) {
  int32_t i = 0;
  bool found = false;
  try {
    found = find(&column, &i) == kQzOk;
  } catch (...) {
  }
  if (found) {
    fieldValueAt(i, n, out);
  } else {
    out->clear();
  }
}

void dbJDBCRecordSetFieldsC::fieldValueAt(int32_t i, int32_t n, qzVariantS* out) {
  if (fieldAt(i, n, out) == kQzOk) return;
  out->clear();
  // A value that is there must never read as NULL: one that cannot be read says so.
  if (n != kDbFieldValue) return;
  const dbJDBCColumnS& c = recordSet_->column(i);
  if (!c.hasBuffer() || c.indicator == kDbNullIndicator) return;
  const bool dateTime =
      c.sqlType == kDbSqlDate || c.sqlType == kDbSqlTime || c.sqlType == kDbSqlTimestamp;
  // Anything else fails only when memory is refused: it must not read as a date.
  if (!dateTime) {
    throw proxyExecuteExceptionC("Field: the value of column " + c.name + " could not be read",
                                 kFieldSource);
  }
  throw proxyExecuteExceptionC("Field: the value \"" + std::string(c.text()) + "\" of column " +
                                   c.name + " is no date, time or timestamp that can be read",
                               kFieldSource);
}

void dbJDBCRecordSetFieldsC::scriptFullText(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  int32_t i = 0;
  if (!columnArgument(args, &i)) return;
  std::string text;
  bool isNull = true;
  qzIUnknown* err = nullptr;
  if (recordSet_->fullText(i, &text, &isNull, &err) != kQzOk) {
    qzRef<qzIUnknown> held(err);
    if (held) throw proxyExecuteComExceptionC(held.get());
    return;
  }
  if (!isNull) result.value.setString(text.data(), text.size());
}

void dbJDBCRecordSetFieldsC::scriptCut(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  int32_t i = 0;
  if (!columnArgument(args, &i)) return;
  result.setInt(recordSet_->column(i).cut ? 1 : 0);
}

qzVariantArrayC* dbJDBCRecordSetFieldsC::row(int32_t n) {
  auto row = std::make_unique<qzVariantArrayC>();
  const int32_t columns = recordSet_->columnCount();
  row->resize(columns);
  // A page's elements lie in one piece: one virtual call per page, not per value.
  constexpr int32_t kPage = qzVariantArrayC::kPageElements;
  for (int32_t first = 0; first < columns; first += kPage) {
    qzVariantS* page = &row->element(first);
    const int32_t size = std::min(columns - first, kPage);
    for (int32_t j = 0; j < size; ++j) cellValue(first + j, n, page + j);
  }
  return row.release();
}

void dbJDBCRecordSetFieldsC::cellValue(int32_t i, int32_t n, qzVariantS* out) {
  // Values straight from their columns; what cannot be read fails as Field fails.
  if (n == kDbFieldValue) {
    int32_t read = kQzFailed;
    try {
      read = valueOf(recordSet_->column(i), out);
    } catch (...) {
    }
    if (read == kQzOk) return;
  }
  fieldValueAt(i, n, out);
}

void dbJDBCRecordSetFieldsC::rowTo(dbIRowSink* sink, int32_t n) {
  sink->beginRow(recordSet_->columnCount());
  // The sink's caller may run code of its own in a call of the sink (the Lua host's collector
  // runs finalizers), which may use this record set: nothing read before a call is trusted
  // after it.
  for (int32_t i = 0; i < recordSet_->columnCount(); ++i) {
    const dbJDBCColumnS& c = recordSet_->column(i);
    // A text as the variant string valueOf would make holds it, without making one.
    if (n == kDbFieldValue && plainText(c)) {
      sink->text(c.text(), strnlen(c.text(), c.textBound()));
      continue;
    }
    qzVariantS v;
    cellValue(i, n, &v);
    sink->value(v);
  }
  sink->endRow();
}

template <class Read>
int32_t dbJDBCRecordSetFieldsC::walkRows(int32_t most, Read read) {
  int32_t i = 0;
  for (; i < most; ++i) {
    int32_t state = 0;
    if (recordSet_->position(&state) != kQzOk || state == kDbPositionAtEnd) break;
    read(i);
    qzIUnknown* err = nullptr;
    if (recordSet_->fetch(3, 0, &err) != kQzOk) {
      qzRef<qzIUnknown> held(err);
      if (held) throw proxyExecuteComExceptionC(held.get());
      throw proxyExecuteExceptionC("Rows: the record set could not move on", kFieldSource);
    }
  }
  return i;
}

namespace {

// The failure of a native path as its script member `name` reports it; inside a catch block.
int32_t memberFailed(const char* name, qzIUnknown** errOut) {
  qzIUnknown* error = nullptr;
  try {
    error = proxyObjectC::currentCallException(name);
  } catch (...) {
    // no memory for the report: the status still says the call failed
  }
  if (errOut) {
    *errOut = error;
  } else if (error) {
    error->Release();
  }
  return kQzFailed;
}

}  // namespace

template <class Hand>
int32_t dbJDBCRecordSetFieldsC::toSink(const char* name, dbIRowSink* sink, int32_t* handed,
                                       qzIUnknown** errOut, Hand hand) {
  if (!sink || !handed) return kQzFailed;
  *handed = -1;
  try {
    if (recordSet_->describe() != kQzOk) return kQzOk;
    *handed = hand();
    return kQzOk;
  } catch (...) {
    return memberFailed(name, errOut);
  }
}

int32_t dbJDBCRecordSetFieldsC::rows(const char* name, int32_t most, int32_t code, dbIRowSink* sink,
                                     int32_t* handed, qzIUnknown** errOut) {
  return toSink(name, sink, handed, errOut,
                [&] { return walkRows(most, [&](int32_t) { rowTo(sink, code); }); });
}

int32_t dbJDBCRecordSetFieldsC::currentRow(const char* name, int32_t code, dbIRowSink* sink,
                                           int32_t* handed, qzIUnknown** errOut) {
  return toSink(name, sink, handed, errOut, [&] {
    rowTo(sink, code);
    return 1;
  });
}

void dbJDBCRecordSetFieldsC::scriptRow(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  int32_t n = 0;
  if (!codeArgument(args, 0, &n) || recordSet_->describe() != kQzOk) return;
  result.setArray(row(n));
}

void dbJDBCRecordSetFieldsC::scriptRows(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  int32_t most = 0, n = 0;
  if (!codeArgument(args, 0, &most) || !codeArgument(args, 1, &n) ||
      recordSet_->describe() != kQzOk) {
    return;
  }
  auto rows = std::make_unique<qzVariantArrayC>();
  walkRows(most, [&](int32_t i) {
    rows->resize(i + 1);
    rows->element(i).setArray(row(n));
  });
  result.setArray(rows.release());
}

void dbJDBCRecordSetFieldsC::scriptCount(proxyAutoParaListC&, proxyAutoTypeCastC& result) {
  // A result that changed under the record set is counted as it is now.
  recordSet_->describe();
  result.setInt(recordSet_->columnCount());
}

proxyMethodTableC* dbJDBCRecordSetFieldsC::table() {
  using T = dbJDBCRecordSetFieldsC;
  return dbTable<T>({
      dbMethod<&T::scriptField>("Field", 2),
      dbGet<&T::scriptCount>("Count"),
      dbMethod<&T::scriptFullText>("FullText", 1),
      dbMethod<&T::scriptCut>("Cut", 1),
      dbMethod<&T::scriptRow>("Row", 1),
      dbMethod<&T::scriptRows>("Rows", 2),
  });
}
