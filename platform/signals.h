// Fatal signals: the crash handler's hook into the system.
//
// The handler chains. Whoever owned a signal before it was installed (a Java VM that uses
// SIGSEGV for null checks and safepoints, a sanitizer) is called first and keeps every signal
// it handles; only when there was no owner (the default action) is the fault reported to the
// callback, after which the process ends with the signal's default action, as it would have
// without the handler. An owner installed later (a Java VM started after the library) sees its
// signals first and passes us the ones it does not want.
//
// The callback runs in a broken process: it must do only async-signal-safe work. It is called
// at most once per process; a fault inside it ends the process at once.
//
// Thread rule: install and remove from one thread, while no other thread changes the same
// signals' actions.
#pragma once

#include <cstdint>

namespace qz::platform {

struct FatalSignal {
  int signal = 0;                 // SIGSEGV ...; on Windows the exception code
  int code = 0;                   // si_code; for an access violation the kind of access
  uint64_t faultAddress = 0;      // si_addr: the address that could not be accessed
  const void* context = nullptr;  // the handler's ucontext; on Windows the CONTEXT
};
using FatalSignalCallback = void (*)(const FatalSignal& fault);

enum class FatalSignals {
  kAll,           // SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT; Windows: unhandled exceptions
  kAccessFaults,  // SIGSEGV, SIGBUS; Windows: access violations, seen by a vectored handler
};

// Installs the handler for the given signals. False when one could not be installed (those
// installed stay). A second install replaces the callback and the set.
bool installFatalSignalHandler(FatalSignals which, FatalSignalCallback callback);

// Gives each signal back to its previous owner where the handler is still the installed one.
// Where another handler has been installed on top (and may chain to ours), ours stays in place
// but only passes signals on.
void removeFatalSignalHandler();

// The name of a signal ("SIGSEGV"), or "signal" for others. Async-signal-safe.
const char* signalName(int signal);

}  // namespace qz::platform
