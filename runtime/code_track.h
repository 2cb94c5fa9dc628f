// The code trace: a ring of the last 10000 frame enter and leave records, written as text lines
// to "codetrack.<thread id>.<module>.txt" in the temporary folder when QZCODETRACK holds a
// non-zero integer (at a wrap of the ring, at unload, or after every record with
// QZCODETRACK_FLUSH set).
//
// One Tracker per module, made at load and destroyed at unload; while none lives the free
// functions do nothing. Thread rule: any thread. Records of all threads go into the one ring
// under one lock, each stamped with its thread id; a frame leave closes the newest frame its
// own thread entered. A record made while the same thread is already recording or writing (an
// allocation that traces, say) is dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "runtime/page_mem.h"
#include "runtime/str.h"

namespace qz::codetrack {

inline constexpr size_t kRingSize = 10000;
inline constexpr const char kActiveVariable[] = "QZCODETRACK";
inline constexpr const char kFlushVariable[] = "QZCODETRACK_FLUSH";

enum Kind : uint32_t { kEmpty = 0, kFrameEnter = 3, kFrameLeave = 4 };

struct Record {
  uint64_t counter = 0;  // performance counter
  uint64_t time = 0;     // file time, UTC
  uint32_t kind = kEmpty;
  const char* file = nullptr;  // the caller's text, not copied
  int32_t line = 0;
  str text;
  uint32_t threadId = 0;
};

class Tracker {
 public:
  // Becomes the module's tracker. REQUIRES: no other tracker lives.
  Tracker();
  // Writes the ring (not forced) and stops tracing.
  ~Tracker();
  Tracker(const Tracker&) = delete;
  Tracker& operator=(const Tracker&) = delete;

  void enter(const char* file, int line, const char* name);
  void leave();
  // Writes the ring if tracing is active or force is set, then empties it.
  void write(bool force);

  // The file the ring goes to, built anew from the environment.
  std::string outputPath() const;

  // For tests: the next slot and a slot's record. Call while no thread records.
  size_t writeIndex() const { return writeIndex_; }
  const Record& record(size_t i) const { return ring_[i]; }
  size_t openFrames() const { return frameCount_; }

 private:
  struct Frame {
    str name;
    const char* file = nullptr;
    int32_t line = 0;
    uint32_t threadId = 0;
  };

  // REQUIRES: lock_ held.
  void add(uint32_t kind, const char* file, int32_t line, const char* text);
  void writeLocked(bool force);

  std::mutex lock_;
  const bool flushEveryRecord_;
  const uint32_t creatorThread_;
  size_t writeIndex_ = 0;  // guarded by lock_
  std::unique_ptr<Record[]> ring_;
  pageMemT<Frame> frames_;  // guarded by lock_
  size_t frameCount_ = 0;   // guarded by lock_
};

}  // namespace qz::codetrack

// Forward to the module's tracker while it lives.
void qzCodeTrackEnter(const char* file, int line, const char* name);
void qzCodeTrackLeave();

// A traced frame: enters at construction, leaves at destruction.
class qzCodeTrackFrameC {
 public:
  qzCodeTrackFrameC(const char* file, int line, const char* name) {
    qzCodeTrackEnter(file, line, name);
  }
  ~qzCodeTrackFrameC() { qzCodeTrackLeave(); }
  qzCodeTrackFrameC(const qzCodeTrackFrameC&) = delete;
  qzCodeTrackFrameC& operator=(const qzCodeTrackFrameC&) = delete;
};
