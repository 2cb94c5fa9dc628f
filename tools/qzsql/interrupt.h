// Ctrl-C (SIGINT) in a process whose Java VM has handlers of its own.
//
// The VM, started by the first connect, installs a SIGINT handler that shuts the VM (and so
// the process) down. install() puts ours in front of it with sigaction and keeps the VM's;
// from then on the mode decides:
//   kChain    the signal goes on to the VM's handler, as if we were not there;
//   kPrompt   the flag is set (the prompt drops the line being typed);
//   kBusy     the first signal sets the flag (output stops before the next row, a script
//             stops before its next statement) and wakes the canceller's thread, which asks
//             the driver to stop the statement in flight; a second one while the flag is
//             still set goes on to the VM's handler, so a statement stuck in the driver can
//             still be ended.
// Our handler is installed without SA_RESTART, so a blocking read at the prompt returns
// with EINTR and the loop sees the flag.
//
// Thread rule: the mode is set by the main thread; the handler runs on whatever thread the
// kernel picks and only touches sig_atomic_t values and a pipe. The canceller runs on a
// thread of ours, never in the handler (the VM cannot be called there). Ownership: none.
#pragma once

#include <csignal>
#include <functional>

namespace qzsql::interrupt {

enum class Mode { kChain, kPrompt, kBusy };

// Installs our handler in front of whatever handles SIGINT now. Once only.
void install();
bool installed();
void setMode(Mode mode);
// The flag that the handler sets; read between rows.
const volatile std::sig_atomic_t* flag();
// Whether the flag was set; clears it.
bool take();

// While one lives, Ctrl-C in kBusy mode calls `cancel` on the canceller's thread, again every
// 50 ms for 2 s while it answers false (nothing in flight yet: the statement is still on its
// way to the driver). The destructor waits for a call under way: what cancel uses may go
// right after.
class Cancellable {
 public:
  explicit Cancellable(std::function<bool()> cancel);
  ~Cancellable();
  Cancellable(const Cancellable&) = delete;
  Cancellable& operator=(const Cancellable&) = delete;
};

}  // namespace qzsql::interrupt
