// Ctrl-C (SIGINT) in a process whose Java VM has handlers of its own.
//
// The VM, started by the first connect, installs a SIGINT handler that shuts the VM (and so
// the process) down. install() puts ours in front of it with sigaction and keeps the VM's;
// from then on the mode decides:
//   kChain    the signal goes on to the VM's handler, as if we were not there;
//   kPrompt   the flag is set (the prompt drops the line being typed);
//   kBusy     the first signal sets the flag (output stops before the next row, a script
//             stops before its next statement); a second one while the flag is still set
//             goes on to the VM's handler, so a statement stuck in the driver can still be
//             ended.
// Our handler is installed without SA_RESTART, so a blocking read at the prompt returns
// with EINTR and the loop sees the flag.
//
// Thread rule: the mode is set by the main thread; the handler runs on whatever thread the
// kernel picks and only touches sig_atomic_t values. Ownership: none.
#pragma once

#include <csignal>

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

}  // namespace qzsql::interrupt
