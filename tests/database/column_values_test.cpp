// The pure parts of reading values, without a driver: buffer sizes of the column mapping and
// the date-time texts databases write.
#include <gtest/gtest.h>

#include <string>

#include "database/date_time.h"
#include "database/record_set.h"

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
      {"2024-01-02 03:04:05.0000000019", "2024/1/2 3:4:5.1"},
      {"2024-01-02 24:00:60", "2024/1/2 24:0:60.0"},
      {"2024-01-02 03:04:05." + std::string(73, '7'), "2024/1/2 3:4:5.777777777"},
      {"2024-01-02 03:04:05." + std::string(74, '7'), "refused"},
      {"-0044-03-15 BC", "refused"},
      {"", "refused"},
  };
  for (const auto& c : cases) EXPECT_EQ(parts(c.text), c.expected) << c.text;
}

}  // namespace
