#include "notify/copy_table.h"

namespace qz {

bool CopyTableC::contains(const void* source) const {
  return copies_.count(source) != 0;
}

void* CopyTableC::lookup(const void* source) {
  return copies_[source];
}

void CopyTableC::set(const void* source, void* copy) {
  copies_[source] = copy;
}

void* CopyTableC::translate(void* pointer) const {
  auto it = copies_.find(pointer);
  return it == copies_.end() ? pointer : it->second;
}

}  // namespace qz
