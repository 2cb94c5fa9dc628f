#include "notify/traversal.h"

namespace qz {

bool referenceCheckerC::check(TraversableI* root, const void* target) {
  target_ = target;
  found_ = false;
  clearVisited();
  if (root != nullptr) root->traverse(this);
  return found_;
}

bool referenceCheckerC::visit(const void* object) {
  if (object == target_) found_ = true;
  if (found_) return false;
  return markVisited(object);
}

}  // namespace qz
