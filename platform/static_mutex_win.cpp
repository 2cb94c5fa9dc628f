#include <windows.h>

#include "platform/static_mutex.h"

namespace qz::platform {

static_assert(sizeof(SRWLOCK) == sizeof(void*));

void StaticMutex::lock() {
  AcquireSRWLockExclusive(reinterpret_cast<SRWLOCK*>(&state_));
}
void StaticMutex::unlock() {
  ReleaseSRWLockExclusive(reinterpret_cast<SRWLOCK*>(&state_));
}
bool StaticMutex::try_lock() {
  return TryAcquireSRWLockExclusive(reinterpret_cast<SRWLOCK*>(&state_)) != 0;
}

}  // namespace qz::platform
