#include <windows.h>

#include "platform/clock.h"

namespace qz::platform {
namespace {

uint64_t fromFileTime(const FILETIME& t) {
  return static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}

FILETIME toFileTime(uint64_t t) {
  FILETIME out;
  out.dwLowDateTime = static_cast<DWORD>(t);
  out.dwHighDateTime = static_cast<DWORD>(t >> 32);
  return out;
}

}  // namespace

uint64_t performanceCounter() {
  static const uint64_t frequency = [] {
    LARGE_INTEGER f;
    return QueryPerformanceFrequency(&f) && f.QuadPart > 0 ? static_cast<uint64_t>(f.QuadPart) : 1;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const uint64_t ticks = static_cast<uint64_t>(now.QuadPart);
  // Whole seconds and the rest apart, so that a counter of many days cannot overflow.
  return ticks / frequency * 1000000000ull + ticks % frequency * 1000000000ull / frequency;
}

uint64_t systemFileTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return fromFileTime(now);
}

LocalTimeOfDay localTimeOfDay(uint64_t fileTime) {
  const FILETIME utc = toFileTime(fileTime);
  FILETIME local;
  SYSTEMTIME parts{};
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &parts)) return {};
  LocalTimeOfDay out;
  out.hour = parts.wHour;
  out.minute = parts.wMinute;
  out.second = parts.wSecond;
  out.millisecond = parts.wMilliseconds;
  return out;
}

uint64_t processCreationTime() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  return fromFileTime(created);
}

}  // namespace qz::platform
