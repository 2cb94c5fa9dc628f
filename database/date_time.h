// Date, time and timestamp value objects: what a record set field of a DATE, TIME or TIMESTAMP
// column reads as. Each holds one java.sql.Date, Time or Timestamp made from the column's text
// (at the first read of a part: a walk that never asks pays no JNI call) and answers its parts
// as read-only integer properties, exactly as the deprecated getters of java.util.Date give
// them: Year counts from 1900, Month from 0 (January), Day is the day of the week (0 Sunday);
// Fraction is the nanoseconds of the fraction of a second (a time value keeps its own, since
// java.sql.Time holds none).
//
// A value object is a snapshot: it keeps its Java value after the record set moves on.
//
// Thread rule: one thread at a time (the record set's). Ownership: each object owns one JNI
// global reference once a part was read; the creators hand out one reference of the new object.
#pragma once

#include <cstdint>
#include <string_view>

#include "interfaces/qzcom.h"

namespace dbiid {
extern const qzIIDS kExtDataTimestamp;  // "DATABASE.EXTDATATIMESRES"
extern const qzIIDS kExtDataDate;       // "DATABASE.EXTDATADATERES"
extern const qzIIDS kExtDataTime;       // "DATABASE.EXTDATATIMERES"
}  // namespace dbiid

// The parts of a date-time text as databases write it: "[-]Y-MM-DD", "HH:MM[:SS[.F]]" or both
// joined by a blank or "T", then an optional zone offset ("Z", "+01", "-05:30") and an optional
// era (" BC", " AD"). Years have any number of digits; a BC year is turned into the
// astronomical year (1 BC is 0). The zone is not applied: the parts are the wall-clock time as
// the database wrote it.
struct dbDateTimeParts {
  int64_t year = 1970;
  int32_t month = 1, day = 1, hour = 0, minute = 0, second = 0, nanos = 0;
  bool hasDate = false, hasTime = false;
};
// False when the text is none of those forms or a part is out of its range.
bool dbParseDateTime(std::string_view text, dbDateTimeParts* parts);

// The value object for a column of normalised type 91 (date), 92 (time) or 93 (timestamp) made
// from its text, as its qzIUnknown with one reference for the caller; null for another type
// and for text that is no such value or whose year the Java value cannot hold.
qzIUnknown* dbCreateDateTimeValue(int32_t sqlType, std::string_view text);
