#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/clock.h"

namespace qz::platform {
namespace {

constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
constexpr uint64_t kFileTicksPerSecond = 10000000ull;

// The boot time in seconds since the Unix epoch, from /proc/stat's "btime" line.
uint64_t bootTime() {
  FILE* f = std::fopen("/proc/stat", "r");
  if (!f) return 0;
  char line[256];
  unsigned long long btime = 0;
  while (std::fgets(line, sizeof line, f)) {
    if (std::sscanf(line, "btime %llu", &btime) == 1) break;
  }
  std::fclose(f);
  return btime;
}

}  // namespace

uint64_t performanceCounter() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

uint64_t systemFileTime() {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return kUnixEpochAsFileTime + static_cast<uint64_t>(ts.tv_sec) * kFileTicksPerSecond +
         static_cast<uint64_t>(ts.tv_nsec) / 100;
}

LocalTimeOfDay localTimeOfDay(uint64_t fileTime) {
  const uint64_t sinceEpoch = fileTime > kUnixEpochAsFileTime ? fileTime - kUnixEpochAsFileTime : 0;
  const time_t seconds = static_cast<time_t>(sinceEpoch / kFileTicksPerSecond);
  tm parts{};
  ::localtime_r(&seconds, &parts);
  LocalTimeOfDay out;
  out.hour = parts.tm_hour;
  out.minute = parts.tm_min;
  out.second = parts.tm_sec;
  out.millisecond = static_cast<int>(sinceEpoch % kFileTicksPerSecond / 10000);
  return out;
}

uint64_t processCreationTime() {
  // Field 22 of /proc/self/stat: start time in clock ticks after boot. The command name in
  // field 2 may hold blanks and parentheses, so fields are counted from its closing one.
  FILE* f = std::fopen("/proc/self/stat", "r");
  if (!f) return 0;
  char text[1024];
  const size_t n = std::fread(text, 1, sizeof text - 1, f);
  std::fclose(f);
  text[n] = '\0';
  const char* p = std::strrchr(text, ')');
  if (!p) return 0;
  unsigned long long ticks = 0;
  int field = 2;
  for (++p; *p && field < 22; ++p) {
    if (*p == ' ') ++field;
  }
  if (field != 22 || std::sscanf(p, "%llu", &ticks) != 1) return 0;
  const long hz = ::sysconf(_SC_CLK_TCK);
  if (hz <= 0) return 0;
  return kUnixEpochAsFileTime + bootTime() * kFileTicksPerSecond +
         ticks * kFileTicksPerSecond / static_cast<uint64_t>(hz);
}

}  // namespace qz::platform
