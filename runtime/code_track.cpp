#include "runtime/code_track.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/modules.h"
#include "platform/temp_dir.h"
#include "platform/thread.h"

namespace qz::codetrack {
namespace {

std::atomic<Tracker*> gTracker{nullptr};
thread_local bool tlsBusy = false;

// Guards one operation of the calling thread against records made from inside it.
class BusyScope {
 public:
  BusyScope() : entered_(!tlsBusy) { tlsBusy = true; }
  ~BusyScope() {
    if (entered_) tlsBusy = false;
  }
  bool entered() const { return entered_; }

 private:
  bool entered_;
};

bool traceActive() {
  const char* value = std::getenv(kActiveVariable);
  return value && std::atoi(value) != 0;
}

// The module is found once per process: it cannot change while its code runs.
const std::string& moduleName() {
  static const std::string name =
      platform::moduleFileNameOf(reinterpret_cast<const void*>(&traceActive));
  return name;
}

}  // namespace

Tracker::Tracker()
    : flushEveryRecord_(std::getenv(kFlushVariable) != nullptr),
      creatorThread_(platform::currentThreadId()),
      ring_(new Record[kRingSize]) {
  moduleName();
  gTracker.store(this);
}

Tracker::~Tracker() {
  {
    BusyScope busy;
    std::lock_guard<std::mutex> hold(lock_);
    writeLocked(false);
  }
  Tracker* self = this;
  gTracker.compare_exchange_strong(self, nullptr);
}

void Tracker::enter(const char* file, int line, const char* name) {
  BusyScope busy;
  if (!busy.entered()) return;
  std::lock_guard<std::mutex> hold(lock_);
  add(kFrameEnter, file, line, name);
  Frame& f = frames_[frameCount_];
  f.name = name;
  f.file = file;
  f.line = line;
  f.threadId = platform::currentThreadId();
  ++frameCount_;
}

void Tracker::leave() {
  BusyScope busy;
  if (!busy.entered()) return;
  std::lock_guard<std::mutex> hold(lock_);
  const uint32_t self = platform::currentThreadId();
  size_t i = frameCount_;
  while (i > 0 && frames_[i - 1].threadId != self) --i;
  if (i == 0) return;  // no open frame of this thread
  Frame& f = frames_[i - 1];
  add(kFrameLeave, f.file, f.line, f.name.c_str());
  // Frames of other threads opened later move down one place.
  for (; i < frameCount_; ++i) frames_[i - 1] = std::move(frames_[i]);
  frames_[--frameCount_] = Frame();
}

void Tracker::write(bool force) {
  BusyScope busy;
  if (!busy.entered()) return;
  std::lock_guard<std::mutex> hold(lock_);
  writeLocked(force);
}

std::string Tracker::outputPath() const {
  std::string dir = platform::tempDirectoryFrom({"temp", "tmp", "TEMP", "TMP"});
  if (dir.back() != '/' && dir.back() != '\\') dir += '/';
  return dir + "codetrack." + std::to_string(creatorThread_) + "." + moduleName() + ".txt";
}

void Tracker::add(uint32_t kind, const char* file, int32_t line, const char* text) {
  if (writeIndex_ == kRingSize) {
    writeLocked(false);
  }
  Record& r = ring_[writeIndex_++];
  r.kind = kEmpty;
  r.text = str();
  r.threadId = platform::currentThreadId();
  r.file = file;
  r.line = line;
  r.kind = kind;
  r.text = text;
  r.counter = platform::performanceCounter();
  r.time = platform::systemFileTime();
  if (flushEveryRecord_) writeLocked(true);
}

void Tracker::writeLocked(bool force) {
  if (force || traceActive()) {
    if (FILE* f = std::fopen(outputPath().c_str(), "a+")) {
      for (size_t n = 0, i = writeIndex_ % kRingSize; n < kRingSize; ++n, i = (i + 1) % kRingSize) {
        const Record& r = ring_[i];
        if (r.kind == kEmpty) continue;
        const platform::LocalTimeOfDay t = platform::localTimeOfDay(r.time);
        std::fprintf(f, "%u%u;%d:%d:%d:%d;%u;%s;%d;%s", static_cast<unsigned>(r.counter >> 32),
                     static_cast<unsigned>(r.counter & 0xFFFFFFFFu), t.hour, t.minute, t.second,
                     t.millisecond, r.threadId, r.file ? r.file : "", r.line,
                     r.kind == kFrameEnter ? "Frame Enter" : "Frame Leave");
        if (!r.text.empty()) std::fprintf(f, "(%s)", r.text.c_str());
        std::fputc('\n', f);
      }
      std::fclose(f);
    }
  }
  for (size_t i = 0; i < kRingSize; ++i) {
    ring_[i].kind = kEmpty;
    ring_[i].text = str();
  }
  writeIndex_ = 0;
}

}  // namespace qz::codetrack

void qzCodeTrackEnter(const char* file, int line, const char* name) {
  if (qz::codetrack::Tracker* t = qz::codetrack::gTracker.load()) t->enter(file, line, name);
}

void qzCodeTrackLeave() {
  if (qz::codetrack::Tracker* t = qz::codetrack::gTracker.load()) t->leave();
}
