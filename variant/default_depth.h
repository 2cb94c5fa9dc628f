// Default members are followed through objects that may answer themselves (or each other);
// the depth bound turns such a loop into a failure status instead of a stack overflow.
#pragma once

constexpr int kMaxDefaultMemberDepth = 32;

// Counts one level of default-member following on the calling thread while it lives.
class qzDefaultDepthGuard {
 public:
  qzDefaultDepthGuard() : ok_(++depth() <= kMaxDefaultMemberDepth) {}
  ~qzDefaultDepthGuard() { --depth(); }
  qzDefaultDepthGuard(const qzDefaultDepthGuard&) = delete;
  qzDefaultDepthGuard& operator=(const qzDefaultDepthGuard&) = delete;

  bool ok() const { return ok_; }

 private:
  static int& depth() {
    thread_local int d = 0;
    return d;
  }
  bool ok_;
};
