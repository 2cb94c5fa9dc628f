// The crash log: on a fatal signal that nobody else handles, the faulting location, its call
// stack and the loaded modules are appended to "qzdbgcrash.log" in $tmp, else $temp, else the
// system's temporary folder.
//
// QZDBG_EXCEPTIONHANDLER picks the mode, read when the handler is installed:
//   1 (also when unset or 0)  SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT
//   2                         access faults only: SIGSEGV and SIGBUS
//   any other value           no handler
// In modes 1 and 2 a call of a pure virtual function writes the log too ("Location Unknown").
//
// Thread rule: install and remove from one thread (module load and unload). The log is written
// on the faulting thread with async-signal-safe calls only, into preallocated buffers.
#pragma once

#include <string>

#include "platform/signals.h"

namespace qz::crashlog {

inline constexpr const char kModeVariable[] = "QZDBG_EXCEPTIONHANDLER";
inline constexpr const char kFileName[] = "qzdbgcrash.log";

// The mode QZDBG_EXCEPTIONHANDLER asks for: 1, 2, or 0 for no handler.
int modeFromEnvironment();

// Fixes the log's path and installs the handler of the mode (0: none). False when the system
// refused a signal.
bool install(int mode);
// Gives the signals back (see platform/signals.h for a handler installed on top of ours).
void remove();
// The mode installed, 0 for none.
int installedMode();

// The log's path as install fixed it.
std::string logPath();

// Appends one entry: for a fault its location, code and stack; without one "Location
// Unknown" and the caller's stack. Async-signal-safe after install.
void writeLog(const platform::FatalSignal* fault);

}  // namespace qz::crashlog
