// The C locale for the calling thread, so numbers read and print with a decimal point whatever
// the user's locale says.
//
// Thread rule: switches the calling thread only; another thread's conversions never see it.
#pragma once

namespace qz::platform {

// While it lives, the calling thread's numeric and character-type categories are "C".
class CLocaleScope {
 public:
  CLocaleScope();
  ~CLocaleScope();
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  void* previous_;  // the thread's locale before
};

}  // namespace qz::platform
