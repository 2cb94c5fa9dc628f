// The pure parts of reading values, without a driver: buffer sizes of the column mapping, the
// date-time texts databases write, and what a column's buffer reads as.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "database/date_time.h"
#include "database/record_fields.h"
#include "database/record_set.h"
#include "variant/variant.h"

namespace {

constexpr int32_t kVarChar = 12, kInteger = 4, kTimestamp = 93;

// Tests that a driver describing no display size still gets a whole buffer, not none.
TEST(ColumnMappingTest, NoDisplaySizeTakesTheLargestBuffer) {
  for (int32_t size : {0, -1, -2147483647}) {
    SCOPED_TRACE(size);
    EXPECT_EQ(dbDefaultColumnMapping(kVarChar, size).capacity, kDbMaxColumnBuffer);
    EXPECT_EQ(dbDefaultColumnMapping(kInteger, size).capacity, kDbMaxColumnBuffer);
  }
  EXPECT_EQ(dbDefaultColumnMapping(kVarChar, 10).capacity, 40) << "4 bytes a character";
  EXPECT_GE(dbDefaultColumnMapping(kTimestamp, 19).capacity,
            static_cast<int32_t>(std::string("-12345-06-07 10:11:12.123456789+05:30 BC").size()));
}

std::string parts(const std::string& text) {
  dbDateTimeParts p;
  if (!dbParseDateTime(text, &p)) return "refused";
  std::string out;
  if (p.hasDate)
    out += std::to_string(p.year) + "/" + std::to_string(p.month) + "/" + std::to_string(p.day);
  if (p.hasTime) {
    out += (out.empty() ? "" : " ") + std::to_string(p.hour) + ":" + std::to_string(p.minute) +
           ":" + std::to_string(p.second) + "." + std::to_string(p.nanos);
  }
  return out;
}

TEST(DateTimeTextTest, FormsDatabasesWrite) {
  const struct {
    std::string text;
    const char* expected;
  } cases[] = {
      {"2009-03-05", "2009/3/5"},
      {"2024-01-02 03:04:05", "2024/1/2 3:4:5.0"},
      {"2024-01-02T03:04:05.5", "2024/1/2 3:4:5.500000000"},
      {"2024-01-02 03:04:05.123456789123", "2024/1/2 3:4:5.123456789"},
      {"2024-05-06 07:08:09.5+02", "2024/5/6 7:8:9.500000000"},
      {"2024-05-06 07:08:09-05:30", "2024/5/6 7:8:9.0"},
      {"2024-05-06 07:08:09Z", "2024/5/6 7:8:9.0"},
      {"12:34:56.789", "12:34:56.789000000"},
      {"10:11:12+05:30", "10:11:12.0"},
      {"23:59", "23:59:0.0"},
      {"0044-03-15 BC", "-43/3/15"},
      {"0001-01-01 BC", "0/1/1"},
      {"-0044-03-15", "-44/3/15"},
      {"12345-06-07", "12345/6/7"},
      {"2024-01-02 AD", "2024/1/2"},
      {"infinity", "refused"},
      {"2024-13-01", "refused"},
      {"2024-01-32", "refused"},
      {"25:00:00", "refused"},
      {"2024-01-02 03:04:05 junk", "refused"},
      // The common TIMESTAMP form at its edges, and its near misses.
      {"2024-01-02 03:04:05.000000001  ", "2024/1/2 3:4:5.1"},
      {"0000-12-31 24:59:60.9", "0/12/31 24:59:60.900000000"},
      {"2024-01-02 03:04:05.", "refused"},
      {"2024-01-02 03:04:5.1", "refused"},
      {"2024-00-02 03:04:05", "refused"},
      {"2024-01-00 03:04:05", "refused"},
      {"2024-01-02 25:04:05", "refused"},
      {"2024-01-02 03:60:05", "refused"},
      {"2024-01-02 03:04:61", "refused"},
      {"2024-01-02 03:04:05.1x", "refused"},
      {"2024-01-02 03:04:05 BC", "-2023/1/2 3:4:5.0"},
      {"2024/01/02 03:04:05", "refused"},
      {"2024-01-02 03:04:0/", "refused"},  // the bytes either side of the digits
      {"2024-01-02 03:04:0:", "refused"},
      {"2024-01-02 03:04:05.5/", "refused"},
      {"20\xc3\xa4-01-02 03:04:05", "refused"},
      {"2024-01-02 03:04:05.0000000019", "2024/1/2 3:4:5.1"},
      {"2024-01-02 24:00:60", "2024/1/2 24:0:60.0"},
      {"2024-01-02 03:04:05." + std::string(73, '7'), "2024/1/2 3:4:5.777777777"},
      {"2024-01-02 03:04:05." + std::string(74, '7'), "refused"},
      {"-0044-03-15 BC", "refused"},
      {"", "refused"},
  };
  for (const auto& c : cases) EXPECT_EQ(parts(c.text), c.expected) << c.text;
}

// The usual form's fraction is read as one word whose lanes depend on its length: every
// length, and a stray byte at each of its places.
TEST(DateTimeTextTest, FractionOfEveryLength) {
  const std::string head = "2024-01-02 03:04:05.";
  for (size_t n = 1; n <= 9; ++n) {
    const std::string digits = std::string("987654321").substr(0, n);
    std::string scaled = digits + std::string(9 - n, '0');
    while (scaled.size() > 1 && scaled[0] == '0') scaled.erase(0, 1);
    EXPECT_EQ(parts(head + digits), "2024/1/2 3:4:5." + scaled) << n;
    for (size_t at = 0; at < n; ++at) {
      for (char stray : {'/', ':', 'a', '\xb9'}) {
        std::string text = head + digits;
        text[head.size() + at] = stray;
        EXPECT_EQ(parts(text), "refused") << text;
      }
    }
  }
}

// A column of the given type holding `bytes` as a row left it: `used` of them may be non-zero.
dbJDBCColumnS column(int32_t sqlType, const std::string& bytes, int32_t capacity = 40) {
  dbJDBCColumnS c;
  c.cType = sqlType == kDbSqlChar ? kDbKindText : kDbKindInteger;
  c.sqlType = sqlType;
  c.capacity = capacity;
  c.buffer.assign(static_cast<size_t>(capacity) + 1, '\0');
  std::copy(bytes.begin(), bytes.end(), c.buffer.begin());
  c.used = static_cast<int32_t>(bytes.size());
  c.indicator = static_cast<int32_t>(bytes.size());
  return c;
}

std::string integerRead(const std::string& text) {
  qzVariantS v;
  if (dbJDBCRecordSetFieldsC::valueOf(column(kDbSqlInteger, text), &v) != 0) return "failed";
  if (v.type == kVtInt) return "int " + std::to_string(v.value.i);
  if (v.type != kVtFloat) return "type " + std::to_string(v.type);
  char number[64];
  std::snprintf(number, sizeof number, "%.17g", v.value.f);
  return std::string("float ") + number;
}

TEST(BufferValueTest, IntegerTextReadsAsCWouldReadIt) {
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"2147483647", "int 2147483647"},
      {"-2147483648", "int -2147483648"},
      {"-0", "int 0"},
      {"2147483648", "float 2147483648"},
      {"-9007199254740992", "float -9007199254740992"},
      {"9007199254740993", "float 9007199254740992"},  // past 2^53: the nearest double
      {"123456789012345678", "float 1.2345678901234568e+17"},
      {"1234567890123456789", "float 1.2345678901234568e+18"},
      {"99999999999999999999", "float 1e+20"},
      {" +7", "int 7"},
      {"+-5", "int -5"},
      {"12abc", "int 12"},
      {"12.9", "int 12"},
      {"-", "int 0"},
      {"abc", "int 0"},
      {"", "int 0"},
  };
  for (const auto& c : cases) EXPECT_EQ(integerRead(c.text), c.expected) << c.text;
}

TEST(BufferValueTest, TextEndsAtItsFirstZeroByte) {
  qzVariantS v;
  ASSERT_EQ(dbJDBCRecordSetFieldsC::valueOf(column(kDbSqlChar, std::string("ab\0cd", 5)), &v), 0);
  ASSERT_EQ(v.type, kVtString);
  EXPECT_STREQ(v.text(), "ab");
  dbJDBCColumnS full = column(kDbSqlChar, std::string(8, 'x'), 8);
  ASSERT_EQ(dbJDBCRecordSetFieldsC::valueOf(full, &v), 0);
  EXPECT_STREQ(v.text(), "xxxxxxxx") << "a buffer filled to its capacity";
}

}  // namespace
