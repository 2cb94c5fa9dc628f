#include "runtime/mem_track.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/heaps.h"
#include "platform/modules.h"
#include "platform/stack.h"
#include "platform/thread.h"
#include "runtime/stack_text.h"

#if defined(__SANITIZE_ADDRESS__)
#define QZ_NO_ASAN __attribute__((no_sanitize_address))
#else
#define QZ_NO_ASAN
#endif

namespace qz::memtrack {
namespace {

constexpr const char kTypeInfoVariable[] = "QZMEMTRACK_TYPEINFO";
constexpr const char kLeakVariable[] = "QZMEMTRACK_LEAK";
constexpr const char kOutputVariable[] = "QZMEMTRACK_OUTPUT";
constexpr const char kUnknownName[] = "unk";
constexpr size_t kPieceChars = 80;
constexpr const char kOutputRefusedText[] =
    "QZMEMTRACK_OUTPUT is longer than 127 characters: refused, reports go to the default "
    "output\n";

Options gOptions;
bool gOptionsRead = false;

// The report's own allocations go to the C heap, so the pages it reads stay as they were.
class HeapSwitchScope {
 public:
  HeapSwitchScope() : was_(memman::setHeapSwitch(true)) {}
  ~HeapSwitchScope() { memman::setHeapSwitch(was_); }

 private:
  bool was_;
};

void appendf(std::string& out, const char* pattern, ...) __attribute__((format(printf, 2, 3)));
void appendf(std::string& out, const char* pattern, ...) {
  char line[1024];
  va_list args;
  va_start(args, pattern);
  std::vsnprintf(line, sizeof line, pattern, args);
  va_end(args);
  out += line;
}

std::string pointerText(const void* p) {
  char text[24];
  std::snprintf(text, sizeof text, "%016llx",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
  return text;
}

void emit(const std::string& text, memman::ReportOutput out) {
  const Options& o = options();
  if (o.outputFile[0]) {
    if (FILE* f = std::fopen(o.outputFile, "a+")) {
      std::fwrite(text.data(), 1, text.size(), f);
      std::fclose(f);
    }
    return;
  }
  char piece[kPieceChars + 1];
  for (size_t at = 0; at < text.size(); at += kPieceChars) {
    const size_t n = std::min(kPieceChars, text.size() - at);
    std::memcpy(piece, text.data() + at, n);
    piece[n] = '\0';
    if (out)
      out(piece);
    else
      memman::report(piece);
  }
}

// Reads without address checks: the words lie inside a live block, but the checker cannot know
// that another module's block is live.
QZ_NO_ASAN uint64_t wordAt(const unsigned char* p) {
  return *reinterpret_cast<const uint64_t*>(p);
}

// The live blocks with their names and the references between them.
class BlockMap {
 public:
  BlockMap() : blocks_(memman::liveBlocks()) {
    for (size_t i = 0; i < blocks_.size(); ++i) index_[blocks_[i].user] = i;
  }

  const std::vector<memman::BlockInfo>& blocks() const { return blocks_; }

  const std::string& nameOf(size_t i) {
    static const std::string unknown = kUnknownName;
    const memman::BlockInfo& b = blocks_[i];
    if (!(options().bits & kTypeInfo) || b.size < sizeof(uint64_t)) return unknown;
    const uint64_t first = wordAt(b.user);
    auto found = names_.find(first);
    if (found != names_.end()) return found->second;
    std::string name = kUnknownName;
    platform::AddressInfo info;
    if (first && platform::describeAddress(first, &info) && info.symbol[0]) {
      // Virtual tables read as "vtable for X".
      int status = 0;
      char* plain = abi::__cxa_demangle(info.symbol, nullptr, nullptr, &status);
      name = plain ? plain : info.symbol;
      std::free(plain);
    }
    return names_.emplace(first, name).first->second;
  }

  // The index of the block holding address (its user area, or its start for a 0-byte block).
  bool find(const void* address, size_t* at) const {
    const auto* a = static_cast<const unsigned char*>(address);
    for (size_t i = 0; i < blocks_.size(); ++i) {
      const memman::BlockInfo& b = blocks_[i];
      if (a == b.user || (a > b.user && a < b.user + b.size)) {
        *at = i;
        return true;
      }
    }
    return false;
  }

  // Blocks whose user address block i holds as a word, in word order, each once.
  std::vector<size_t> children(size_t i) const {
    std::vector<size_t> out;
    const memman::BlockInfo& b = blocks_[i];
    for (size_t off = 0; off + sizeof(uint64_t) <= b.size; off += sizeof(uint64_t)) {
      auto found = index_.find(reinterpret_cast<const unsigned char*>(wordAt(b.user + off)));
      if (found == index_.end() || found->second == i) continue;
      if (std::find(out.begin(), out.end(), found->second) == out.end()) {
        out.push_back(found->second);
      }
    }
    return out;
  }

  // For every block, the first block in walk order holding its address; -1 for none.
  std::vector<long> parents() const {
    std::vector<long> parent(blocks_.size(), -1);
    for (size_t j = 0; j < blocks_.size(); ++j) {
      for (size_t c : children(j)) {
        if (parent[c] < 0) parent[c] = static_cast<long>(j);
      }
    }
    return parent;
  }

 private:
  std::vector<memman::BlockInfo> blocks_;
  std::unordered_map<const unsigned char*, size_t> index_;
  std::unordered_map<uint64_t, std::string> names_;
};

void memLine(std::string& out, int64_t bytes, int count, const std::string& name, size_t size,
             const void* first) {
  appendf(out, "Mem %6d, Cnt %6d, Name %s (%d) (0x%s + 0x%04x)\n", static_cast<int>(bytes), count,
          name.c_str(), static_cast<int>(size), pointerText(first).c_str(), 0);
}

void stackLines(std::string& out, const uint64_t* stack) {
  for (size_t i = 0; i < memman::kStackDepth && stack[i]; ++i) {
    char line[1024];
    stacktext::FixedText t(line, sizeof line);
    if (stacktext::formatFrame(stack[i], false, true, t)) out += t.text();
  }
}

void composeDetail(std::string& out, BlockMap& map) {
  appendf(out, "QZMEMTRACK Detail Memory Report (Pid=%d,%s)\n",
          static_cast<int>(platform::currentProcessId()), moduleName().c_str());
  const std::vector<long> parent = map.parents();
  const auto& blocks = map.blocks();
  for (size_t i = 0; i < blocks.size(); ++i) {
    appendf(out, "Id %6d,", static_cast<int>(i + 1));
    if (parent[i] >= 0) appendf(out, "Parent %6d,", static_cast<int>(parent[i] + 1));
    memLine(out, static_cast<int64_t>(blocks[i].size), 1, map.nameOf(i), blocks[i].size,
            blocks[i].user);
    if ((options().bits & kLocations) && blocks[i].stack) stackLines(out, blocks[i].stack);
  }
}

Snapshot snapshotOf(BlockMap& map) {
  Snapshot s;
  for (size_t i = 0; i < map.blocks().size(); ++i) ++s[{map.blocks()[i].size, map.nameOf(i)}];
  return s;
}

void recordLocation(uint64_t* stack, size_t depth) {
  platform::captureStack(stack, depth, 1);
}

void reportStack(memman::ReportOutput out) {
  uint64_t stack[memman::kStackDepth] = {};
  platform::captureStack(stack, memman::kStackDepth, 1);
  std::string text;
  {
    HeapSwitchScope heap;
    stackLines(text, stack);
  }
  if (!text.empty()) out(text.c_str());
}

}  // namespace

Options readOptions() {
  Options o;
  if (std::getenv(kTypeInfoVariable)) o.bits |= kTypeInfo;
  if (std::getenv(kLeakVariable)) o.bits |= kLeakReport;
  if (std::getenv(memman::kLocationVariable)) o.bits |= kLocations;
  if (const char* file = std::getenv(kOutputVariable)) {
    if (std::strlen(file) < kOutputFieldBytes) {
      std::strcpy(o.outputFile, file);
    } else {
      o.outputRefused = true;
      memman::report(kOutputRefusedText);
    }
  }
  return o;
}

const Options& options() {
  if (!gOptionsRead) {
    gOptions = readOptions();
    gOptionsRead = true;
  }
  return gOptions;
}

void setOptions(const Options& o) {
  gOptions = o;
  gOptionsRead = true;
}

const std::string& moduleName() {
  static const std::string name =
      platform::moduleFileNameOf(reinterpret_cast<const void*>(&readOptions));
  return name;
}

void installAllocatorHooks() {
  platform::prepareStackCapture();
  options();
  moduleName();
  memman::setLocationRecorder(&recordLocation);
  memman::setStackReporter(&reportStack);
}

void summaryReport(memman::ReportOutput out) {
  std::string text;
  {
    HeapSwitchScope heap;
    BlockMap map;
    appendf(text, "QZMEMTRACK Summary Report (Pid=%d,%s)\n",
            static_cast<int>(platform::currentProcessId()), moduleName().c_str());
    struct Group {
      int64_t bytes = 0;
      int count = 0;
      const void* first = nullptr;
    };
    std::vector<std::pair<GroupKey, Group>> groups;
    std::map<GroupKey, size_t> at;
    int64_t mgrBytes = 0;
    int64_t osBytes = 0;
    for (size_t i = 0; i < map.blocks().size(); ++i) {
      const memman::BlockInfo& b = map.blocks()[i];
      (b.large ? osBytes : mgrBytes) += static_cast<int64_t>(b.size);
      GroupKey key{b.size, map.nameOf(i)};
      auto found = at.find(key);
      if (found == at.end()) {
        found = at.emplace(key, groups.size()).first;
        groups.push_back({key, Group{0, 0, b.user}});
      }
      Group& g = groups[found->second].second;
      g.bytes += static_cast<int64_t>(b.size);
      ++g.count;
    }
    for (const auto& [key, g] : groups)
      memLine(text, g.bytes, g.count, key.second, key.first, g.first);
    appendf(text, "Mgr Bytes : %d\n", static_cast<int>(mgrBytes));
    appendf(text, "OS  Bytes : %d\n", static_cast<int>(osBytes));
    if (options().bits & kLeakReport) composeDetail(text, map);
  }
  emit(text, out);
}

void detailReport(memman::ReportOutput out) {
  std::string text;
  {
    HeapSwitchScope heap;
    BlockMap map;
    composeDetail(text, map);
  }
  emit(text, out);
}

void consistencyReport(memman::ReportOutput out) {
  std::string text;
  {
    HeapSwitchScope heap;
    for (const memman::Damage& d : memman::checkConsistency()) {
      if (d.kind == memman::Damage::kPage)
        text += "invalid page block\n";
      else
        appendf(text, "Invalid Block %s\n", pointerText(d.where).c_str());
    }
    for (const platform::HeapDamage& d : platform::checkProcessHeaps()) {
      const char* what = d.kind == platform::HeapDamage::kNode    ? "Node"
                         : d.kind == platform::HeapDamage::kBlock ? "Block"
                                                                  : "Data Ptr";
      appendf(text, "Invalid Win32 Heap %s %s\n", what,
              pointerText(reinterpret_cast<const void*>(d.where)).c_str());
    }
  }
  emit(text, out);
}

Snapshot takeSnapshot() {
  HeapSwitchScope heap;
  BlockMap map;
  return snapshotOf(map);
}

void compareReport(const Snapshot& before, memman::ReportOutput out) {
  std::string text;
  {
    HeapSwitchScope heap;
    BlockMap map;
    const Snapshot after = snapshotOf(map);
    appendf(text, "QZMEMTRACK Compare Snap (%s)\n", moduleName().c_str());
    auto line = [&](const GroupKey& key, int was, int now) {
      if (was == now) return;
      appendf(text, "Mem %6d, Befor=%3d, After=%3d,Diff=%3d, Name %s (%d)\n",
              static_cast<int>(static_cast<int64_t>(key.first) * (now - was)), was, now, now - was,
              key.second.c_str(), static_cast<int>(key.first));
    };
    for (const auto& [key, now] : after) {
      auto found = before.find(key);
      line(key, found == before.end() ? 0 : found->second, now);
    }
    for (const auto& [key, was] : before) {
      if (!after.count(key)) line(key, was, 0);
    }
  }
  emit(text, out);
}

void inspectReport(const void* address, memman::ReportOutput out) {
  std::string text;
  {
    HeapSwitchScope heap;
    BlockMap map;
    appendf(text, "QZMEMTRACK Inspect Addr %s (Pid=%d,%s)\n", pointerText(address).c_str(),
            static_cast<int>(platform::currentProcessId()), moduleName().c_str());
    size_t self = 0;
    if (!map.find(address, &self)) {
      text += "Not in Mgr found!\n";
    } else {
      const auto& blocks = map.blocks();
      auto lineOf = [&](size_t i) {
        memLine(text, static_cast<int64_t>(blocks[i].size), 1, map.nameOf(i), blocks[i].size,
                blocks[i].user);
      };
      text += "Object:\n";
      lineOf(self);
      text += "Parents:\n";
      for (size_t j = 0; j < blocks.size(); ++j) {
        const std::vector<size_t> c = map.children(j);
        if (std::find(c.begin(), c.end(), self) != c.end()) lineOf(j);
      }
      text += "direct Childs:\n";
      int64_t bytes = 0;
      for (size_t c : map.children(self)) {
        lineOf(c);
        bytes += static_cast<int64_t>(blocks[c].size);
      }
      appendf(text, "Bytes : %d\n", static_cast<int>(bytes));
      // Followed breadth first with a record of what was seen, so pointer cycles end.
      text += "all Childs:\n";
      bytes = 0;
      std::unordered_set<size_t> seen{self};
      std::deque<size_t> todo{self};
      while (!todo.empty()) {
        const size_t i = todo.front();
        todo.pop_front();
        for (size_t c : map.children(i)) {
          if (!seen.insert(c).second) continue;
          lineOf(c);
          bytes += static_cast<int64_t>(blocks[c].size);
          todo.push_back(c);
        }
      }
      appendf(text, "Bytes : %d\n", static_cast<int>(bytes));
    }
  }
  emit(text, out);
}

}  // namespace qz::memtrack

namespace mt = qz::memtrack;

std::string dynMgrChainS::variableName() {
  const uint64_t created = qz::platform::processCreationTime();
  const uint32_t key = qz::platform::currentProcessId() ^ static_cast<uint32_t>(created >> 32) ^
                       static_cast<uint32_t>(created);
  char name[32];
  std::snprintf(name, sizeof name, mt::kChainVariablePattern, key);
  return name;
}

dynMgrChainS::dynMgrChainS() : allocator_(memManSystemC::instance()) {
  const std::string name = variableName();
  if (const char* value = std::getenv(name.c_str())) {
    void* p = nullptr;
    if (std::sscanf(value, "%p", &p) == 1 && p) {
      head_ = static_cast<dynMgrChainS*>(p);
      next_ = head_->next_;
      head_->next_ = this;
      return;
    }
  }
  head_ = this;
  char value[32];
  std::snprintf(value, sizeof value, "%p", static_cast<void*>(this));
  qz::platform::setEnvironmentVariable(name.c_str(), value);
}

dynMgrChainS::~dynMgrChainS() {
  if (head_ == this) {
    for (dynMgrChainS* link = this; link;) {
      dynMgrChainS* next = link->next_;
      link->setHead(nullptr);
      link = next;
    }
    qz::platform::removeEnvironmentVariable(variableName().c_str());
    return;
  }
  if (!head_) return;
  for (dynMgrChainS* link = head_; link; link = link->next_) {
    if (link->next_ == this) {
      link->next_ = next_;
      break;
    }
  }
}

void dynMgrChainS::setHead(dynMgrChainS* head) {
  head_ = head;
  if (!head) next_ = nullptr;
}
void dynMgrChainS::summaryReport(qz::memman::ReportOutput out) {
  mt::summaryReport(out);
}
void dynMgrChainS::consistencyReport(qz::memman::ReportOutput out) {
  mt::consistencyReport(out);
}
void dynMgrChainS::takeSnapshot() {
  snapshot_ = mt::takeSnapshot();
}
void dynMgrChainS::compareReport(qz::memman::ReportOutput out) {
  mt::compareReport(snapshot_, out);
}
void dynMgrChainS::inspectReport(qz::memman::ReportOutput out, const void* address) {
  mt::inspectReport(address, out);
}
int64_t dynMgrChainS::peakMemory() {
  return peakHeapBytes() + peakPageBytes();
}
int64_t dynMgrChainS::peakHeapBytes() {
  return qz::memman::counters().heapPeak;
}
int64_t dynMgrChainS::peakPageBytes() {
  return qz::memman::counters().pagePeak * static_cast<int64_t>(qz::memman::kCellAreaBytes);
}
