#include "tools/qzsql/interrupt.h"

#include <signal.h>

namespace qzsql::interrupt {
namespace {

struct sigaction previous;
volatile std::sig_atomic_t mode = static_cast<std::sig_atomic_t>(Mode::kChain);
volatile std::sig_atomic_t interrupted = 0;
bool done = false;

void chain(int sig, siginfo_t* info, void* context) {
  if (previous.sa_flags & SA_SIGINFO) {
    if (previous.sa_sigaction) previous.sa_sigaction(sig, info, context);
    return;
  }
  if (previous.sa_handler == SIG_IGN) return;
  if (previous.sa_handler == SIG_DFL) {
    // The default action ends the process: take our handler away and let it happen.
    signal(sig, SIG_DFL);
    raise(sig);
    return;
  }
  previous.sa_handler(sig);
}

void onSigint(int sig, siginfo_t* info, void* context) {
  Mode m = static_cast<Mode>(mode);
  if (m == Mode::kPrompt || (m == Mode::kBusy && !interrupted)) {
    interrupted = 1;
    return;
  }
  chain(sig, info, context);
}

}  // namespace

void install() {
  if (done) return;
  struct sigaction ours {};
  ours.sa_sigaction = &onSigint;
  ours.sa_flags = SA_SIGINFO;  // no SA_RESTART: a read at the prompt must return
  sigemptyset(&ours.sa_mask);
  if (sigaction(SIGINT, &ours, &previous) == 0) done = true;
}

bool installed() {
  return done;
}

void setMode(Mode m) {
  mode = static_cast<std::sig_atomic_t>(m);
}

const volatile std::sig_atomic_t* flag() {
  return &interrupted;
}

bool take() {
  bool was = interrupted != 0;
  interrupted = 0;
  return was;
}

}  // namespace qzsql::interrupt
