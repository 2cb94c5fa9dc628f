#include "runtime/crash_log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "platform/files.h"
#include "platform/modules.h"
#include "platform/stack.h"
#include "platform/temp_dir.h"
#include "runtime/memman.h"
#include "runtime/stack_text.h"

namespace qz::crashlog {
namespace {

constexpr size_t kCrashDepth = 32;
char gPath[4096];
int gMode = 0;

struct ModuleListState {
  platform::RawFile file;
};

void writeModule(const char* path, uintptr_t base, uintptr_t low, uintptr_t high, void* data) {
  char line[4200];
  stacktext::FixedText t(line, sizeof line);
  t.add("  ").addHex(low, 16).add("-").addHex(high, 16).add(" bias ").addHex(base).add(" ");
  t.add(*path ? path : "?").add("\n");
  platform::writeRaw(static_cast<ModuleListState*>(data)->file, t.text(), t.length());
}

void onFatal(const platform::FatalSignal& fault) {
  writeLog(&fault);
}

}  // namespace

int modeFromEnvironment() {
  const char* value = std::getenv(kModeVariable);
  const int mode = value ? std::atoi(value) : 1;
  if (mode == 0 || mode == 1) return 1;
  return mode == 2 ? 2 : 0;
}

bool install(int mode) {
  std::string dir = platform::tempDirectoryFrom({"tmp", "temp"});
  std::snprintf(gPath, sizeof gPath, "%s/%s", dir.c_str(), kFileName);
  platform::prepareStackCapture();
  platform::loadedModules();  // reads the main program's path now, not in a crash
  gMode = mode == 1 || mode == 2 ? mode : 0;
  if (gMode == 0) return true;
  return platform::installFatalSignalHandler(
      gMode == 1 ? platform::FatalSignals::kAll : platform::FatalSignals::kAccessFaults, &onFatal);
}

void remove() {
  if (gMode != 0) platform::removeFatalSignalHandler();
  gMode = 0;
}

int installedMode() {
  return gMode;
}

std::string logPath() {
  return gPath;
}

void writeLog(const platform::FatalSignal* fault) {
  if (!gPath[0]) return;
  const platform::RawFile file = platform::openRawForAppend(gPath);
  if (file == platform::kNoRawFile) return;
  char line[1024];
  uint64_t stack[kCrashDepth];
  size_t depth = 0;
  {
    stacktext::FixedText t(line, sizeof line);
    if (fault) {
      const uint64_t pc = platform::programCounterOf(fault->context);
      t.add("Location ").addHex(pc).add(", Code ").addHex(static_cast<uint32_t>(fault->signal));
      t.add(" SEQ:");
      stacktext::codeBytes(pc, t);
      t.add("\n").add(platform::signalName(fault->signal)).add(" (code ").addDec(fault->code);
      t.add(") at address ").addHex(fault->faultAddress).add("\n");
      depth = platform::captureStackFromContext(fault->context, stack, kCrashDepth);
    } else {
      t.add("Location Unknown\n");
      depth = platform::captureStack(stack, kCrashDepth, 1);
    }
    platform::writeRaw(file, t.text(), t.length());
  }
  for (size_t i = 0; i < depth; ++i) {
    stacktext::FixedText t(line, sizeof line);
    // The first entry of a fault is the faulting instruction itself, the rest return addresses.
    if (stacktext::formatFrame(stack[i], fault && i == 0, false, t)) {
      platform::writeRaw(file, t.text(), t.length());
    }
  }
  platform::writeRaw(file, "Modules:\n", 9);
  ModuleListState state{file};
  platform::visitModules(&writeModule, &state);
  platform::closeRaw(file);
}

}  // namespace qz::crashlog

// Calls of pure virtual functions come here instead of the C++ runtime's handler, which would
// end the process without a log.
extern "C" void __cxa_pure_virtual() {
  if (qz::crashlog::installedMode() != 0) qz::crashlog::writeLog(nullptr);
  // The abort that follows is this same crash: it must not log a second time.
  qz::crashlog::remove();
  static const char kText[] = "pure virtual method called\n";
  qz::platform::writeRaw(qz::platform::rawStandardError(), kText, sizeof kText - 1);
  std::abort();
}
