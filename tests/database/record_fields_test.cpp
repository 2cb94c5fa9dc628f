// Fields of a record set with a real driver: lookup by number and name, every code, NULL and
// the empty text, numbers at the limits of their types, long and non-ASCII text, setField, and
// the date, time and timestamp value objects.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <initializer_list>
#include <limits>
#include <string>

#include "tests/database/rs_fixture.h"

namespace {

using dbtest::RecordSetFixture;
using qztest::Obj;
using qztest::Value;

class RecordFieldsTest : public RecordSetFixture {
 protected:
  // The fields of the first row of a one-row query.
  Obj row(const std::string& sql) {
    rs_ = open(sql);
    return fieldsOf(rs_);
  }
  Obj rs_;
};

TEST_P(RecordFieldsTest, LookupAndCodes) {
  exec("CREATE TABLE " + table_ + " (id INT, name VARCHAR(20), empty VARCHAR(5), gone INT)");
  exec("INSERT INTO " + table_ + " VALUES (5, 'five', '', NULL)");
  Obj f = row("SELECT id, name, empty, gone FROM " + table_);
  EXPECT_EQ(f.get("Count").asInt(), 4);
  EXPECT_EQ(f.call("Field", 0, 3).asInt(), 5);
  EXPECT_EQ(f.call("Field", "ID", 3).asInt(), 5) << "names ignore case";
  EXPECT_EQ(f.call("Field", "id", 3).asInt(), 5);
  EXPECT_EQ(f.call("Field", 0.9, 3).asInt(), 5) << "a float index is cut to an integer";
  EXPECT_EQ(f.call("Field", 1, 1).text(), postgres() ? "name" : "NAME");
  EXPECT_EQ(f.call("Field", 0, 2).asInt(), 1);
  EXPECT_EQ(f.call("Field", 1, 2).asInt(), 4);
  EXPECT_EQ(f.call("Field", 1, 3).text(), "five");
  EXPECT_EQ(f.call("Field", 1, 4).asInt(), 4);

  // NULL and the empty text read alike.
  for (const char* c : {"gone", "empty"}) {
    SCOPED_TRACE(c);
    EXPECT_EQ(f.call("Field", c, 4).asInt(), -1);
    EXPECT_TRUE(f.call("Field", c, 3).isUndef());
  }

  // What has no answer leaves the result empty and raises nothing.
  EXPECT_TRUE(f.call("Field", 99, 3).isUndef());
  EXPECT_TRUE(f.call("Field", -1, 3).isUndef());
  EXPECT_TRUE(f.call("Field", "nosuchcolumn", 3).isUndef());
  EXPECT_TRUE(f.call("Field", 0, 5).isUndef());
  EXPECT_TRUE(f.call("Field", 0, "3").isUndef()) << "a code must be a number";

  qzRef<dbIRecordSetFields> n = nativeFields(f);
  ASSERT_TRUE(n);
  int32_t count = 0;
  EXPECT_EQ(n->count(&count), 0);
  EXPECT_EQ(count, 4);
  Value out;
  EXPECT_EQ(n->getField(&Value(99).variant(), 3, &out.variant()), 1);
  EXPECT_EQ(n->getField(&Value(-1).variant(), 3, &out.variant()), 1);
  EXPECT_EQ(n->getField(&Value(0).variant(), 5, &out.variant()), 0) << "an unknown code succeeds";
  ASSERT_EQ(n->getField(&Value(1).variant(), 3, &out.variant()), 0);
  EXPECT_EQ(out.text(), "five");
  ASSERT_EQ(n->getField(&Value(3).variant(), 3, &out.variant()), 0);
  EXPECT_TRUE(out.isUndef()) << "NULL";

  // The statement run again: the same accessor reads the new result, described anew.
  exec_.call("statement", "SELECT name, id FROM " + table_);
  exec_.call("execute");
  ASSERT_EQ(n->getField(&Value(0).variant(), 3, &out.variant()), 0);
  EXPECT_EQ(out.text(), "five");
  ASSERT_EQ(n->getField(&Value(1).variant(), 3, &out.variant()), 0);
  EXPECT_EQ(out.asInt(), 5);
  EXPECT_EQ(n->getField(&Value(2).variant(), 3, &out.variant()), 1) << "two columns now";
}

TEST_P(RecordFieldsTest, NumbersAtTheLimitsOfTheirTypes) {
  exec("CREATE TABLE " + table_ +
       " (i INT, s SMALLINT, d DOUBLE PRECISION, r REAL, m DECIMAL(30,10), n NUMERIC(10,0))");
  exec("INSERT INTO " + table_ + " VALUES (2147483647, 32767, 1.7976931348623157E308, 1.5, " +
       "12345678901234567890.0123456789, 1234567890)");
  exec("INSERT INTO " + table_ + " VALUES (-2147483648, -32768, 4.9E-324, -0.25, " +
       "-0.0000000001, -9999999999)");
  exec("INSERT INTO " + table_ + " VALUES (0, 0, -2.2250738585072014E-308, 0, 0, 0)");
  Obj f = row("SELECT i, s, d, r, m, n FROM " + table_ + " ORDER BY i DESC");
  EXPECT_EQ(f.call("Field", "i", 3).asInt(), INT_MAX);
  EXPECT_EQ(f.call("Field", "s", 3).asInt(), 32767);
  EXPECT_EQ(f.call("Field", "d", 3).asDouble(), DBL_MAX);
  EXPECT_EQ(f.call("Field", "r", 3).asDouble(), 1.5);
  EXPECT_DOUBLE_EQ(f.call("Field", "m", 3).asDouble(), 12345678901234567890.0123456789);
  EXPECT_EQ(f.call("Field", "n", 3).asDouble(), 1234567890.0) << "ten digits, not eight";
  EXPECT_EQ(f.call("Field", "d", 2).asInt(), 2);
  rs_.call("fetch", 3, 0);
  EXPECT_EQ(f.call("Field", "i", 3).asInt(), 0);
  EXPECT_EQ(f.call("Field", "d", 3).asDouble(), -DBL_MIN) << "the longest double text whole";
  rs_.call("fetch", 3, 0);
  EXPECT_EQ(f.call("Field", "i", 3).asInt(), INT_MIN);
  EXPECT_EQ(f.call("Field", "s", 3).asInt(), -32768);
  EXPECT_EQ(f.call("Field", "d", 3).asDouble(), 4.9E-324);
  EXPECT_EQ(f.call("Field", "r", 3).asDouble(), -0.25);
  EXPECT_DOUBLE_EQ(f.call("Field", "m", 3).asDouble(), -0.0000000001);
  EXPECT_EQ(f.call("Field", "n", 3).asDouble(), -9999999999.0);
}

// The exact nearest double, as the compiler rounds the same literal: no error of a power of
// ten taken as a factor (0.07 is not 7 * 0.01), from the longest fraction to the widest value.
TEST_P(RecordFieldsTest, DecimalsReadAsTheNearestDouble) {
  exec("CREATE TABLE " + table_ + " (k INT, m DECIMAL(15,2), f DECIMAL(15,15))");
  exec("INSERT INTO " + table_ + " VALUES (1, 9999999999999.99, 0.123456789012345)");
  exec("INSERT INTO " + table_ + " VALUES (2, -0.07, -0.000000000000001)");
  Obj f = row("SELECT m, f FROM " + table_ + " ORDER BY k");
  EXPECT_EQ(f.call("Field", "m", 3).asDouble(), 9999999999999.99);
  EXPECT_EQ(f.call("Field", "f", 3).asDouble(), 0.123456789012345);
  rs_.call("fetch", 3, 0);
  EXPECT_EQ(f.call("Field", "m", 3).asDouble(), -0.07);
  EXPECT_EQ(f.call("Field", "f", 3).asDouble(), -0.000000000000001);
}

TEST_P(RecordFieldsTest, LongAndNonAsciiTextReadsExactly) {
  std::string mixed = "Grüße, ¿qué tal? Ωμέγα 日本語 — ";
  std::string longText;
  while (longText.size() < 5000) longText += mixed;
  std::string ascii(8192, 'a');
  exec("CREATE TABLE " + table_ + " (t VARCHAR(4000), a VARCHAR(9000), c CHAR(3))");
  exec("INSERT INTO " + table_ + " VALUES ('" + longText + "', '" + ascii + "b', 'é')",
       "SQLEXEC_UTF8");
  Obj f = row("SELECT t, a, c FROM " + table_);
  EXPECT_EQ(f.call("Field", "t", 3).text(), longText);
  EXPECT_EQ(f.call("Field", "a", 3).text(), ascii) << "cut at the 8192-byte buffer";
  EXPECT_EQ(f.call("Field", "a", 4).asInt(), 8193) << "the indicator tells the whole length";
  EXPECT_EQ(f.call("Field", "c", 3).text(), "é  ") << "CHAR pads to its length";
}

TEST_P(RecordFieldsTest, SetFieldStagesDecimalTextAndRefusesWhatItCannotHold) {
  exec("CREATE TABLE " + table_ + " (id INT, name VARCHAR(10), x DOUBLE PRECISION, d DATE)");
  exec("INSERT INTO " + table_ + " VALUES (1, 'hello', 2.5, CAST('2009-03-05' AS DATE))");
  exec("INSERT INTO " + table_ + " VALUES (2, 'world', 3.5, NULL)");
  Obj f = row("SELECT id, name, x, d FROM " + table_ + " ORDER BY id");
  EXPECT_EQ(setField(f, "name", "ab"), 0);
  EXPECT_EQ(f.call("Field", "name", 3).text(), "ab") << "no rest of 'hello' behind it";
  EXPECT_EQ(setField(f, "name", std::string(12, 'z') + "€"), 0);
  EXPECT_EQ(f.call("Field", "name", 3).text(), std::string(12, 'z') + "€")
      << "the buffer is sized for ten characters of up to four bytes";
  EXPECT_EQ(setField(f, "id", 123456), 0);
  EXPECT_EQ(f.call("Field", "id", 3).asInt(), 123456) << "the number's text, not its bytes";
  EXPECT_EQ(setField(f, "x", 0.1), 0);
  EXPECT_EQ(f.call("Field", "x", 3).asDouble(), 0.1);
  EXPECT_EQ(setField(f, "x", -1.7976931348623157E308), 0);
  EXPECT_EQ(f.call("Field", "x", 3).asDouble(), -DBL_MAX);
  EXPECT_EQ(setField(f, "id", 7.9), 0);
  EXPECT_EQ(f.call("Field", "id", 3).asInt(), 7);

  EXPECT_EQ(setField(f, "d", "2010-01-01"), 1) << "date columns take no value";
  EXPECT_EQ(setField(f, "id", Value::undef()), 1);
  EXPECT_EQ(setField(f, "nosuch", 1), 1);
  EXPECT_EQ(setField(f, 99, 1), 1);
  qzRef<dbIRecordSetFields> n = nativeFields(f);
  EXPECT_EQ(n->setField(&Value(0).variant(), 1, &Value(5).variant()), 1) << "only code 3";

  // A fetch drops what was staged.
  rs_.call("fetch", 3, 0);
  EXPECT_EQ(f.call("Field", "name", 3).text(), "world");
  EXPECT_EQ(f.call("Field", "id", 3).asInt(), 2);
}

TEST_P(RecordFieldsTest, SetFieldKeepsBigIntegersExactAndRefusesNonNumbers) {
  exec("CREATE TABLE " + table_ + " (id INT PRIMARY KEY, big BIGINT, x DOUBLE PRECISION)");
  exec("INSERT INTO " + table_ + " VALUES (1, 5, 2.5)");
  Obj rs = open("SELECT id, big, x FROM " + table_, 1, 2);
  Obj f = fieldsOf(rs);
  // The variant's integer is 32 bits; text and floating-point values carry a BIGINT's range
  // (and the field reads a value beyond 32 bits back as a floating-point number).
  EXPECT_EQ(setField(f, "big", "3000000000"), 0);
  EXPECT_EQ(f.call("Field", "big", 3).asDouble(), 3e9) << "not wrapped to 32 bits";
  EXPECT_EQ(setField(f, "big", " -9223372036854775808 "), 0);
  EXPECT_EQ(f.call("Field", "big", 3).asDouble(), -0x1p63);
  EXPECT_EQ(setField(f, "big", 3e9), 0);
  EXPECT_EQ(f.call("Field", "big", 3).asDouble(), 3e9);
  EXPECT_EQ(setField(f, "big", "12.75"), 0);
  EXPECT_EQ(f.call("Field", "big", 3).asInt(), 12);
  for (const char* refused : {"abc", "12abc", "", "9223372036854775808e3"}) {
    EXPECT_EQ(setField(f, "big", refused), 1) << refused;
  }
  EXPECT_EQ(setField(f, "big", 1e19), 1) << "beyond 64 bits";
  EXPECT_EQ(f.call("Field", "big", 3).asInt(), 12) << "a refused value leaves the staged one";
  EXPECT_EQ(setField(f, "x", std::numeric_limits<double>::infinity()), 1);
  EXPECT_EQ(setField(f, "x", std::numeric_limits<double>::quiet_NaN()), 1);
  EXPECT_EQ(setField(f, "id", std::numeric_limits<double>::quiet_NaN()), 1);
  EXPECT_EQ(f.call("Field", "x", 3).asDouble(), 2.5);

  EXPECT_EQ(setField(f, "big", "3000000000"), 0);
  EXPECT_EQ(rs.call("update").asInt(), 1);
  Obj check = row("SELECT big FROM " + table_);
  EXPECT_EQ(check.call("Field", "big", 3).asDouble(), 3e9);
}

// The parts a value object gives, joined by "/": Year from 1900, Month from 0, Day the day of
// the week (0 Sunday).
std::string parts(const Obj& v, std::initializer_list<const char*> names) {
  std::string text;
  for (const char* name : names)
    text += (text.empty() ? "" : "/") + std::to_string(v.get(name).asInt());
  return text;
}
const std::initializer_list<const char*> kDate = {"Year", "Month", "Day"};
const std::initializer_list<const char*> kTime = {"Hour", "Minute", "Second", "Fraction"};
const std::initializer_list<const char*> kStamp = {"Year",   "Month",  "Day",     "Hour",
                                                   "Minute", "Second", "Fraction"};

TEST_P(RecordFieldsTest, DateTimeAndTimestampValues) {
  exec("CREATE TABLE " + table_ + " (k INT, d DATE, t TIME, ts TIMESTAMP(6))");
  exec("INSERT INTO " + table_ +
       " VALUES (1, CAST('2009-03-05' AS DATE), CAST('00:00:00' AS TIME), CAST('2000-02-29 "
       "23:59:59.123456' AS TIMESTAMP(6)))");
  exec("INSERT INTO " + table_ +
       " VALUES (2, CAST('1969-12-31' AS DATE), CAST('23:59:59' AS TIME), CAST('1950-01-01 "
       "00:00:00' AS TIMESTAMP(6)))");
  exec("INSERT INTO " + table_ +
       " VALUES (3, CAST('2000-02-29' AS DATE), CAST('12:30:01' AS TIME), CAST('1969-12-31 "
       "23:59:59.999999' AS TIMESTAMP(6)))");
  Obj f = row("SELECT k, d, t, ts FROM " + table_ + " ORDER BY k");

  Obj d = f.call("Field", "d", 3).object();
  ASSERT_TRUE(d);
  EXPECT_TRUE(d.offers("DATABASE.EXTDATADATERES"));
  EXPECT_EQ(parts(d, kDate), "109/2/4") << "the 5th of March 2009 was a Thursday";
  EXPECT_EQ(f.call("Field", "d", 2).asInt(), 8);
  Obj t = f.call("Field", "t", 3).object();
  ASSERT_TRUE(t);
  EXPECT_TRUE(t.offers("DATABASE.EXTDATATIMERES"));
  EXPECT_EQ(parts(t, kTime), "0/0/0/0") << "midnight";
  Obj ts = f.call("Field", "ts", 3).object();
  ASSERT_TRUE(ts);
  EXPECT_TRUE(ts.offers("DATABASE.EXTDATATIMESRES"));
  EXPECT_EQ(parts(ts, kStamp), "100/1/2/23/59/59/123456000") << "a leap day, a Tuesday";
  EXPECT_NE(f.call("Field", "ts", 3).object().dispatch(), ts.dispatch()) << "a new object each";

  Obj unread = f.call("Field", "d", 3).object();
  rs_.call("fetch", 3, 0);
  EXPECT_EQ(d.get("Year").asInt(), 109) << "value objects are snapshots";
  EXPECT_EQ(unread.get("Day").asInt(), 4) << "even those first read after the move";
  EXPECT_EQ(parts(f.call("Field", "d", 3).object(), kDate), "69/11/3")
      << "the 31st of December 1969 was a Wednesday";
  EXPECT_EQ(parts(f.call("Field", "t", 3).object(), kTime), "23/59/59/0");
  EXPECT_EQ(parts(f.call("Field", "ts", 3).object(), kStamp), "50/0/0/0/0/0/0");

  rs_.call("fetch", 3, 0);
  EXPECT_EQ(parts(f.call("Field", "d", 3).object(), kDate), "100/1/2") << "29 February 2000";
  EXPECT_EQ(parts(f.call("Field", "t", 3).object(), kTime), "12/30/1/0");
  EXPECT_EQ(parts(f.call("Field", "ts", 3).object(), kStamp), "69/11/3/23/59/59/999999000")
      << "before 1970, with its fraction";
}

// Tests that a date-time value that is there never reads as NULL: a TIME with a fraction, a
// zone offset and a year past 9999 (java.sql's valueOf parses none of them) read exactly, and
// what no value object can hold (a date before the common era, infinity) fails loudly.
TEST_P(RecordFieldsTest, DateTimeValuesJavaCannotParseReadExactly) {
  exec("CREATE TABLE " + table_ + " (d DATE, t TIME(3))");
  exec("INSERT INTO " + table_ + " VALUES (NULL, CAST('12:34:56.789' AS TIME(3)))");
  Obj f = row("SELECT d, t FROM " + table_);
  EXPECT_TRUE(f.call("Field", "d", 3).isUndef()) << "NULL";
  Obj t = f.call("Field", "t", 3).object();
  EXPECT_EQ(t.get("Second").asInt(), 56);
  EXPECT_EQ(t.get("Fraction").asInt(), 789000000);
  if (!postgres()) return;
  f =
      row("SELECT TIMESTAMPTZ '2024-05-06 07:08:09.5+00' AT TIME ZONE 'UTC' AS plain, "
          "CAST('2024-05-06 07:08:09.5+02' AS TIMESTAMPTZ) AS zoned, DATE '0044-03-15 BC' AS bc, "
          "DATE '12345-06-07' AS far, TIMETZ '10:11:12+05:30' AS tz");
  Obj zoned = f.call("Field", "zoned", 3).object();
  EXPECT_EQ(zoned.get("Year").asInt(), 124);
  EXPECT_EQ(zoned.get("Fraction").asInt(), 500000000);
  EXPECT_THROW(f.call("Field", "bc", 3), std::exception) << "a year value objects cannot hold";
  EXPECT_EQ(f.call("Field", "far", 3).object().get("Year").asInt(), 12345 - 1900);
  EXPECT_EQ(f.call("Field", "tz", 3).object().get("Hour").asInt(), 10);
  f = row("SELECT 'infinity'::date AS d");
  EXPECT_THROW(f.call("Field", "d", 3), std::exception) << "no date at all";
}

QZ_DATABASE_BACKENDS(RecordFieldsTest);

}  // namespace
