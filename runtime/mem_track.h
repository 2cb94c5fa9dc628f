// Memory tracking: reports about the live blocks of the module allocator, and the chain through
// which the allocators of several modules in one process find each other.
//
// Switches, read once per process from the environment (each only needs to exist):
//   QZMEMTRACK_TYPEINFO  blocks are named by the symbol their first word points to (a class's
//                        virtual table); otherwise "unk"
//   QZMEMTRACK_LEAK      the summary and detail reports are written at unload
//   QZMEMTRACK_LOCATION  every block records its allocation stack (the allocator reads it)
//   QZMEMTRACK_OUTPUT    a file every report is appended to (at most 127 characters; a longer
//                        name is refused with a message on the report output)
// Without an output file a report goes to the allocator's report output (standard error) in
// pieces of at most 80 characters.
//
// Pointers print as 16 hex digits without "0x" (the width of a pointer here). References
// between blocks are pointer-sized, pointer-aligned words.
//
// Thread rule: reports read every page and are meant for quiet moments; they take the
// allocator's lock only while listing blocks. A report's own memory comes from the C heap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "runtime/memman.h"

namespace qz::memtrack {

inline constexpr unsigned kTypeInfo = 1;
inline constexpr unsigned kLeakReport = 2;
inline constexpr unsigned kLocations = 4;
inline constexpr size_t kOutputFieldBytes = 128;
inline constexpr const char kChainVariablePattern[] = "QZDYNMGRV8_%u";

struct Options {
  unsigned bits = 0;
  char outputFile[kOutputFieldBytes] = {};  // empty: the report output
  bool outputRefused = false;               // QZMEMTRACK_OUTPUT was too long
};
// Reads the variables now. Refusing a long output name reports why.
Options readOptions();
// The process's options, read at the first call.
const Options& options();
// For tests: replaces the options in force.
void setOptions(const Options& options);

// Records allocation stacks (with QZMEMTRACK_LOCATION) and the stack of a double free.
void installAllocatorHooks();

// A group of live blocks: equal size and name.
using GroupKey = std::pair<size_t, std::string>;
using Snapshot = std::map<GroupKey, int>;

// The reports. Each is composed as one text, then sent to the output file or to `out` (the
// allocator's report output when null).
void summaryReport(memman::ReportOutput out = nullptr);  // with kLeakReport the detail follows
void detailReport(memman::ReportOutput out = nullptr);
void consistencyReport(memman::ReportOutput out = nullptr);
Snapshot takeSnapshot();
void compareReport(const Snapshot& before, memman::ReportOutput out = nullptr);
void inspectReport(const void* address, memman::ReportOutput out = nullptr);

// The module file name reports name (the module holding this code).
const std::string& moduleName();

}  // namespace qz::memtrack

// One link per module, made at load. The first link of a process is the head and publishes
// its address in the process variable "QZDYNMGRV8_<key>" (key: process id XOR both halves of
// the process creation time); later ones find it there and join behind it. Thread rule: links
// are made and destroyed by the loader, one at a time; reports as above.
struct dynMgrChainS {
  dynMgrChainS();
  ~dynMgrChainS();
  dynMgrChainS(const dynMgrChainS&) = delete;
  dynMgrChainS& operator=(const dynMgrChainS&) = delete;

  virtual void setHead(dynMgrChainS* head);  // slot 0; null: the chain is gone
  virtual void summaryReport(qz::memman::ReportOutput out);
  virtual void consistencyReport(qz::memman::ReportOutput out);
  virtual void takeSnapshot();
  virtual void compareReport(qz::memman::ReportOutput out);
  virtual void inspectReport(qz::memman::ReportOutput out, const void* address);
  virtual int64_t peakMemory();     // slot 6: slot 7 + slot 8
  virtual int64_t peakHeapBytes();  // slot 7
  virtual int64_t peakPageBytes();  // slot 8: peak page count × 10000

  dynMgrChainS* head() const { return head_; }
  dynMgrChainS* next() const { return next_; }
  // The variable's name for this process.
  static std::string variableName();

 private:
  dynMgrChainS* head_ = nullptr;
  dynMgrChainS* next_ = nullptr;
  memManSystemC* allocator_;
  qz::memtrack::Snapshot snapshot_;
};
