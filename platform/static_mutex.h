// A mutex that a constinit static may hold, so that it works before any constructor has run:
// MinGW's std::mutex is not constexpr-constructible.
//
// Thread rule: any thread; not recursive.
#pragma once

#ifdef _WIN32

namespace qz::platform {

// A slim reader/writer lock taken exclusively; its whole state is one pointer, zero when free.
class StaticMutex {
 public:
  constexpr StaticMutex() = default;
  StaticMutex(const StaticMutex&) = delete;
  StaticMutex& operator=(const StaticMutex&) = delete;
  void lock();
  void unlock();
  bool try_lock();

 private:
  void* state_ = nullptr;
};

}  // namespace qz::platform

#else

#include <mutex>

namespace qz::platform {
using StaticMutex = std::mutex;
}  // namespace qz::platform

#endif
