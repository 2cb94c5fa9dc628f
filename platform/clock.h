// Clocks of the diagnostics: a high-resolution counter, the system time as a file time, and the
// process's creation time.
//
// A file time counts 100-nanosecond intervals since 1601-01-01 UTC, so times compare and
// combine across platforms. Thread rule: any thread.
#pragma once

#include <cstdint>

namespace qz::platform {

// A monotonic counter in nanoseconds; only differences mean anything.
uint64_t performanceCounter();

// The system time (UTC) as a file time.
uint64_t systemFileTime();

struct LocalTimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};
// The local time of day of a file time.
LocalTimeOfDay localTimeOfDay(uint64_t fileTime);

// When the process started, as a file time; the same value for every module of the process.
// 0 when the system cannot tell.
uint64_t processCreationTime();

}  // namespace qz::platform
