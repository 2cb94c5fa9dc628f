#include "platform/heaps.h"

namespace qz::platform {

// glibc offers no walk of its heap's blocks.
std::vector<HeapDamage> checkProcessHeaps() {
  return {};
}

}  // namespace qz::platform
