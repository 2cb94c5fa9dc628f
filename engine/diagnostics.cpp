// The module's diagnostics, alive from load to unload: the code trace, the allocator's tracking
// hooks and chain link, and the crash handler. At unload the allocator starts releasing every
// page that becomes empty, so blocks freed late (by other modules' static destructors) do not
// keep pages alive, and QZMEMTRACK_LEAK writes what is still allocated.
#include "runtime/code_track.h"
#include "runtime/crash_log.h"
#include "runtime/mem_track.h"
#include "runtime/memman.h"

namespace {

class ModuleDiagnostics {
 public:
  ModuleDiagnostics() {
    qz::memtrack::installAllocatorHooks();
    qz::crashlog::install(qz::crashlog::modeFromEnvironment());
  }
  ~ModuleDiagnostics() {
    qz::crashlog::remove();
    if (qz::memtrack::options().bits & qz::memtrack::kLeakReport) {
      qz::memtrack::summaryReport();  // the detail follows with the same bit
    }
    qz::memman::setReleaseFlag(true);
  }
  ModuleDiagnostics(const ModuleDiagnostics&) = delete;
  ModuleDiagnostics& operator=(const ModuleDiagnostics&) = delete;

 private:
  qz::codetrack::Tracker tracker_;
  dynMgrChainS chainLink_;
};

ModuleDiagnostics g_diagnostics;

}  // namespace
